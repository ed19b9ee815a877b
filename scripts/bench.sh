#!/usr/bin/env bash
# Runs the benchmarks: CRC-32 against zlib, the checksum pass, the sorted list section and the
# comparison of two reports natively, then the file checksum passes, the registry and hosts-file sections and the
# sorted list section under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# zlib's crc32 is the baseline of the CRC-32 benchmark only, so the benchmark alone needs it.
if ! dpkg-query -W -f='${Status}' zlib1g-dev 2>/dev/null | grep -q 'install ok installed'; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends zlib1g-dev
fi
# The sorted-section benchmark writes its report files here.
scratch=$(mktemp -d /tmp/sysinfo-bench.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

bash scripts/build.sh host
cmake --build --preset host --target crc_bench sorted_section_bench compare_bench checksum_pass_bench autostart_bench user_software_bench scan_jobs_bench browser_extensions_bench
build/host/bin/crc_bench
build/host/bin/checksum_pass_bench
build/host/bin/scan_jobs_bench
build/host/bin/sorted_section_bench "$scratch"
build/host/bin/compare_bench "$scratch"
build/host/bin/autostart_bench
build/host/bin/user_software_bench
build/host/bin/browser_extensions_bench

bash scripts/build.sh windows
cmake --build --preset windows --target checksum_bench registry_sections_bench sorted_section_bench repeat_bench scan_cost_bench autostart_bench
source scripts/wine-env.sh
source scripts/xvfb-env.sh
trap 'xvfb_env_stop; wine_env_stop; rm -rf "$scratch"' EXIT
xvfb_env_start
wine_env_start
wine build/windows/bin/checksum_bench.exe
wine build/windows/bin/registry_sections_bench.exe
wine build/windows/bin/autostart_bench.exe
wine build/windows/bin/sorted_section_bench.exe "Z:${scratch//\//\\}"
wine build/windows/bin/repeat_bench.exe "Z:${scratch//\//\\}\\repeat.txt"
wine build/windows/bin/scan_cost_bench.exe "Z:${scratch//\//\\}\\cost.txt"
