#!/usr/bin/env bash
# Runs every fuzz target. `scripts/fuzz.sh` replays the seed corpus plus a fixed number of new
# inputs (the regression check of the test command); `scripts/fuzz.sh SECONDS` fuzzes each
# target for that long, keeping what it finds in build/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh fuzz
seconds=${1:-}

# One target: its log kept, one line said, and the log's end when it found a fault.
fuzz_target() {
  local target=$1 name work limit start runs ms
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
    { tail -40 "build/fuzz/$name.log"; echo "fuzz: $name FAILED"; return 1; }
  runs=$(grep -oE 'Done [0-9]+ runs' "build/fuzz/$name.log" | grep -oE '[0-9]+' || echo "?")
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  printf 'fuzz: %-28s %10s executions in %d ms, no fault\n' "$name" "$runs" "$ms"
}

# A target runs on one processor: as many at a time as there are processors.
jobs=$(nproc)
running=0
failed=0
for target in build/fuzz/bin/fuzz_*; do
  fuzz_target "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit "$failed"
