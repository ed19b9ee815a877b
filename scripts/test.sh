#!/usr/bin/env bash
# Checks the include layers and the layout, then builds every preset and runs every test: the
# portable core natively (plain, then under sanitizers, then the fuzz targets), then under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# The code's shape first: includes run downward only, and every file is laid out as
# .clang-format says.
bash scripts/layers.sh
bash scripts/format.sh

bash scripts/build.sh host
# The fleet's PostgreSQL test loads the SQLite file's data into a throw-away server, found through
# PGHOST and PGDATABASE; psql must reach it as the test will. Its SQL is the same under the
# sanitizers, so it runs once, here.
source scripts/postgres-env.sh
trap postgres_env_stop EXIT
postgres_env_start
psql --no-psqlrc --quiet --command='select 1' >/dev/null
ctest --preset host
postgres_env_stop
trap - EXIT

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer, then every fuzz target
# over its seeds and a fixed number of new inputs.
bash scripts/build.sh host-sanitize
ctest --preset host-sanitize -E fleet_postgres_parity
# Under ThreadSanitizer: the threads that hash a file side by side and the blocks written in
# order while others are still being filled.
bash scripts/build.sh host-tsan
ctest --preset host-tsan -E fleet_postgres_parity
bash scripts/fuzz.sh

bash scripts/build.sh windows
# What the programs ask of the Windows loader: KnownDLLs imported only, ASLR, NX, stack protector.
bash scripts/check-programs.sh build/windows/bin/sysinfo.exe build/windows/bin/sysinfo-report.exe \
  build/windows/bin/sysinfo-fleet.exe
# The download: a clean build of the committed source in another folder gives these same programs,
# and the zip made twice is the same bytes. It builds while Wine runs the tests below, which keep
# one processor of two busy; its report follows theirs.
package_log=build/package-check.log
bash scripts/package.sh --check >"$package_log" 2>&1 &
package=$!
source scripts/wine-env.sh
source scripts/xvfb-env.sh
trap 'xvfb_env_stop; wine_env_stop' EXIT
xvfb_env_start
wine_env_start
ctest --preset windows
package_status=0
wait "$package" || package_status=$?
cat "$package_log"
exit "$package_status"
