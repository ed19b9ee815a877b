#!/usr/bin/env bash
# Checks that every C++ source of the product, its tests, fuzz targets and benchmarks is laid out
# as .clang-format says: exits 1 and lists the files that differ. `format.sh --fix` rewrites them.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -d '' files < <(find app base collectors report scan support ui tools tests fuzz bench \
  \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)

clang-format --style=file --dump-config >/dev/null  # a .clang-format it cannot read stops here

if [[ "${1:-}" == --fix ]]; then
  clang-format -i --style=file "${files[@]}"
  exit 0
fi

# One run over all files; each place that differs is reported as "file:line:col: error: ...".
differing=$(clang-format --style=file --dry-run -Werror "${files[@]}" 2>&1 |
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u) || true
if [[ -n "$differing" ]]; then
  sed 's/^/not formatted: /' <<<"$differing"
  exit 1
fi
echo "format: every file as .clang-format says"
