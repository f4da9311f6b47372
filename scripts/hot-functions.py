#!/usr/bin/python3
"""Lists the functions a command runs, for the linker to put side by side.

  scripts/hot-functions.py [BUILD]     (default: build)

Runs the usual commands of `ovdesigner` under callgrind (valgrind; install it
with `scripts/setup.sh hot`) on small databases made for the purpose, and
writes cmake/HotCode.ld: the code sections of every function of our
libraries and of the host that one of them ran, most shared first. Linked with
it, the code a start runs lies together at the front of each library instead
of spread across all of it, so a command maps a few stretches of each library
rather than nearly every one, and tears down as many at its end.

The build must be configured as usual (each function in a section of its own).
SQLite jobs always run; the PostgreSQL and MySQL jobs run when ORVANE_TEST_PG
and ORVANE_TEST_MYSQL name a server (as for the tests), else their drivers'
code stays where it is. A name that no longer exists is passed over by the
linker, so a stale list costs only what it no longer covers: run this again
after larger changes and commit the list.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
from urllib.parse import urlsplit, urlunsplit

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "bench"))
import updatesql_sqlalchemy as schema  # noqa: E402  table definitions, server set-up

OURS = ("libovplatform60.so", "liborvane60.so", "libdclorvane60.so", "/ovdesigner")
TABLES = 24
WIDE = 300
# A section name the linker script can hold as it stands.
PLAIN = re.compile(r"^[A-Za-z_][A-Za-z0-9_.]*$")


def executed(profile):
    """The functions of our binaries that ran, from a callgrind profile (names
    not demangled), in the order the profile lists them."""
    objects, functions, names, current = {}, {}, [], None
    with open(profile) as f:
        for line in f:
            m = re.match(r"^(c?ob)=\((\d+)\)(?: (.*))?$", line.rstrip("\n"))
            if m:
                if m.group(3):
                    objects[m.group(2)] = m.group(3)
                if m.group(1) == "ob":
                    current = objects[m.group(2)]
                continue
            m = re.match(r"^(c?fn)=\((\d+)\)(?: (.*))?$", line.rstrip("\n"))
            if m:
                if m.group(3):
                    functions[m.group(2)] = m.group(3)
                if m.group(1) == "fn" and current and current.endswith(OURS):
                    # callgrind marks a function seen again inside a cycle: f'2
                    names.append(re.sub(r"'\d+$", "", functions[m.group(2)]))
    return names


def sections(name):
    """The code sections a function's body may be in: a complete-object
    constructor or destructor is often an alias of the base-object one."""
    result = [name]
    alias = re.sub(r"([CD])1E", r"\g<1>2E", name, count=1)
    if alias != name:
        result.append(alias)
    return result


def with_database(uri, database):
    parts = urlsplit(uri)
    return urlunsplit((parts.scheme, parts.netloc, "/" + database, parts.query, ""))


def drop_pg(uri, database):
    import psycopg2
    admin = psycopg2.connect(uri)
    admin.autocommit = True
    with admin.cursor() as cur:
        cur.execute(f"drop database if exists {database} with (force)")
    admin.close()


def write_script(path, ranked):
    with open(path, "w") as f:
        f.write("/* Made by scripts/hot-functions.py: the functions the usual commands run,\n"
                "   most shared first, put before the rest of the code (cmake/OvCodeOrder.cmake). */\n")
        for name in ranked:
            f.write(f"*(.text.{name})\n")


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    ov = os.path.join(build, "bin", "ovdesigner")
    if not shutil.which("valgrind"):
        sys.exit("hot-functions: valgrind is missing (scripts/setup.sh hot installs it)")
    if not os.access(ov, os.X_OK):
        sys.exit(f"hot-functions: {ov} is missing: build first")
    work = tempfile.mkdtemp(prefix="ovhot-")
    try:
        db = os.path.join(work, "tables.db")
        wide_cols = ", ".join(f"c{i:03d} varchar(20)" for i in range(2, WIDE + 1))
        wide = f"create table wide (c001 integer primary key, {wide_cols})"
        schema.make_sqlite(db, [schema.table_ddl(i, False) for i in range(TABLES)] + [wide])
        demo_db = os.path.join(work, "demo.db")
        subprocess.run(["sqlite3", demo_db], stdin=open(os.path.join(ROOT, "examples", "demo.sql")),
                       check=True)
        demo = os.path.join(work, "demo.dfm")
        shutil.copy(os.path.join(ROOT, "examples", "demo.dfm"), demo)
        sqlite = f"sqlite:{db}"
        jobs = [["--help"], ["package-info"], ["palette"],
                ["updatesql", "--connect", sqlite, "--table", "t0001"],
                ["updatesql", "--connect", sqlite, "--all-tables"],
                ["updatesql", "--connect", sqlite, "--table", "wide"],
                ["updatesql", "--connect", f"sqlite:{demo_db}", "--sql",
                 "select * from customer", "--keys", "primary"],
                ["open", demo], ["tree", demo], ["save", demo]]
        pg, my = os.environ.get("ORVANE_TEST_PG"), os.environ.get("ORVANE_TEST_MYSQL")
        dbname = f"ovhot_{os.getpid()}"
        statements = [schema.table_ddl(i, True) for i in range(TABLES)]
        if pg:
            schema.make_pg(pg, dbname, statements)
            uri = with_database(pg, dbname)
            jobs += [["updatesql", "--connect", uri, "--table", "t0001"],
                     ["updatesql", "--connect", uri, "--all-tables"]]
        if my:
            schema.make_mysql(my, dbname, [schema.table_ddl(i, False) for i in range(TABLES)])
            uri = with_database(my, dbname)
            jobs += [["updatesql", "--connect", uri, "--table", "t0001"],
                     ["updatesql", "--connect", uri, "--all-tables"]]
        seen, first, count = set(), {}, {}
        for n, job in enumerate(jobs):
            profile = os.path.join(work, f"callgrind.{n}")
            run = subprocess.run(["valgrind", "--tool=callgrind", "--demangle=no",
                                  f"--callgrind-out-file={profile}", ov] + job,
                                 cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                 text=True)
            if run.returncode != 0:
                sys.exit(f"hot-functions: ovdesigner {' '.join(job)} failed:\n{run.stderr[-2000:]}")
            names = set()
            for name in executed(profile):
                for section in sections(name):
                    if PLAIN.match(section):
                        names.add(section)
                        first.setdefault(section, n)
            for name in names:
                count[name] = count.get(name, 0) + 1
            seen |= names
            print(f"hot-functions: {' '.join(job)[:70]}: {len(names)} functions", file=sys.stderr)
        # What every command runs (start-up, the package) first, then what
        # fewer of them run, so each command's code is as close as it can be;
        # then by the first job that ran it and by name, so that the same
        # functions give the same list whatever order a profile lists them in.
        ranked = sorted(seen, key=lambda s: (-count[s], first[s], s))
        out = os.path.join(ROOT, "cmake", "HotCode.ld")
        write_script(out, ranked)
        print(f"hot-functions: {len(ranked)} functions written to {out}", file=sys.stderr)
        if pg:
            drop_pg(pg, dbname)
        if my:
            schema.drop_mysql(my, [dbname])
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
