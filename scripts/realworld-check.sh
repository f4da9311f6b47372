#!/bin/sh
# Tries `ovdesigner updatesql --all-tables --verify` on the public sample
# databases in ../shared/realworld (Chinook on SQLite, PostgreSQL and MariaDB,
# Sakila's SQLite and MySQL schemas and its PostgreSQL schema with data), with
# and without
# --quote, and prints one line per database: tables that passed, tables
# skipped with their reasons, failures. Exits 1 when any table fails.
#
#   scripts/realworld-check.sh [BUILD]
#
# PostgreSQL: the cluster ORVANE_TEST_PG names, else a throwaway one for the
# run; MariaDB likewise (ORVANE_TEST_MYSQL, else scripts/mysql-test-server.sh).
# The same check runs in the test suite (RealSchemas.*).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shared="$root/../shared/realworld"
designer="$build/bin/ovdesigner"
if [ ! -d "$shared" ]; then
  echo "realworld-check: $shared is absent" >&2
  exit 1
fi
if [ ! -x "$designer" ]; then
  echo "realworld-check: $designer is not built" >&2
  exit 1
fi

work=$(mktemp -d /tmp/ovrealworld.XXXXXX)
chmod 755 "$work"
cluster=""
myserver=""
cleanup() {
  if [ -n "$cluster" ]; then
    "$root/scripts/pg-test-cluster.sh" stop "$cluster" >/dev/null 2>&1 || true
  fi
  if [ -n "$myserver" ]; then
    "$root/scripts/mysql-test-server.sh" stop "$myserver" >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
if [ -z "${ORVANE_TEST_PG:-}" ]; then
  cluster="$work/pg"
  ORVANE_TEST_PG=$("$root/scripts/pg-test-cluster.sh" start "$cluster" | tail -1)
fi
if [ -z "${ORVANE_TEST_MYSQL:-}" ]; then
  myserver="$work/mysql"
  ORVANE_TEST_MYSQL=$("$root/scripts/mysql-test-server.sh" start "$myserver" | tail -1)
fi
mysocket=${ORVANE_TEST_MYSQL#*socket=}
export ORVANE_REGISTRY="$work/registry.ini"

# The cluster's URI with another database.
with_db() {
  printf '%s\n' "$ORVANE_TEST_PG" | sed -E "s#^([a-z]+://[^/]*)/[^?]*#\\1/$1#"
}
# The MariaDB server's URI with another database.
my_db() {
  printf '%s\n' "$ORVANE_TEST_MYSQL" | sed -E "s#^([a-z]+://[^/]*)/[^?]*#\\1/$1#"
}
# Loads a script that makes its own database FROM into the database TO.
my_load() {
  sed -E "s/\b$2\b/$3/g" "$1" >"$work/$3.sql"
  mariadb --no-defaults --socket="$mysocket" -uroot <"$work/$3.sql"
}
pg_load() {
  db=$1
  shift
  psql -q -X -v ON_ERROR_STOP=1 "$ORVANE_TEST_PG" -c "drop database if exists $db with (force)" \
    -c "create database $db" >/dev/null
  psql -q -X -v ON_ERROR_STOP=1 "$(with_db "$db")" "$@" >/dev/null
}

echo "realworld-check: loading the databases..." >&2
"$build/bin/ovsqlexec" "$work/chinook.db" "$shared/chinook/Chinook_Sqlite.sql"
"$build/bin/ovsqlexec" "$work/sakila.db" "$shared/sakila/sqlite-sakila-schema.sql"
grep -v -e '^DROP DATABASE' -e '^CREATE DATABASE' -e '^\\c ' \
  "$shared/chinook/Chinook_PostgreSql.sql" >"$work/chinook-pg.sql"
pg_load ovreal_chinook -f "$work/chinook-pg.sql"
pg_load ovreal_sakila -f "$shared/sakila/postgres-sakila-schema.sql" \
  -f "$shared/sakila/postgres-sakila-insert-data-using-copy.sql"
my_load "$shared/chinook/Chinook_MySql.sql" Chinook ovreal_chinook
my_load "$shared/sakila/mysql-sakila-schema.sql" sakila ovreal_sakila

failed=0
for target in "Chinook SQLite|sqlite:$work/chinook.db" "Sakila SQLite|sqlite:$work/sakila.db" \
  "Chinook PostgreSQL|$(with_db ovreal_chinook)" "Sakila PostgreSQL|$(with_db ovreal_sakila)" \
  "Chinook MariaDB|$(my_db ovreal_chinook)" "Sakila MariaDB|$(my_db ovreal_sakila)"; do
  name=${target%%|*}
  uri=${target#*|}
  for quote in "" --quote; do
    start=$(date +%s%N)
    rc=0
    "$designer" --json updatesql --connect "$uri" --all-tables --verify $quote \
      >"$work/out.json" 2>"$work/err.txt" || rc=$?
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    python3 - "$work/out.json" "$name${quote:+ $quote}" "$rc" "$ms" <<'EOF' || failed=1
import json, sys
path, name, rc, ms = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
data = json.load(open(path))
ok = [t for t in data["tables"] if t["verify"]["ok"]]
bad = [t for t in data["tables"] if not t["verify"]["ok"]]
ran = [t for t in ok if "note" not in t["verify"]]
# A table whose every row other tables refer to still runs refresh and modify
# on a row; only delete and insert are left prepared.
referenced = [t for t in ok if "foreign keys refer" in t["verify"].get("note", "")]
empty = len(ok) - len(ran) - len(referenced)
reasons = {}
for s in data["skipped"]:
    reasons.setdefault(s["reason"], []).append(s["table"])
print(f"{name}: {len(ok)} tables ok ({len(ran)} run on a row, {len(referenced)} refresh and "
      f"modify only as every row is referenced, {empty} prepared only as empty), {len(bad)} "
      f"failed, {len(data['skipped'])} skipped, {ms} ms")
for reason, tables in sorted(reasons.items()):
    print(f"  skipped ({reason}): {', '.join(tables)}")
for t in bad:
    print(f"  FAILED {t['table']}: {t['verify']['error']}")
sys.exit(1 if bad or rc != 0 else 0)
EOF
  done
done
for db in ovreal_chinook ovreal_sakila; do
  psql -q -X "$ORVANE_TEST_PG" -c "drop database if exists $db with (force)" >/dev/null
  mariadb --no-defaults --socket="$mysocket" -uroot -e "drop database if exists $db"
done
exit $failed
