#!/usr/bin/env bash
# Builds both presets and runs every test: the portable core natively, then everything under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

bash scripts/build.sh host
ctest --preset host

bash scripts/build.sh windows
source scripts/wine-env.sh
source scripts/xvfb-env.sh
trap 'xvfb_env_stop; wine_env_stop' EXIT
xvfb_env_start
wine_env_start
ctest --preset windows
