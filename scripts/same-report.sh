#!/usr/bin/env bash
# Shows that two builds of the console runner write the same report: both write every category
# at each level, as text and as JSON, taking turns on one Wine prefix and under one path (the
# runner lists its own command line among the processes). Then the two reports are compared
# without the lines that differ between any two scans: times, dates, elapsed milliseconds,
# memory figures and the per-process counters.
# usage: same-report.sh BEFORE.exe AFTER.exe [KEEP-FOLDER]
# BEFORE_ARGS and AFTER_ARGS add options to each one's command line: the same build with
# AFTER_ARGS="--jobs 1" shows that gathering side by side writes the report one after the other does.
# CATEGORIES="CPU|Drives" has both write those categories instead of every one: the categories an
# older build knows, when the newer one adds some.
set -euo pipefail
read -ra before_args <<<"${BEFORE_ARGS:-}"
read -ra after_args <<<"${AFTER_ARGS:-}"
chosen=(--all)
if [[ -n ${CATEGORIES:-} ]]; then
  chosen=()
  IFS='|' read -ra names <<<"$CATEGORIES"
  for name in "${names[@]}"; do chosen+=(--category "$name"); done
fi
before=$(realpath "$1")
after=$(realpath "$2")
keep=${3:-$(mktemp -d /tmp/same-report.XXXXXX)}
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start

run=$(mktemp -d /tmp/same-report-run.XXXXXX)
mkdir -p "$keep/before" "$keep/after"
# A prefix just made starts its services during the first scan: one scan first, not compared, so
# both builds see the same processes and service states.
cp "$before" "$run/sysinfo-report.exe"
wine "$run/sysinfo-report.exe" --all --out "Z:${run//\//\\}\\warm-up" >/dev/null 2>&1 || true
for level in basic moderate advanced; do
  for format in text json; do
    for who in before after; do
      if [[ $who == before ]]; then exe=$before args=("${before_args[@]}"); else exe=$after args=("${after_args[@]}"); fi
      cp "$exe" "$run/sysinfo-report.exe"
      # Exit status 3: written, a category's source left unread (a runner that took Wine's failing
      # Task Scheduler for the only source of scheduled tasks).
      ran=0
      wine "$run/sysinfo-report.exe" "${args[@]}" "${chosen[@]}" --level $level --format $format \
        --out "Z:${run//\//\\}\\report" >/dev/null 2>&1 || ran=$?
      [[ $ran == 0 || $ran == 3 ]] || exit $ran
      mv "$run/report" "$keep/$who/$level.$format"
    done
  done
done
rm -rf "$run"

counters='Handle|ProcessId|ParentProcessId|ThreadCount|HandleCount|WorkingSetSize|KernelModeTime'
counters+='|UserModeTime|PageFaults|PageFileUsage|PrivatePageCount|VirtualSize|PeakWorkingSetSize'
counters+='|PeakVirtualSize|PeakPageFileUsage|QuotaNonPagedPoolUsage|QuotaPagedPoolUsage'
counters+='|QuotaPeakNonPagedPoolUsage|QuotaPeakPagedPoolUsage|ReadOperationCount|ReadTransferCount'
counters+='|WriteOperationCount|WriteTransferCount|OtherOperationCount|OtherTransferCount|CreationDate'
volatile="^(Time|Date): |\"scanTime\"|\"elapsedMs\"|^Memory (Used|Available)|^(Process|Thread|Handle) Count"
volatile+="|^Commit |\"Physical(Used|Available)\"|\"(Process|Thread|Handle)Count\"|\"Commit"
volatile+="|^($counters): |^ *\"($counters)\": "
# Given other options, the runner's own command line (among the processes) differs by them alone.
[[ "${BEFORE_ARGS:-}" == "${AFTER_ARGS:-}" ]] || volatile+='|sysinfo-report\.exe\\?"? '

status=0
for report in "$keep"/before/*; do
  name=$(basename "$report")
  differing=$(diff <(grep -Ev "$volatile" "$report") <(grep -Ev "$volatile" "$keep/after/$name") |
    grep -c '^[<>]' || true)
  echo "$name: $(wc -c <"$report") and $(wc -c <"$keep/after/$name") bytes, $differing lines differ"
  [[ $differing == 0 ]] || status=1
done
echo "reports kept in $keep"
exit $status
