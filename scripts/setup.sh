#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need; does nothing when they are all present.
# `setup.sh programs` installs only what building and running the two Windows programs needs.
set -euo pipefail

programs=(cmake ninja-build
          mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine64 nlohmann-json3-dev)
tests=(g++ googletest clang libclang-rt-dev clang-format xvfb xauth xdotool imagemagick
       libvalijson-dev openssl osslsigncode)

packages=("${programs[@]}")
[ "${1:-all}" = programs ] || packages+=("${tests[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
