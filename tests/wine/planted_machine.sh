#!/usr/bin/env bash
# Runs the runner's redaction test again on a machine named like an ordinary word ("OFFICE") in a
# DNS domain. Wine takes both names from the host's, set here in a UTS namespace of the test's
# own (root and unshare needed; skipped, exit 77, where they are missing), with a Wine prefix
# and server of its own.
# usage: planted_machine.sh WINE_TESTS.EXE
set -euo pipefail
tests=$(realpath "$1")
if [ "$(id -u)" != 0 ] || ! unshare --uts true 2>/dev/null; then
  echo "planted_machine: no UTS namespace here, skipped"
  exit 77
fi
exec unshare --uts bash -c '
  set -euo pipefail
  hostname OFFICE.corp.qzexample.net
  export SYSINFO_PLANTED_COMPUTER=OFFICE WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX=$(mktemp -d /tmp/sysinfo-planted.XXXXXX)
  trap "wineserver -k 2>/dev/null || true; rm -rf \"\$WINEPREFIX\"" EXIT
  wineboot --init >/dev/null 2>&1 || true
  # One server kept alive for the whole run, as scripts/wine-env.sh keeps it: without it every
  # program starts a server of its own, and the services it asks (BITS) take seconds each time.
  wineserver -p &
  wineserver -w 2>/dev/null || true
  wine "$1" --gtest_filter=Runner.RedactedReportsHoldNoIdentifyingValue
' planted "$tests" </dev/null
