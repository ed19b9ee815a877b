#!/usr/bin/env bash
# The fleet in PostgreSQL, loaded from the NDJSON rows with COPY and the load script, holds the
# same history as the SQLite file and answers every question alike, byte for byte as CSV.
# usage: postgres_parity.sh SYSINFO-FLEET MAKE-FLEET SEED SQL-FOLDER [MACHINES SCANS]
# Needs a running server (PGHOST and friends, as scripts/postgres-env.sh sets them); exits 77
# (skipped) without one.
set -euo pipefail
fleet=$1 make_fleet=$2 seed=$3 sql=$4 machines=${5:-40} scans=${6:-5}
if [ -z "${PGHOST:-}" ]; then
  echo "no PostgreSQL server (PGHOST is not set): skipped"
  exit 77
fi
work=$(mktemp -d /tmp/sysinfo-fleet-parity.XXXXXX)
database=fleet_parity_$$
cleanup() {
  psql -q -d postgres -c "DROP DATABASE IF EXISTS $database" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

"$make_fleet" --seed "$seed" --machines "$machines" --scans "$scans" --out "$work/reports" \
  --random-seed 5 >/dev/null
"$fleet" ingest "$work/reports" --db "$work/fleet.sqlite" >/dev/null
"$fleet" rows "$work/reports" --out "$work/rows.ndjson"

# A C collation orders text byte by byte, as SQLite does.
psql -q -v ON_ERROR_STOP=1 -d postgres \
  -c "CREATE DATABASE $database TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'"
export PGDATABASE=$database
psql -q -v ON_ERROR_STOP=1 -f "$sql/postgres_tables.sql"
psql -q -v ON_ERROR_STOP=1 -f "$sql/postgres_load.sql" <"$work/rows.ndjson"

sqlite_ask() { "$fleet" ask --db "$work/fleet.sqlite" --csv "$@"; }
failed=0
same() {  # name, SQLite's answer file, PostgreSQL's answer file
  if cmp -s "$2" "$3"; then
    echo "same: $1 ($(($(wc -l <"$2") - 1)) rows)"
  else
    echo "DIFFERENT: $1"
    diff "$2" "$3" | head -20
    failed=1
  fi
}

# The tables themselves, but for the fields, which jsonb holds in its own member order.
for table in "machine ORDER BY 1" "scan ORDER BY 1, 2" "category_status ORDER BY 1, 2, 3" \
  "item_version ORDER BY 1, 2, 3, 6"; do
  columns='*'
  [[ $table == item_version* ]] &&
    columns='machine_id, category, item_key, fields_hash, first_seen, last_seen, gone_at'
  query="SELECT $columns FROM $table"
  sqlite_ask --sql "$query" >"$work/sqlite.csv"
  psql -q --csv -c "$query" >"$work/postgres.csv"
  same "table ${table%% *}" "$work/sqlite.csv" "$work/postgres.csv"
done

# Arguments taken from the fleet itself: its most common program, a machine with changes.
pick() { sqlite_ask --sql "$1" | sed -n 2p; }
program=$(pick "SELECT fields->>'DisplayName' FROM item_version WHERE category = 'Software'
                GROUP BY 1 ORDER BY COUNT(DISTINCT fields_hash) DESC, 1 LIMIT 1")
version=$(pick "SELECT fields->>'DisplayVersion' FROM item_version
                WHERE fields->>'DisplayName' = '${program//\'/\'\'}'
                ORDER BY version_key(fields->>'DisplayVersion') DESC LIMIT 1")
machine=$(pick "SELECT machine_id FROM item_version WHERE gone_at IS NOT NULL
                GROUP BY 1 ORDER BY COUNT(*) DESC, 1 LIMIT 1")
since=$(pick "SELECT scan_time FROM scan WHERE machine_id = '$machine' ORDER BY 1 LIMIT 1")

ask_both() {  # question, then its parameters as NAME=VALUE
  local question=$1 names=() values=()
  shift
  for pair in "$@"; do
    names+=(-v "$pair")
    values+=("${pair#*=}")
  done
  sqlite_ask "$question" "${values[@]}" >"$work/sqlite.csv"
  "$fleet" ask --show-sql "$question" | sed "s/:\([a-z]*\)/:'\1'/g" >"$work/question.sql"
  psql -q --csv -v ON_ERROR_STOP=1 "${names[@]}" -f "$work/question.sql" >"$work/postgres.csv"
  same "question $question" "$work/sqlite.csv" "$work/postgres.csv"
  if [ "$(wc -l <"$work/sqlite.csv")" -lt 2 ]; then
    echo "EMPTY: $question answered nothing on a fleet made to hold answers"
    failed=1
  fi
}
ask_both below-version "program=$program" "version=$version"
ask_both unsigned-autostart
ask_both changes "machine=$machine" "since=$since" "until=9999-12-31T23:59:59Z"
ask_both first-seen "program=$program"
ask_both how-many "program=%"
ask_both machines
exit $failed
