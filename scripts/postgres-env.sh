# Sourced by the scripts whose tests need PostgreSQL: a throw-away cluster in a temporary folder,
# reached only through its Unix socket there (no TCP port, so no clash with another run or the
# machine's own server), holding one database. PGHOST, PGDATABASE and PGUSER name it for psql.

# Runs one of the newest installed server's programs as the cluster's owner: initdb refuses to
# run as root, so under root the cluster belongs to `nobody`.
postgres_env_as_owner() {
  local program
  program=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n1)/$1
  shift
  if [ "$(id -u)" = 0 ]; then
    runuser -u nobody -- "$program" "$@"
  else
    "$program" "$@"
  fi
}

postgres_env_start() {
  POSTGRES_ENV_DIR=$(mktemp -d /tmp/sysinfo-postgres.XXXXXX)
  [ "$(id -u)" != 0 ] || chown nobody: "$POSTGRES_ENV_DIR"
  # Inside the folder: the owner may not be allowed into the caller's working folder.
  (
    set -e
    cd "$POSTGRES_ENV_DIR"
    postgres_env_as_owner initdb --pgdata=data --username=sysinfo --auth=trust --encoding=UTF8 \
      --locale=C --no-sync >/dev/null
    # Nothing here needs to survive a crash: no flush to disk.
    postgres_env_as_owner pg_ctl --pgdata=data --log=server.log --wait --silent start \
      --options="-c listen_addresses='' -k $POSTGRES_ENV_DIR -c fsync=off"
    postgres_env_as_owner createdb --host="$POSTGRES_ENV_DIR" --username=sysinfo sysinfo_test
  )
  export PGHOST=$POSTGRES_ENV_DIR PGDATABASE=sysinfo_test PGUSER=sysinfo
}

postgres_env_stop() {
  [ -n "${POSTGRES_ENV_DIR:-}" ] || return 0
  postgres_env_as_owner pg_ctl --pgdata="$POSTGRES_ENV_DIR/data" --mode=immediate --silent stop \
    2>/dev/null || true
  rm -rf "$POSTGRES_ENV_DIR"
  unset POSTGRES_ENV_DIR PGHOST PGDATABASE PGUSER
}
