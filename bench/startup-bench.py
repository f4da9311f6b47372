#!/usr/bin/python3
"""ovdesigner as a person runs it, whole processes side by side with the floor.

For each job, interleaved rounds of `ovdesigner` and of a floor doing the same
work (`/bin/true` for start-up alone; updatesql-floor-sqlite / -pg for the
UpdateSQL jobs: the same catalog questions through the C client libraries and
the same text by plain string building; updatesql-floor-mysql on MariaDB),
then the median wall time of each, the ratio, and the median peak RSS of three
more runs (/usr/bin/time). The floor's output is compared with the command's
once before timing. On MySQL the command is also set against SQLAlchemy's
Inspector (pymysql) as a whole process on the same 2,000 tables.

  bench/startup-bench.py [BUILD] [--rounds N] [--baseline OVDESIGNER] [--only TEXT]
                         [--drop-caches]

--baseline adds another ovdesigner (a build from before a change) to every
round, so that before and after are measured under the same load. --only runs
the jobs whose name holds TEXT (e.g. "--out"). PostgreSQL:
the cluster ORVANE_TEST_PG names, else a throwaway one for the run; MariaDB:
the server ORVANE_TEST_MYSQL names, else a throwaway one (skipped with a note
when none is installed). The benchmark reports; it fails only when a
contender fails.

--drop-caches (root) empties the page cache once the databases are made, so
that every program and library is read back the same way. Without it, files
just written by the linker sit in the cache as they were written, and mapping
them costs more than mapping the system's libraries, which were read ahead:
freshly built binaries then measure up to ~0.6 ms a start slower than the
same files after a reboot.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from urllib.parse import parse_qs, urlsplit, urlunsplit

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "bench"))
import updatesql_sqlalchemy as schema  # noqa: E402  the 2,000-table databases
TABLES = schema.TABLES
WIDE = 1500
DESIGN_SIZES = (5000, 10000, 20000)


def spawn(args, env, out="/dev/null"):
    """Runs one process to its end: wall ms and exit code."""
    actions = [(os.POSIX_SPAWN_OPEN, 0, "/dev/null", os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 1, out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
               (os.POSIX_SPAWN_OPEN, 2, "/dev/null", os.O_WRONLY, 0)]
    start = time.perf_counter()
    pid = os.posix_spawn(args[0], args, env, file_actions=actions)
    _, status = os.waitpid(pid, 0)
    return (time.perf_counter() - start) * 1000.0, os.waitstatus_to_exitcode(status)


def peak_rss(args, env, work):
    """The process's peak RSS in MiB, as /usr/bin/time reads it. (A child of
    this script would count the script's own pages from before its exec.)"""
    report = os.path.join(work, "rss.txt")
    spawn(["/usr/bin/time", "-f", "%M", "-o", report] + args, env)
    with open(report) as f:
        return int(f.read().split()[-1]) / 1024.0


def with_database(uri, database):
    parts = urlsplit(uri)
    return urlunsplit((parts.scheme, parts.netloc, "/" + database, parts.query, ""))


def wide_ddl():
    cols = ", ".join(f"c{i:04d} " + ("integer not null" if i <= 3 else "varchar(20)")
                     for i in range(1, WIDE + 1))
    return f"create table wide1500 ({cols}, primary key (c0001, c0002, c0003))"


def drop_pg(uri, dbnames):
    try:
        import psycopg2
        admin = psycopg2.connect(uri)
        admin.autocommit = True
        with admin.cursor() as cur:
            for name in dbnames:
                cur.execute(f"drop database if exists {name} with (force)")
        admin.close()
    except Exception:  # the cluster may be gone already
        pass


def make_design(path, components):
    """A data module of one database and query/update object pairs: every
    query names the database and its update object, as designs do."""
    lines = ["object BenchData: TDataModule", "  Height = 480", "  Width = 640",
             "  object OVDatabase1: TOVDatabase", "    DatabaseName = 'bench'",
             "    LoginPrompt = False", "  end"]
    for i in range(1, (components - 1) // 2 + 1):
        lines += [f"  object Query{i}: TOVQuery", "    DatabaseName = 'bench'",
                  "    SQL.Strings = (", f"      'select * from t{i % TABLES:04d}')",
                  f"    UpdateObject = Update{i}", f"    Left = {i % 600}", f"    Top = {i % 400}",
                  "  end", f"  object Update{i}: TOVUpdateSQL", f"    Left = {i % 600}",
                  f"    Top = {i % 400 + 40}", "  end"]
    lines.append("end")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


class Job:
    def __init__(self, name, ours, floor, floor_name, same_output=False):
        self.name, self.ours, self.floor = name, ours, floor
        self.floor_name, self.same_output = floor_name, same_output


def first_difference(a, b):
    with open(a, "rb") as fa, open(b, "rb") as fb:
        la, lb = fa.read().split(b"\n"), fb.read().split(b"\n")
    for n, (x, y) in enumerate(zip(la, lb), 1):
        if x != y:
            return f"line {n}"
    return None if len(la) == len(lb) else f"line {min(len(la), len(lb)) + 1}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build", nargs="?", default=os.path.join(ROOT, "build"))
    ap.add_argument("--rounds", type=int, default=int(os.environ.get("OV_BENCH_ROUNDS", "11")))
    ap.add_argument("--baseline", help="another ovdesigner, measured in the same rounds")
    ap.add_argument("--only", help="only the jobs whose name holds this text")
    ap.add_argument("--drop-caches", action="store_true",
                    help="empty the page cache before timing (root)")
    opts = ap.parse_args()
    build = os.path.abspath(opts.build)
    ov = os.path.join(build, "bin", "ovdesigner")
    floor_sqlite = os.path.join(build, "bin", "updatesql-floor-sqlite")
    floor_pg = os.path.join(build, "bin", "updatesql-floor-pg")
    floor_my = os.path.join(build, "bin", "updatesql-floor-mysql")
    for f in (ov,) if opts.only else (ov, floor_sqlite, floor_pg):
        if not os.access(f, os.X_OK):
            sys.exit(f"startup-bench: {f} is not built (cmake -DOV_BUILD_BENCH=ON, then build)")

    work = tempfile.mkdtemp(prefix="ovstartup-bench.")
    os.chmod(work, 0o755)  # the cluster's user must reach its folder
    cluster = None
    pg_uri = os.environ.get("ORVANE_TEST_PG", "")
    pgdb, pgwide = f"ovstart_bench_{os.getpid()}", f"ovstart_wide_{os.getpid()}"
    my_uri = os.environ.get("ORVANE_TEST_MYSQL", "")
    my_server, mydb = None, f"ovstart_bench_{os.getpid()}"
    want_mysql = (not opts.only or "MySQL" in opts.only) and os.access(floor_my, os.X_OK)
    try:
        if not pg_uri:
            cluster = os.path.join(work, "pg")
            pg_uri = subprocess.run([os.path.join(ROOT, "scripts", "pg-test-cluster.sh"), "start",
                                     cluster], check=True, capture_output=True,
                                    text=True).stdout.strip().splitlines()[-1]
        env = dict(os.environ, ORVANE_REGISTRY=os.path.join(work, "registry.ini"),
                   ORVANE_TEST_PG=pg_uri)
        # The command line needs no display: none is offered.
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
            env.pop(name, None)

        print("startup-bench: making the databases and design files...", file=sys.stderr)
        db, wide = os.path.join(work, "bench.db"), os.path.join(work, "wide.db")
        schema.make_sqlite(db)
        pg_jobs = ("updatesql one table, PostgreSQL", "updatesql --all-tables, PostgreSQL",
                   "one table of 1,500 columns, PostgreSQL")
        if not opts.only or any(opts.only in name for name in pg_jobs):
            schema.make_pg(pg_uri, pgdb)
            schema.make_pg(pg_uri, pgwide, [wide_ddl()])
        schema.make_sqlite(wide, [wide_ddl()])
        if want_mysql and not my_uri:
            my_server = os.path.join(work, "mysql")
            started = subprocess.run([os.path.join(ROOT, "scripts", "mysql-test-server.sh"),
                                      "start", my_server], capture_output=True, text=True)
            if started.returncode == 0:
                my_uri = started.stdout.strip().splitlines()[-1]
            else:
                print("startup-bench: no MariaDB server, the MySQL jobs are left out: " +
                      started.stderr.strip(), file=sys.stderr)
                my_server = None
        if want_mysql and my_uri:
            # InnoDB makes a file per table: the slowest part of the set-up.
            schema.make_mysql(my_uri, mydb)
            env["ORVANE_TEST_MYSQL"] = my_uri
        designs = {}
        for n in DESIGN_SIZES:
            designs[n] = os.path.join(work, f"design{n}.dfm")
            make_design(designs[n], n)

        pg_all, pg_wide = with_database(pg_uri, pgdb), with_database(pg_uri, pgwide)
        out_dir = os.path.join(work, "out")
        jobs = [
            Job("--help", ["--help"], ["/bin/true"], "/bin/true"),
            Job("package-info", ["package-info"], ["/bin/true"], "/bin/true"),
            Job("updatesql one table, SQLite",
                ["updatesql", "--connect", "sqlite:" + db, "--table", "t0001"],
                [floor_sqlite, db, "t0001"], "floor", True),
            Job("updatesql one table, PostgreSQL",
                ["updatesql", "--connect", pg_all, "--table", "t0001"],
                [floor_pg, pg_uri, pgdb, "t0001"], "floor", True),
            Job("updatesql --all-tables, SQLite",
                ["updatesql", "--connect", "sqlite:" + db, "--all-tables"],
                [floor_sqlite, db], "floor", True),
            Job("updatesql --all-tables, PostgreSQL",
                ["updatesql", "--connect", pg_all, "--all-tables"],
                [floor_pg, pg_uri, pgdb], "floor", True),
            Job("one table of 1,500 columns, SQLite",
                ["updatesql", "--connect", "sqlite:" + wide, "--table", "wide1500"],
                [floor_sqlite, wide, "wide1500"], "floor", True),
            Job("one table of 1,500 columns, PostgreSQL",
                ["updatesql", "--connect", pg_wide, "--table", "wide1500"],
                [floor_pg, pg_uri, pgwide, "wide1500"], "floor", True),
        ]
        if want_mysql and my_uri:
            my_all = with_database(my_uri, mydb)
            my_socket = parse_qs(urlsplit(my_uri).query).get("socket", [""])[0]
            jobs += [
                Job("updatesql one table, MySQL",
                    ["updatesql", "--connect", my_all, "--table", "t0001"],
                    [floor_my, my_socket, mydb, "t0001"], "floor", True),
                Job("updatesql --all-tables, MySQL",
                    ["updatesql", "--connect", my_all, "--all-tables"],
                    [floor_my, my_socket, mydb], "floor", True),
                # What checking the statements on the server adds: every
                # statement prepared, a first row of every table read.
                Job("--all-tables --verify, MySQL",
                    ["updatesql", "--connect", my_all, "--all-tables", "--verify"],
                    [ov, "updatesql", "--connect", my_all, "--all-tables"], "no --verify"),
                Job("--all-tables, MySQL, against SQLAlchemy",
                    ["updatesql", "--connect", my_all, "--all-tables"],
                    [sys.executable, os.path.join(ROOT, "bench", "updatesql_sqlalchemy.py"),
                     "run", schema.sqlalchemy_mysql_url(my_uri, mydb), "1"],
                    "SQLAlchemy Inspector (pymysql)"),
            ]
        jobs += [
            Job("--all-tables --out DIR, SQLite",
                ["updatesql", "--connect", "sqlite:" + db, "--all-tables", "--out", out_dir],
                [ov, "updatesql", "--connect", "sqlite:" + db, "--all-tables"],
                "no --out"),
            # The same 2,000 files written the same way by the floor
            # (temporaries, one syncfs, renames, one folder sync): what the
            # file system itself costs here.
            Job("--out DIR against the floor's --out, SQLite",
                ["updatesql", "--connect", "sqlite:" + db, "--all-tables", "--out", out_dir],
                [floor_sqlite, "--out", out_dir, db], "floor --out"),
        ]
        for n in DESIGN_SIZES:
            jobs.append(Job(f"open, {n:,} components", ["open", designs[n]], ["/bin/true"],
                            "/bin/true"))

        jobs = [j for j in jobs if not opts.only or opts.only in j.name]
        if opts.drop_caches:
            os.sync()
            try:
                with open("/proc/sys/vm/drop_caches", "w") as f:
                    f.write("3\n")
            except OSError as e:
                print(f"startup-bench: cannot empty the page cache ({e.strerror}); "
                      "timing with it as it is", file=sys.stderr)
        contenders = [("ours", ov)] + ([("baseline", opts.baseline)] if opts.baseline else [])
        rows = []
        for job in jobs:
            note = ""
            if job.same_output:
                a, b = os.path.join(work, "ours.txt"), os.path.join(work, "floor.txt")
                spawn([ov] + job.ours, env, a)
                spawn(job.floor, env, b)
                diff = first_difference(a, b)
                note = "same output" if diff is None else f"output differs at {diff}"
            # The slow jobs (seconds a run) get a third of the rounds.
            slow = ("components" in job.name or "--out" in job.ours or
                    "--verify" in job.ours or "SQLAlchemy" in job.name)
            rounds = max(3, opts.rounds // 3) if slow else opts.rounds
            runs = [(k, [exe] + job.ours) for k, exe in contenders] + [("floor", job.floor)]
            times = {k: [] for k, _ in runs}
            for _ in range(rounds):
                for key, args in runs:
                    if "--out" in job.ours:
                        shutil.rmtree(out_dir, ignore_errors=True)
                    ms, code = spawn(args, env)
                    if code != 0:
                        raise SystemExit(f"startup-bench: {job.name}: {' '.join(args)} "
                                         f"exited with {code}")
                    times[key].append(ms)
            med = {k: statistics.median(v) for k, v in times.items()}
            mrss = {k: statistics.median(peak_rss(args, env, work)
                                         for _ in range(1 if slow else 3))
                    for k, args in runs}
            rows.append((job, med, mrss, note))
            print(f"startup-bench: {job.name}: {med['ours']:.1f} ms", file=sys.stderr)

        print()
        print(f"whole processes, median of interleaved rounds ({opts.rounds}; --out and open: "
              f"{max(3, opts.rounds // 3)})")
        head = f"{'job':42} {'ovdesigner':>11}"
        if opts.baseline:
            head += f" {'baseline':>11}"
        head += f" {'floor':>10} {'ratio':>7} {'RSS MiB':>8}"
        if opts.baseline:
            head += f" {'baseline':>8}"
        head += f" {'floor':>6}  floor is"
        print(head)
        for job, med, mrss, note in rows:
            line = f"{job.name:42} {med['ours']:8.1f} ms"
            if opts.baseline:
                line += f" {med['baseline']:8.1f} ms"
            ratio = med["ours"] / med["floor"] if med["floor"] > 0 else float("nan")
            line += f" {med['floor']:7.1f} ms {ratio:6.2f}x {mrss['ours']:8.1f}"
            if opts.baseline:
                line += f" {mrss['baseline']:8.1f}"
            line += f" {mrss['floor']:6.1f}  {job.floor_name}"
            if note:
                line += f"; {note}"
            print(line)
        for job, med, _, _ in rows:
            if "SQLAlchemy" in job.name:
                print(f"MySQL --all-tables: SQLAlchemy's Inspector took "
                      f"{med['floor'] / med['ours']:.1f}x as long as ovdesigner (target >= 20x)")
        opened = [r for r in rows if "components" in r[0].name]
        if len(opened) >= 2:
            (j0, m0, _, _), (j1, m1, _, _) = opened[0], opened[-1]
            grow = (m1["ours"] - m1["floor"]) / max(m0["ours"] - m0["floor"], 1e-9)
            size = DESIGN_SIZES[-1] / DESIGN_SIZES[0]
            print(f"open: {size:.0f}x the components took {grow:.1f}x the time (linear: {size:.0f}x)")
        print("load average:", " ".join(f"{x:.2f}" for x in os.getloadavg()))
    finally:
        drop_pg(pg_uri, [pgdb, pgwide])
        if my_uri and not my_server:
            try:
                schema.drop_mysql(my_uri, [mydb])
            except Exception:  # the server may be gone already
                pass
        if my_server:
            subprocess.run([os.path.join(ROOT, "scripts", "mysql-test-server.sh"), "stop",
                            my_server], capture_output=True)
        if cluster:
            subprocess.run([os.path.join(ROOT, "scripts", "pg-test-cluster.sh"), "stop", cluster],
                           capture_output=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
