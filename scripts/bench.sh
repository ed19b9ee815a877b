#!/usr/bin/env bash
# Runs the benchmarks: CRC-32 against zlib natively, then the file checksum passes and the
# registry and hosts-file sections under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# zlib's crc32 is the baseline of the CRC-32 benchmark only, so the benchmark alone needs it.
if ! dpkg-query -W -f='${Status}' zlib1g-dev 2>/dev/null | grep -q 'install ok installed'; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends zlib1g-dev
fi
bash scripts/build.sh host
cmake --build --preset host --target crc_bench
build/host/bin/crc_bench

bash scripts/build.sh windows
cmake --build --preset windows --target checksum_bench registry_sections_bench
source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start
wine build/windows/bin/checksum_bench.exe
wine build/windows/bin/registry_sections_bench.exe
