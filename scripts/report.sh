#!/usr/bin/env bash
# Builds the Windows programs and writes a full report of this machine (every category, Advanced).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh programs
# The programs alone: the tests are built by scripts/test.sh.
bash scripts/build.sh windows-programs
source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start
out=$PWD/system-report.txt
wine build/windows-programs/bin/sysinfo-report.exe --all --level advanced --out "$(winepath -w "$out")"
echo "Report written to $out"
