#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, and fetches the SQLite source the Windows
# build compiles in; does nothing when they are all present.
# `setup.sh programs` installs only what building and running the Windows programs needs.
set -euo pipefail
cd "$(dirname "$0")/.."

programs=(cmake ninja-build
          mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine64 nlohmann-json3-dev)
# The native build links the system's SQLite; the fleet tests load data into a throw-away
# PostgreSQL server (scripts/postgres-env.sh).
tests=(g++ googletest clang libclang-rt-dev clang-format xvfb xauth xdotool imagemagick
       libvalijson-dev openssl osslsigncode libsqlite3-dev sqlite3 postgresql)

packages=("${programs[@]}")
[ "${1:-all}" = programs ] || packages+=("${tests[@]}")
# npm fetches the SQLite source below; a machine whose Node.js came from elsewhere has it already.
command -v npm >/dev/null || packages+=(npm)

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

# SQLite for the Windows build, compiled from its one-file source (SQLite 3.53.2). The npm package
# better-sqlite3 ships that source; it is pinned by version and by checksum, so a changed package
# is refused rather than built in. The two files land in build/deps/sqlite3/ (cmake/sqlite3.cmake).
sqlite_package=better-sqlite3@12.11.1
sqlite_package_sha256=ebf0ed75a7a59dbcb3b24bbd014ef49d9f15bc328e4adcbf516f2a8fadfa2835
sqlite_source_sha256="60d2f39a3726cd6b9021da6f4e868608d66fbb6528a9f513dc8ffcc640493422  sqlite3.c
9e69a1353a4288450b0d5239ede11fc7f1f4c8e5eb07491fc8317eacb5b7de7e  sqlite3.h"
sqlite_dir=build/deps/sqlite3

sqlite_source_present() {
  (cd "$sqlite_dir" 2>/dev/null && sha256sum --check --status <<<"$sqlite_source_sha256")
}

if ! sqlite_source_present; then
  echo "setup: fetching the SQLite source from $sqlite_package"
  download=$(mktemp -d)
  trap 'rm -rf "$download"' EXIT
  npm pack --silent --pack-destination "$download" "$sqlite_package" >/dev/null
  tarball=("$download"/*.tgz)
  if ! sha256sum --check --status <<<"$sqlite_package_sha256  ${tarball[0]}"; then
    echo "setup: ${tarball[0]##*/} does not have the SHA-256 written in scripts/setup.sh" >&2
    exit 1
  fi
  mkdir -p "$sqlite_dir"
  tar -xzf "${tarball[0]}" --touch -C "$sqlite_dir" --strip-components=3 \
    package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h
  sqlite_source_present || { echo "setup: the SQLite source in $sqlite_dir does not match" >&2; exit 1; }
fi
