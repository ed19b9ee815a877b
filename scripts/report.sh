#!/usr/bin/env bash
# Builds the Windows programs and writes a full report of this machine (every category, Advanced).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh windows
source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start
out=$PWD/system-report.txt
wine build/windows/bin/sysinfo-report.exe --all --level advanced --out "$(winepath -w "$out")"
echo "Report written to $out"
