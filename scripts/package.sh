#!/usr/bin/env bash
# Builds the download: dist/sysinfo-<version>-windows-x64.zip holding the window program, the
# console runner and a plain-text README, and dist/SHA256SUMS for the zip and both programs.
# The programs come from a clean build of the committed source (git archive of HEAD) in a folder
# of its own, so what is packed never depends on this work tree's leftovers.
#
# usage: package.sh [--check]
#   --check  also shows that the build can be repeated: the programs of the clean build must be
#            byte for byte those of build/windows/bin (another folder, another time), and the zip
#            made twice must be the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
check=false
[[ ${1:-} == --check ]] && check=true

version=$(sed -n 's/^project(sysinfo VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
name="sysinfo-$version-windows-x64"
programs=(sysinfo.exe sysinfo-report.exe)

work=$(mktemp -d /tmp/sysinfo-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src"
git archive HEAD | tar -x -C "$work/src"
# The pinned SQLite source the build compiles in, as setup.sh fetched and checked it.
mkdir -p "$work/src/build"
cp -r build/deps "$work/src/build/deps"
# The two programs alone: the fleet tool and its SQLite are not in the zip.
(cd "$work/src" && cmake --preset windows-programs >/dev/null &&
  cmake --build --preset windows-programs --target sysinfo sysinfo-report >/dev/null)
built="$work/src/build/windows-programs/bin"

# A zip whose bytes depend on the files alone: names in a fixed order, one fixed time, fixed
# permissions, one compression level.
make_zip() {
  python3 - "$1" "$built" "$work/README.txt" "${programs[@]}" <<'PY'
import sys, zipfile
out, folder, readme, *programs = sys.argv[1:]
files = [(p, f"{folder}/{p}") for p in programs] + [("README.txt", readme)]
with zipfile.ZipFile(out, "w") as archive:
    for name, path in sorted(files):
        info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        info.create_system = 0
        with open(path, "rb") as source:
            archive.writestr(info, source.read(), compresslevel=9)
PY
}

# The README a Windows user finds in the zip: CR LF line ends, as Notepad expects.
sed "s/@VERSION@/$version/g; s/\$/\r/" scripts/package-readme.txt >"$work/README.txt"

mkdir -p dist
rm -f "dist/$name.zip" dist/SHA256SUMS
make_zip "dist/$name.zip"
for program in "${programs[@]}"; do cp "$built/$program" "$work/$program"; done
(cd "$work" && sha256sum "${programs[@]}") >dist/SHA256SUMS
(cd dist && sha256sum "$name.zip") >>dist/SHA256SUMS
cat dist/SHA256SUMS

if $check; then
  status=0
  for program in "${programs[@]}"; do
    if ! cmp -s "$built/$program" "build/windows/bin/$program"; then
      echo "package: $program differs between two builds of one source" >&2
      status=1
    fi
  done
  make_zip "$work/again.zip"
  if ! cmp -s "$work/again.zip" "dist/$name.zip"; then
    echo "package: the zip differs when made again" >&2
    status=1
  fi
  [[ $status == 0 ]] && echo "package: two builds give the same programs and zip"
  exit $status
fi
