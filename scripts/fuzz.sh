#!/usr/bin/env bash
# Runs every fuzz target. `scripts/fuzz.sh` replays the seed corpus plus a fixed number of new
# inputs (the regression check of the test command); `scripts/fuzz.sh SECONDS` fuzzes each
# target for that long, keeping what it finds in build/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh fuzz
seconds=${1:-}
for target in build/fuzz/bin/fuzz_*; do
  name=$(basename "$target")
  work=build/fuzz/corpus/$name
  mkdir -p "$work"
  if [ -n "$seconds" ]; then
    limit=(-max_total_time="$seconds")
  else
    limit=(-runs=20000 -seed=1)
  fi
  start=$(date +%s%N)
  "$target" "${limit[@]}" -max_len=4096 -artifact_prefix="build/fuzz/$name-" "$work" "fuzz/corpus/$name" 2>"build/fuzz/$name.log" ||
    { tail -40 "build/fuzz/$name.log"; echo "fuzz: $name FAILED"; exit 1; }
  runs=$(grep -oE 'Done [0-9]+ runs' "build/fuzz/$name.log" | grep -oE '[0-9]+' || echo "?")
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  printf 'fuzz: %-28s %10s executions in %d ms, no fault\n' "$name" "$runs" "$ms"
done
