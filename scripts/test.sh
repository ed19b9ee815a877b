#!/usr/bin/env bash
# Builds both presets and runs every test: the portable core natively, then everything under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

bash scripts/build.sh host
ctest --preset host

bash scripts/build.sh windows
source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start
Xvfb :97 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; wine_env_stop' EXIT
export DISPLAY=:97
ctest --preset windows
