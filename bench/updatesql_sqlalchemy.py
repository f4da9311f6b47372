#!/usr/bin/python3
"""What a person would use instead of `ovdesigner updatesql --all-tables`:
SQLAlchemy 1.4 reflection through its Inspector (its fastest path) and the
compilation of the four statements of every table, timed in process.

  updatesql_sqlalchemy.py make-sqlite FILE        the 2,000-table database
  updatesql_sqlalchemy.py make-pg CONNINFO DBNAME  the same in PostgreSQL
  updatesql_sqlalchemy.py make-mysql URI DBNAME    the same in MySQL/MariaDB
                                                  (mysql://user@host/db?socket=PATH)
  updatesql_sqlalchemy.py run URL [REPEAT]        best time in ms, as JSON

The schema is the one bench/UpdateSQLBench.cpp makes: 2,000 tables of 12
columns, each with a primary key.
"""
import json
import sys
import time

TABLES = 2000


def table_ddl(index, postgres):
    blob = "bytea" if postgres else "blob"
    return (f"create table t{index:04d}(id bigint primary key, code varchar(20) not null, "
            "name varchar(80), qty integer, price numeric(10,2), created timestamp, note text, "
            f"flag boolean, ratio double precision, data {blob}, ref_id bigint, updated date)")


def make_sqlite(path, statements=None):
    import sqlite3
    con = sqlite3.connect(path)
    with con:
        for ddl in statements or (table_ddl(i, False) for i in range(TABLES)):
            con.execute(ddl)
    con.close()


def make_pg(conninfo, dbname, statements=None):
    """The database dbname made afresh in the cluster, with the 2,000 tables
    or the statements given."""
    import psycopg2
    admin = psycopg2.connect(conninfo)
    admin.autocommit = True
    with admin.cursor() as cur:
        cur.execute(f"drop database if exists {dbname} with (force)")
        cur.execute(f"create database {dbname}")
    admin.close()
    con = psycopg2.connect(conninfo, dbname=dbname)
    with con.cursor() as cur:
        for i, ddl in enumerate(statements or (table_ddl(i, True) for i in range(TABLES))):
            cur.execute(ddl)
            if i % 200 == 199:
                con.commit()
        con.commit()
        con.autocommit = True
        cur.execute("analyze")
    con.close()


def mysql_connect(uri, database=None):
    """A pymysql connection to a mysql:// URI (user, host, port, ?socket=)."""
    from urllib.parse import parse_qs, unquote, urlsplit
    import pymysql
    parts = urlsplit(uri)
    socket = parse_qs(parts.query).get("socket", [None])[0]
    return pymysql.connect(user=unquote(parts.username or "root"),
                           password=unquote(parts.password or ""),
                           host=parts.hostname or "localhost", port=parts.port or 3306,
                           unix_socket=socket, database=database, autocommit=True,
                           charset="utf8mb4",
                           client_flag=pymysql.constants.CLIENT.MULTI_STATEMENTS)


def make_mysql(uri, dbname, statements=None):
    """The database dbname made afresh on the server, with the 2,000 tables or
    the statements given, fifty statements a round trip."""
    con = mysql_connect(uri)
    with con.cursor() as cur:
        cur.execute(f"drop database if exists {dbname}")
        cur.execute(f"create database {dbname}")
        cur.execute(f"use {dbname}")
        ddl = list(statements or (table_ddl(i, False) for i in range(TABLES)))
        for i in range(0, len(ddl), 50):
            cur.execute(";\n".join(ddl[i:i + 50]))
            while cur.nextset():
                pass
    con.close()


def drop_mysql(uri, dbnames):
    con = mysql_connect(uri)
    with con.cursor() as cur:
        for name in dbnames:
            cur.execute(f"drop database if exists {name}")
    con.close()


def sqlalchemy_mysql_url(uri, dbname):
    """The SQLAlchemy URL (pymysql) of a mysql:// URI's server and dbname."""
    from urllib.parse import parse_qs, urlsplit
    parts = urlsplit(uri)
    socket = parse_qs(parts.query).get("socket", [None])[0]
    auth = parts.netloc.rsplit("@", 1)[0] + "@" if "@" in parts.netloc else ""
    host = parts.netloc.rsplit("@", 1)[-1] or "localhost"
    query = f"?unix_socket={socket}&charset=utf8mb4" if socket else "?charset=utf8mb4"
    return f"mysql+pymysql://{auth}{host}/{dbname}{query}"


def generate_all(url):
    """Reflects every table and compiles its refresh, modify, insert and delete
    statements with :OLD_x parameters in the key conditions."""
    from sqlalchemy import (Column, MetaData, Table, and_, bindparam, create_engine, inspect,
                            select)
    engine = create_engine(url)
    out = []
    with engine.connect() as conn:
        insp = inspect(conn)
        dialect = engine.dialect
        for name in insp.get_table_names():
            columns = insp.get_columns(name)
            keys = insp.get_pk_constraint(name)["constrained_columns"]
            if not keys:
                for index in insp.get_indexes(name):
                    if index.get("unique"):
                        keys = index["column_names"]
                        break
            if not keys:
                continue
            table = Table(name, MetaData(), *[Column(c["name"], c["type"]) for c in columns])
            where = and_(*[table.c[k] == bindparam("OLD_" + k) for k in keys])
            for stmt in (select(*table.c).where(where), table.update().where(where),
                         table.insert(), table.delete().where(where)):
                out.append(str(stmt.compile(dialect=dialect)))
    engine.dispose()
    return out


def run(url, repeat):
    best = None
    count = 0
    for _ in range(repeat):
        start = time.perf_counter()
        statements = generate_all(url)
        elapsed = (time.perf_counter() - start) * 1000.0
        count = len(statements) // 4
        best = elapsed if best is None else min(best, elapsed)
    import sqlalchemy
    print(json.dumps({"ms": best, "tables": count, "sqlalchemy": sqlalchemy.__version__}))


def main(argv):
    if len(argv) >= 3 and argv[1] == "make-sqlite":
        make_sqlite(argv[2])
    elif len(argv) >= 4 and argv[1] == "make-pg":
        make_pg(argv[2], argv[3])
    elif len(argv) >= 4 and argv[1] == "make-mysql":
        make_mysql(argv[2], argv[3])
    elif len(argv) >= 3 and argv[1] == "run":
        run(argv[2], int(argv[3]) if len(argv) > 3 else 1)
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
