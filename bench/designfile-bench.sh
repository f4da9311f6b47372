#!/bin/sh
# Whole processes on large design files: `ovdesigner open`, `tree` and `save`
# of data modules of 5,000, 10,000 and 20,000 components (sessions,
# databases, datasets of every kind with update objects and data sources
# referring to each other), with `dfm --check` of the same file (the parser
# alone, no package) beside them. Rounds are interleaved; the table gives the
# median wall time, the median CPU time (user and system: on a busy machine
# the steadier figure) and the largest peak RSS of each. Linear loading shows
# as time per component staying flat as the files grow.
#
#   bench/designfile-bench.sh [BUILD [ROUNDS]] [--baseline OVDESIGNER]
#
# --baseline adds another ovdesigner (a build from before a change) to every
# round, so that before and after are measured under the same load; its
# lines are marked "(baseline)", and its output of each command is compared
# with ours once before timing.
set -eu

baseline=""
args=""
while [ $# -gt 0 ]; do
  case $1 in
  --baseline)
    baseline=$2
    shift 2
    ;;
  *)
    args="$args $1"
    shift
    ;;
  esac
done
# shellcheck disable=SC2086
set -- $args

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-7}
if [ ! -x "$build/bin/ovdesigner" ]; then
  echo "designfile-bench: $build/bin/ovdesigner is not built" >&2
  exit 1
fi
work=$(mktemp -d /tmp/ovdfm-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

if [ -n "$baseline" ] && [ ! -x "$baseline" ]; then
  echo "designfile-bench: the baseline $baseline is not a program" >&2
  exit 1
fi
/usr/bin/python3 - "$build/bin/ovdesigner" "$work" "$rounds" "$baseline" <<'PY'
import os, statistics, subprocess, sys, time

program, work, rounds, baseline = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
sizes = [5000, 10000, 20000]

def design(count):
    """A data module of count components: 10 sessions, 10 databases per
    session, then datasets cycling through table, query (with its update
    object and a data source), stored procedure and detail table."""
    out = ["object BenchModule: TDataModule\n"]
    def obj(name, cls, *props):
        out.append(f"  object {name}: {cls}\n")
        out.extend(f"    {p}\n" for p in props)
        out.append("  end\n")
    made = 0
    for s in range(10):
        obj(f"Session{s}", "TOVSession", f"SessionName = 'Sales{s}'")
        made += 1
    for d in range(100):
        obj(f"Database{d}", "TOVDatabase", f"DatabaseName = 'DB{d}'",
            f"SessionName = 'Sales{d // 10}'", f"RemoteDatabase = 'db{d}.db'")
        made += 1
    i = 0
    while made < count:
        db = f"DatabaseName = 'DB{i % 100}'"
        ses = f"SessionName = 'Sales{i % 100 // 10}'"
        kind = i % 5
        if kind == 0:
            obj(f"Table{i}", "TOVTable", db, ses, f"TableName = 'T{i}'")
            made += 1
        elif kind == 1 and made + 3 <= count:
            obj(f"Update{i}", "TOVUpdateSQL", "ModifySQL.Strings = (", f"  'update T{i} set A = :A')")
            obj(f"Query{i}", "TOVQuery", db, ses, "SQL.Strings = (", "  'select *'",
                f"  'from T{i}')", f"UpdateObject = Update{i}")
            obj(f"Source{i}", "TDataSource", f"DataSet = Query{i}")
            made += 3
        elif kind == 2:
            obj(f"Proc{i}", "TOVStoredProc", db, ses, f"StoredProcName = 'P{i}'")
            made += 1
        elif kind == 3 and i > 5:
            master = (i - 2) // 5 * 5 + 1
            obj(f"Detail{i}", "TOVTable", db, ses, f"TableName = 'D{i}'",
                f"MasterSource = Source{master}")
            made += 1
        else:
            obj(f"Table{i}", "TOVTable", db, ses, f"TableName = 'T{i}'")
            made += 1
        i += 1
    out.append("end\n")
    path = os.path.join(work, f"module{count}.dfm")
    with open(path, "w") as f:
        f.write("".join(out))
    return path

env = dict(os.environ, ORVANE_REGISTRY=os.path.join(work, "registry.ini"))
files = {n: design(n) for n in sizes}
jobs = []
contenders = [("", program)] + ([(" (baseline)", baseline)] if baseline else [])
for n in sizes:
    f = files[n]
    for mark, prog in contenders:
        jobs += [(n, "dfm --check" + mark, [prog, "dfm", f, "--check"]),
                 (n, "open" + mark, [prog, "open", f]),
                 (n, "tree" + mark, [prog, "tree", f]),
                 (n, "save" + mark, [prog, "save", f, os.path.join(work, f"out{n}{mark.strip()}.dfm")])]

def same_output(n, args):
    """Ours and the baseline's output of one command, byte for byte."""
    outs = []
    for i, prog in enumerate([program, baseline]):
        target = os.path.join(work, f"same{i}.dfm")
        cmd = [prog] + [target if a == "SAVED" else a for a in args]
        out = subprocess.run(cmd, env=env, stdout=subprocess.PIPE, check=True).stdout
        outs.append((out.replace(target.encode(), b"SAVED"),
                     open(target, "rb").read() if "SAVED" in args else b""))
    if outs[0] != outs[1]:
        sys.exit(f"designfile-bench: {' '.join(args)} of {n:,} components differs from the baseline's")

if baseline:
    for n in sizes:
        for args in (["open", files[n]], ["tree", files[n]], ["save", files[n], "SAVED"]):
            same_output(n, args)

def run(cmd):
    start = time.perf_counter()
    p = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(p.pid, 0)
    ms = (time.perf_counter() - start) * 1000.0
    err = p.stderr.read().decode(errors="replace")
    p.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"designfile-bench: {' '.join(cmd)} failed: {err.strip()}")
    return ms, (usage.ru_utime + usage.ru_stime) * 1000.0, usage.ru_maxrss / 1024.0

times = {j[:2]: [] for j in jobs}
cpus = {j[:2]: [] for j in jobs}
rss = {j[:2]: 0.0 for j in jobs}
for job in jobs:  # a warm-up round: page cache, ccache-free binaries mapped once
    run(job[2])
for _ in range(rounds):
    for n, name, cmd in jobs:
        ms, cpu, mib = run(cmd)
        times[(n, name)].append(ms)
        cpus[(n, name)].append(cpu)
        rss[(n, name)] = max(rss[(n, name)], mib)

print(f"\ndesign files, whole processes, median of {rounds} interleaved rounds")
print(f"{'command':<25}{'components':>11}{'wall':>12}{'CPU':>12}{'CPU/1,000':>12}{'peak RSS':>12}")
for n, name, _ in jobs:
    m = statistics.median(times[(n, name)])
    c = statistics.median(cpus[(n, name)])
    print(f"{name:<25}{n:>11,}{m:>9.1f} ms{c:>9.1f} ms{c * 1000 / n:>9.2f} ms"
          f"{rss[(n, name)]:>8.1f} MiB")
PY
