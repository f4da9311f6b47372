#!/bin/sh
# `ovdesigner updatesql --all-tables` over 2,000 tables of 12 columns on SQLite
# and PostgreSQL, side by side in one run with SQLAlchemy 1.4 (Inspector
# reflection and statement compilation) and with the floor (the same catalog
# queries through the sqlite3 / libpq C APIs, statements by plain string
# building); then the whole dialog for one table of 1,500 columns. Prints a
# table.
#
#   bench/updatesql-bench.sh [BUILD]
#
# BUILD (default: build) must hold the benchmarks (cmake -DOV_BUILD_BENCH=ON,
# or `make bench`). PostgreSQL: the cluster ORVANE_TEST_PG names, else a
# throwaway one for the run.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
py=/usr/bin/python3
for f in "$build/bin/UpdateSQLBench" "$build/bin/ovdesigner"; do
  if [ ! -x "$f" ]; then
    echo "updatesql-bench: $f is not built (cmake -DOV_BUILD_BENCH=ON, then build it)" >&2
    exit 1
  fi
done

work=$(mktemp -d /tmp/ovupd-bench.XXXXXX)
# The cluster runs as an unprivileged user, who must reach its folder.
chmod 755 "$work"
cluster=""
pgdb=ovupd_bench_$$
cleanup() {
  if [ -n "${ORVANE_TEST_PG:-}" ]; then
    "$py" -c "import psycopg2, sys
c = psycopg2.connect(sys.argv[1]); c.autocommit = True
c.cursor().execute('drop database if exists $pgdb with (force)')" "$ORVANE_TEST_PG" 2>/dev/null || true
  fi
  if [ -n "$cluster" ]; then
    "$root/scripts/pg-test-cluster.sh" stop "$cluster" >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${ORVANE_TEST_PG:-}" ]; then
  cluster="$work/pg"
  ORVANE_TEST_PG=$("$root/scripts/pg-test-cluster.sh" start "$cluster" | tail -1)
fi
export ORVANE_TEST_PG

echo "updatesql-bench: making the databases (2,000 tables each)..." >&2
"$py" "$root/bench/updatesql_sqlalchemy.py" make-sqlite "$work/bench.db"
"$py" "$root/bench/updatesql_sqlalchemy.py" make-pg "$ORVANE_TEST_PG" "$pgdb"

echo "updatesql-bench: the runtime and the floor (Google Benchmark)..." >&2
ORVANE_BENCH_SQLITE="$work/bench.db" ORVANE_BENCH_PG_DB="$pgdb" \
  "$build/bin/UpdateSQLBench" --benchmark_out="$work/cpp.json" --benchmark_out_format=json \
  >/dev/null

echo "updatesql-bench: SQLAlchemy and the command end to end..." >&2
"$py" - "$build" "$work" "$ORVANE_TEST_PG" "$pgdb" "$root/bench/updatesql_sqlalchemy.py" <<'EOF'
import json, os, subprocess, sys, time
from urllib.parse import urlsplit, urlunsplit

build, work, pg_uri, pgdb, sa_script = sys.argv[1:6]
parts = urlsplit(pg_uri)
pg_db_uri = urlunsplit((parts.scheme, parts.netloc, "/" + pgdb, parts.query, ""))
sa_pg = urlunsplit(("postgresql+psycopg2", parts.netloc, "/" + pgdb, parts.query, ""))

def sqlalchemy(url):
    out = subprocess.run(["/usr/bin/python3", sa_script, "run", url, "3"], check=True,
                         capture_output=True, text=True).stdout
    return json.loads(out)["ms"]

def command(uri):
    """The command as a person runs it: process start, package load, connect,
    every table, the output; best of three, wall time."""
    best = None
    env = dict(os.environ, ORVANE_REGISTRY=os.path.join(work, "registry.ini"))
    for _ in range(3):
        start = time.perf_counter()
        subprocess.run([os.path.join(build, "bin", "ovdesigner"), "updatesql", "--connect", uri,
                        "--all-tables"], check=True, env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        ms = (time.perf_counter() - start) * 1000.0
        best = ms if best is None else min(best, ms)
    return best

with open(os.path.join(work, "cpp.json")) as f:
    runs = {b["name"].split("/")[0]: b for b in json.load(f)["benchmarks"]}

def real(name):
    b = runs.get(name)
    return b["real_time"] if b and not b.get("error_occurred") else float("nan")

def cpu(name):
    b = runs.get(name)
    return b["cpu_time"] if b and not b.get("error_occurred") else float("nan")

sqlite_uri = "sqlite:" + os.path.join(work, "bench.db")
rows = {
    "ours": (real("BM_SQLite_AllTables"), real("BM_Pg_AllTables")),
    "ours_cpu": (cpu("BM_SQLite_AllTables"), cpu("BM_Pg_AllTables")),
    "command": (command(sqlite_uri), command(pg_db_uri)),
    "floor_batch": (real("BM_SQLite_Floor_Batch"), real("BM_Pg_Floor_Batch")),
    "floor_per_table": (real("BM_SQLite_Floor_PerTable"), real("BM_Pg_Floor_PerTable")),
    "sqlalchemy": (sqlalchemy("sqlite:///" + os.path.join(work, "bench.db")), sqlalchemy(sa_pg)),
    "dialog": (real("BM_SQLite_DialogFlow1500"), real("BM_Pg_DialogFlow1500")),
}

def ms(v):
    return f"{v:10.1f} ms"

print()
print("updatesql --all-tables, 2,000 tables of 12 columns" + " " * 14 + "SQLite   PostgreSQL")
print(f"  runtime + dialog, in process (wall)                  {ms(rows['ours'][0])}  {ms(rows['ours'][1])}")
print(f"  runtime + dialog, in process (CPU)                   {ms(rows['ours_cpu'][0])}  {ms(rows['ours_cpu'][1])}")
print(f"  the command, process start to exit                   {ms(rows['command'][0])}  {ms(rows['command'][1])}")
print(f"  floor, one catalog query for all tables              {ms(rows['floor_batch'][0])}  {ms(rows['floor_batch'][1])}")
print(f"  floor, catalog queries per table                     {ms(rows['floor_per_table'][0])}  {ms(rows['floor_per_table'][1])}")
print(f"  SQLAlchemy Inspector + compilation                   {ms(rows['sqlalchemy'][0])}  {ms(rows['sqlalchemy'][1])}")
print()
o, s = rows["ours"], rows["sqlalchemy"]
fb, fp = rows["floor_batch"], rows["floor_per_table"]
print("ratios (in process, wall)                                  SQLite   PostgreSQL")
print(f"  SQLAlchemy / ours            (target >= 20)          {s[0]/o[0]:10.1f}x {s[1]/o[1]:10.1f}x")
print(f"  ours / floor, per-table      (SQLite target <= 1.5)  {o[0]/fp[0]:10.2f}x {o[1]/fp[1]:10.2f}x")
print(f"  ours / floor, one query      (PostgreSQL <= 1.5)     {o[0]/fb[0]:10.2f}x {o[1]/fb[1]:10.2f}x")
print()
print("the whole dialog, one table of 1,500 columns, key of 3     SQLite   PostgreSQL")
print(f"  open, parse, fields, keys, generate, OK (< 50 ms)    {ms(rows['dialog'][0])}  {ms(rows['dialog'][1])}")
print()
print("load average:", " ".join(f"{x:.2f}" for x in os.getloadavg()))
EOF
