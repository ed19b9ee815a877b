#!/usr/bin/env bash
# Configures and builds one preset ("host", "windows", "windows-programs", ...).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1
[ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
