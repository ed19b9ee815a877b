#!/usr/bin/env bash
# Runs the benchmarks: CRC-32 against zlib natively, then the file checksum passes under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh host
cmake --build --preset host --target crc_bench
build/host/bin/crc_bench

bash scripts/build.sh windows
cmake --build --preset windows --target checksum_bench
source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start
wine build/windows/bin/checksum_bench.exe
