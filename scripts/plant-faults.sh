#!/usr/bin/env bash
# Plants, one at a time, the one-line bugs a developer could plausibly make and shows that the
# tests catch each one. Run it after trimming, merging or moving tests: a test that no longer
# catches what it caught shows here as MISSED, before a user sees the bug.
#
# usage: scripts/plant-faults.sh [--check] [NAME...]   (no NAME: every fault of the table)
#        --check only plants and reverts each change, showing the planted line, without building:
#        a quick look after a merge that every change still finds its line.
#
# It tests the commit checked out (HEAD), never the working tree: the faults are planted in a
# scratch worktree of HEAD under /tmp, kept between runs with its build folders so that each
# planting rebuilds only what the changed file touches. The caller's tree is not touched.
# Host faults rebuild the host preset and run `ctest --preset host`; Wine faults rebuild the
# Wine tests and run them under a throw-away Wine prefix and Xvfb, narrowed by a gtest filter.
# Exits 1 when a fault is missed, could not be planted or did not build.
set -uo pipefail

# One fault a line: its name, the file, the change (a sed expression, or a command starting
# with "perl " that is given the file), and where it is caught: "host" (optionally a ctest -R
# regex) or "wine" with a --gtest_filter. Each change is made by its text, never by line number,
# so it survives code moving around; a change that matches nothing says NOT PLANTED.
faults() {
  # The printed sections: labels, levels, order, units.
  fault label-cpu collectors/cpu.cpp 's/{"Caption: ", "Caption"/{"Caption:", "Caption"/' host
  fault label-memory collectors/memory.cpp 's/{"Memory Total: "/{"Memory total: "/' host
  fault level-cpu collectors/cpu.cpp 's/"AddressWidth", {0, 1, 1}/"AddressWidth", {1, 1, 1}/' host
  fault order-sorted collectors/sorted_table.cpp 's/return keys\[a\] < keys\[b\];/return keys[a] > keys[b];/' host
  fault unit-mb base/format.cpp 's/{20, " MB"}/{20, " Mb"}/' host
  fault separator base/format.h 's/^\(    "-*\)-"$/\1="/' host
  fault start-line scan/declared_categories.cpp 's/") Start"/") start"/' host
  fault status-text collectors/suspicious_files.cpp 's/"Scanning For Suspicious Files!"/"Scanning for Suspicious Files!"/' host
  fault status-done scan/scan.cpp 's/"Status: Done"/"Status: done"/' host
  # Checksums and their text.
  fault digest-crc support/crc.cpp 's/0xEE0E612C,/0xEE0E612D,/' host
  fault digest-hex support/checksum.cpp 's/"0123456789ABCDEF"/"0123456789abcdef"/' host
  fault checksum-bound support/checksum.cpp 's/left = reader.SizeWhenOpened();/left;/' host
  # What a line may hold, and where it goes.
  fault marker report/report.cpp 's/out += "<U+";/out += "<u+";/' host
  fault lost-line report/report.cpp '/^void ReportWriter::EndLine/,/^}/s|^  SendPiece();|  // SendPiece();|' host
  fault json-field report/json_report.cpp 's/category_\["section"\] = number;/category_["number"] = number;/' host
  fault hosts-crlf collectors/hosts_file.cpp "s/chunk\[end + 1\] == '\\\\n';/chunk[end + 1] == '\\\\r';/" host
  fault hosts-crlf-split collectors/hosts_file.cpp 's/afterCr_ = cr && end + 1 == chunk.size();/afterCr_ = cr \&\& end == chunk.size();/' host
  fault wtf8-pair base/wtf8.cpp 's/code = 0x10000 + ((code - 0xD800) << 10)/code = ((code - 0xD800) << 10)/' host
  fault wtf8-lone base/wtf8.cpp 's/if (IsSurrogate(decoded.code)) {/if (IsHighSurrogate(decoded.code)) {/' host
  fault extended-path support/extended_path.cpp 's/result = ".*" + normal.substr(0, 2);/result = normal.substr(0, 2);/' host
  # Choices: the save dialog, the runner's category names.
  fault dialog-overwrite ui/common_dialog.cpp 's/request.flags = (flags & kOverwritePrompt) | kHideReadOnly;/request.flags = kHideReadOnly;/' host
  fault runner-category collectors/categories.cpp 's/kCategoryList\[i\]->text == text/kCategoryList[i]->text.starts_with(text)/' host
  # Suspicious Files and the scan's shared record of the files it read.
  fault skip-versioned collectors/suspicious_files.cpp 's/{kFolderWindows, "\\\\System32\\\\Drivers", "\*.sys", kNoFileVersion, true}/{kFolderWindows, "\\\\System32\\\\Drivers", "*.sys", kNoFileVersion, false}/' host
  fault examined-case collectors/file_examinations.cpp 's/return examined_\[LowerCase(path)\];/return examined_[path];/' host
  fault examined-sha256 collectors/file_examinations.cpp 's/withSha256 = sha256 || sha256Always_;/withSha256 = sha256;/' host
  # A source that fails says so; an empty category is not ok; a redacted value stays redacted.
  fault failed-software collectors/software.cpp '/report.SourceEnded(/s|^|//|' host
  fault failed-proxy collectors/proxy_info.cpp '/report.SourceEnded(/s|^|//|' host
  fault failed-suspicious collectors/suspicious_files.cpp '/report.SourceEnded(/s|^|//|' host
  fault failed-memory collectors/memory.cpp '/^  report.SourceEnded(reading.error);/s|^|//|' host
  fault failed-memory-wmi collectors/memory.cpp '/^  report.SourceEnded(result->Outcome());/s|^|//|' host
  fault failed-hosts collectors/hosts_file.cpp '/^    report.SourceEnded(readFailure);/s|^|//|' host
  fault empty-as-ok report/report.cpp 's/anything_ ? CategoryStatus::Ok : CategoryStatus::Empty/anything_ ? CategoryStatus::Ok : CategoryStatus::Ok/' host
  fault unredacted-field report/report.cpp 's/items_->Field(name, SourceValue(std::move(redacted)));/items_->Field(name, value);/' host
  # Autostart Entries.
  fault autostart-depth collectors/autostart_command.cpp 's/if (depth < kMaxHostDepth) {/if (depth <= kMaxHostDepth) {/' host
  fault autostart-exe collectors/autostart_command.cpp 's/const std::string_view extension = hasDot ? "" : ".exe";/const std::string_view extension = "";/' host
  fault autostart-nt-path collectors/autostart_command.cpp '/return Head{"", \*below};/s|^|//|' host
  fault autostart-approved collectors/autostart.cpp 's/approval.enabled = (value\[0\] & 1) == 0;/approval.enabled = value[0] == 2;/' host
  fault autostart-own-hive collectors/autostart_gather.cpp 's/if (lower.ends_with("_classes") || lower == LowerCase(self)) continue;/if (lower.ends_with("_classes")) continue;/' host
  fault autostart-unsorted collectors/autostart.cpp 's/return byLocation != 0 ? byLocation < 0 : CompareIgnoreCase(a->name, b->name) < 0;/return byLocation < 0;/' host
  fault autostart-user-classes collectors/autostart_gather.cpp 's/if (!hive.machine) roots.emplace_back(hive.root, hive.classes);/;/' host
  fault autostart-service-dll collectors/autostart_gather.cpp 's/if (command) Add(family, at, name, \*command,/if (command \&\& !QueryText(kMachine, path + "\\\\Parameters", "ServiceDll", {})) Add(family, at, name, *command,/' host
  fault autostart-ini-crlf collectors/autostart.cpp "s/if (line.ends_with('\\\\r')) line.remove_suffix(1);/;/" host
  fault autostart-view-place collectors/autostart_gather.cpp 's/case Scope::Machine: wanted = hive.machine; break;/case Scope::Machine: wanted = machine64; break;/' host
  fault autostart-image-case collectors/autostart.cpp 's/places_.try_emplace(LowerCase(image));/places_.try_emplace(image);/' host
  # The fleet database: history against --compare, in any order, current rows.
  fault fleet-gone tools/fleet/history.sql 's/COALESCE(r.since, r.scan_time), r.last_time, p.next_time/COALESCE(r.since, r.scan_time), r.last_time, NULL/' host Fleet
  fault fleet-since tools/fleet/history.sql 's/CASE WHEN p.scan_time = a.low THEN v.first_seen END/CAST(NULL AS TEXT)/' host Fleet
  fault fleet-failed-closes tools/fleet/history.sql "s/WHERE c.status NOT IN ('failed', 'timed_out') AND c.scan_time >= a.low;/WHERE c.scan_time >= a.low;/" host Fleet
  fault fleet-hash-order tools/fleet/fleet_rows.cpp 's/{ return a->name < b->name; }/{ return a \&\& false; }/' host Fleet
  # Only Wine has these: CryptoAPI, the registry's views, the settings file, the runner's exit.
  fault digest-md5 support/checksum_win.cpp 's/const auto digest = CryptoDigest::Create(CALG_MD5);/const auto digest = CryptoDigest::Create(CALG_MD4);/' wine 'FileChecksums.KnownFilesThroughCryptoApi'
  fault registry-view support/registry_win.cpp 's/case RegistryView::Only32Bit: return KEY_WOW64_32KEY;/case RegistryView::Only32Bit: return KEY_WOW64_64KEY;/' wine 'RegistryOnWine.ReadsBothViews'
  fault settings-key app/settings.h 's/kDetailLevelKey = "DetailLevel";/kDetailLevelKey = "Detail Level";/' wine 'MainWindow.StoredChoices*'
  fault runner-exit tools/runner_win.cpp '/could not be read completely/,/return 3;/s/return 3;/return 0;/' wine 'Runner.JsonFormat*'
}

# ---------------------------------------------------------------------------------------------

names=() files=() changes=() wheres=() filters=()
fault() {
  names+=("$1") files+=("$2") changes+=("$3") wheres+=("$4") filters+=("${5:-}")
}
faults

repo=$(cd "$(dirname "$0")/.." && pwd)
common=$(realpath "$(git -C "$repo" rev-parse --git-common-dir)")
head=$(git -C "$repo" rev-parse HEAD)
scratch=${PLANT_FAULTS_DIR:-/tmp/sysinfo-plant-faults-$(md5sum <<<"$common" | cut -c1-8)}
logs=$scratch.logs

check_only=false
if [[ ${1:-} == --check ]]; then
  check_only=true
  shift
fi

# Which faults to run: the names given, or all; host ones first, the slow Wine ones last.
selected=()
for kind in host wine; do
  for i in "${!names[@]}"; do
    [[ ${wheres[i]} == "$kind" ]] || continue
    if (($# == 0)) || [[ " $* " == *" ${names[i]} "* ]]; then selected+=("$i"); fi
  done
done
for wanted in "$@"; do
  if [[ " ${names[*]} " != *" $wanted "* ]]; then
    echo "plant-faults: no fault named \"$wanted\"; the faults are: ${names[*]}" >&2
    exit 2
  fi
done

exec 9>"$scratch.lock"
flock -n 9 || { echo "plant-faults: another run is using $scratch" >&2; exit 2; }

# The scratch worktree at the caller's HEAD. `git reset --hard` rewrites only the files that
# differ, so the build folders stay valid and a file planted by an interrupted run is restored.
if [[ -e $scratch/.git ]]; then
  if [[ $(realpath "$(git -C "$scratch" rev-parse --git-common-dir)") != "$common" ]]; then
    echo "plant-faults: $scratch belongs to another repository; set PLANT_FAULTS_DIR" >&2
    exit 2
  fi
  git -C "$scratch" checkout -q --detach "$head" && git -C "$scratch" reset -q --hard "$head"
else
  git -C "$repo" worktree prune
  git -C "$repo" worktree add -q --detach "$scratch" "$head"
fi || exit 2
git -C "$scratch" clean -qfd  # untracked files a run left; build/ is ignored, so kept
mkdir -p "$logs"
echo "plant-faults: testing $(git -C "$repo" log -1 --format='%h %s' "$head" | cut -c1-80)" >&2
[[ -z $(git -C "$repo" status --porcelain --untracked-files=no) ]] ||
  echo "plant-faults: uncommitted changes to the code are not part of the run" >&2
cd "$scratch" || exit 2

build() {  # KIND LOG
  if [[ $1 == host ]]; then
    nice -n 19 bash scripts/build.sh host >"$2" 2>&1
  else
    { [[ -f build/windows/CMakeCache.txt ]] || nice -n 19 cmake --preset windows; } >"$2" 2>&1 &&
      nice -n 19 cmake --build --preset windows --target wine_tests >>"$2" 2>&1
  fi
}

# Runs the tests, their output into LOG, and prints the names of those that failed (for Wine, the
# exit status when the tests ended without their summary). Fails when no test ran at all.
run_tests() {  # KIND FILTER LOG
  local kind=$1 filter=$2 log=$3
  if [[ $kind == host ]]; then
    nice -n 19 ctest --preset host -j2 --timeout 300 ${filter:+-R "$filter"} >"$log" 2>&1
    grep -q 'tests passed' "$log" || return 1
    sed -n '/The following tests FAILED:/,$ s/^[[:space:]]*[0-9]\+ - \([^ ]*\) (.*)$/\1/p' "$log"
    return 0
  fi
  (
    source scripts/wine-env.sh
    source scripts/xvfb-env.sh
    trap 'xvfb_env_stop; wine_env_stop' EXIT
    xvfb_env_start
    wine_env_start
    cd build/windows/tests &&
      nice -n 19 timeout 1200 wine ../bin/wine_tests.exe --gtest_filter="$filter"
    echo "wine_tests exit status $?"
  ) 2>&1 | tr -d '\r' >"$log"  # the console lines of a Windows program end in CR LF
  grep -q '^\[==========\] Running [1-9]' "$log" || return 1
  if grep -q '^\[==========\] .* ran' "$log"; then
    sed -n 's/^\[  FAILED  \] \([^ ,]*\)\( (.*)\)\?$/\1/p' "$log" | sort -u
  else
    sed -n 's/^wine_tests \(exit status [0-9]*\)$/wine_tests ended early, \1/p' "$log"
  fi
}

# The tests must pass before anything is planted, or every fault would look caught.
baseline() {  # KIND FILTER
  local log=$logs/baseline-$1.log failed
  if ! build "$1" "$log"; then
    echo "plant-faults: the $1 build fails with no fault planted (see $log)" >&2
    exit 1
  fi
  if ! failed=$(run_tests "$1" "$2" "$log.tests") || [[ -n $failed ]]; then
    echo "plant-faults: the $1 tests fail with no fault planted (see $log.tests): ${failed//$'\n'/ }" >&2
    exit 1
  fi
}

backup=$(mktemp)
planted=""
revert() {  # puts the planted file back with a new time, so the next build compiles it again
  [[ -n $planted ]] && cat "$backup" >"$planted"
  planted=""
}
trap 'revert; rm -f "$backup"' EXIT
trap 'exit 130' INT TERM

failures=0
baseline_done=""
for i in "${selected[@]}"; do
  name=${names[i]} file=${files[i]} change=${changes[i]} kind=${wheres[i]}
  log=$logs/$name.log
  if ! $check_only && [[ $baseline_done != *"$kind"* ]]; then
    wine_filter=""
    for j in "${selected[@]}"; do
      [[ ${wheres[j]} == wine ]] && wine_filter+="${wine_filter:+:}${filters[j]}"
    done
    baseline "$kind" "$([[ $kind == wine ]] && echo "$wine_filter")"
    baseline_done+=" $kind"
  fi

  if [[ ! -f $file ]]; then
    result="NOT PLANTED ($file is gone)"
  else
    cp "$file" "$backup"
    planted=$file
    if [[ $change == "perl "* ]]; then
      sh -c "$change \"\$1\"" plant "$file" 2>"$log"
    else
      sed -i -e "$change" "$file" 2>"$log"
    fi
    removed=$(diff "$backup" "$file" | grep -c '^<')
    added=$(diff "$backup" "$file" | grep -c '^>')
    if ((removed + added == 0)); then
      result="NOT PLANTED (the change matches nothing in $file)"
    elif ((removed > 1 || added > 1)); then
      result="NOT PLANTED (the change touches more than one line of $file)"
    elif $check_only; then
      result="plants: $(diff "$backup" "$file" | sed -n 's/^> *//p')"
    elif ! build "$kind" "$log"; then
      result="NOT BUILT (see $log)"
    elif ! caught=$(run_tests "$kind" "${filters[i]}" "$log.tests"); then
      result="NOT RUN (see $log.tests)"
    elif [[ -z $caught ]]; then
      result="MISSED"
    else
      count=$(wc -l <<<"$caught")
      shown=$(head -n 4 <<<"$caught" | paste -sd, - | sed 's/,/, /g')
      ((count > 4)) && shown+=" and $((count - 4)) more"
      result="caught (by $shown)"
    fi
    revert
  fi
  [[ $result == caught* || $result == plants* ]] || failures=$((failures + 1))
  printf '%-20s %s\n' "$name" "$result"
done
if ((failures > 0)); then
  echo "plant-faults: $failures of ${#selected[@]} $($check_only && echo "not planted" || echo "not caught")" >&2
  exit 1
fi
