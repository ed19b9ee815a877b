# Sourced by the scripts that run Windows programs: a throw-away Wine prefix and a kept-alive
# wineserver, so no run depends on an earlier one and each Wine process starts in ~0.2 s.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
WINEPREFIX=$(mktemp -d /tmp/sysinfo-wine.XXXXXX)
export WINEPREFIX

wine_env_start() {
  wineboot --init >/dev/null 2>&1 || true
  wineserver -p &
  wineserver -w 2>/dev/null || true   # returns at once: the persistent server is running
}

wine_env_stop() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
