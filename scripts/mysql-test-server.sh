#!/bin/sh
# A throwaway MariaDB server for the tests: mariadb-install-db into a folder,
# mariadbd on a Unix socket in that folder with networking off, root without
# a password, one empty database "orvane".
#   mysql-test-server.sh start DIR [OPTION...] -> prints the connection URI, writes DIR/uri
#   mysql-test-server.sh stop DIR
# OPTIONs are server options for both the installation and the server, e.g.
# --lower-case-table-names=1 for a server that keeps table names in lower case.
# As root the server runs as root (--user=root); otherwise as the caller.
set -eu

cmd=${1:-}
dir=${2:-}
if [ -z "$cmd" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR [OPTION...]" >&2
  exit 2
fi
shift 2

server=$(command -v mariadbd || ls /usr/sbin/mariadbd 2>/dev/null || true)
install_db=$(command -v mariadb-install-db || true)
admin=$(command -v mariadb-admin || true)
client=$(command -v mariadb || true)

stop_server() {
  if [ -f "$dir/mysqld.pid" ]; then
    pid=$(cat "$dir/mysqld.pid" 2>/dev/null || true)
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      i=0
      while kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do
        sleep 0.1
        i=$((i + 1))
      done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/mysqld.pid"
  fi
}

case "$cmd" in
start)
  if [ -z "$server" ] || [ -z "$install_db" ] || [ -z "$admin" ] || [ -z "$client" ]; then
    echo "mysql-test-server: no MariaDB server installed (mariadbd, mariadb-install-db; run scripts/setup.sh)" >&2
    exit 1
  fi
  if [ -f "$dir/uri" ] && [ -S "$dir/mysqld.sock" ] &&
    "$admin" --no-defaults --socket="$dir/mysqld.sock" -uroot ping >/dev/null 2>&1; then
    cat "$dir/uri"
    exit 0
  fi
  if [ -d "$dir" ]; then
    dir=$(cd "$dir" && pwd)
    stop_server
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  user=""
  if [ "$(id -u)" -eq 0 ]; then
    user="--user=root"
  fi
  "$install_db" --no-defaults $user --datadir="$dir/data" --auth-root-authentication-method=normal \
    --skip-test-db --skip-name-resolve "$@" >"$dir/install.log" 2>&1 ||
    { echo "mysql-test-server: mariadb-install-db failed:" >&2; cat "$dir/install.log" >&2; exit 1; }
  # Small and unsafe on purpose: the data lives only for one run.
  "$server" --no-defaults $user --datadir="$dir/data" --socket="$dir/mysqld.sock" \
    --pid-file="$dir/mysqld.pid" --log-error="$dir/server.log" --skip-networking \
    --innodb-buffer-pool-size=32M --innodb-log-file-size=16M --innodb-flush-log-at-trx-commit=0 \
    --innodb-doublewrite=0 --sync-binlog=0 --performance-schema=OFF --skip-log-bin \
    --max-connections=60 --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    "$@" >/dev/null 2>&1 &
  i=0
  until "$admin" --no-defaults --socket="$dir/mysqld.sock" -uroot ping >/dev/null 2>&1; do
    i=$((i + 1))
    if [ $i -gt 300 ]; then
      echo "mysql-test-server: mariadbd did not start within 30 s:" >&2
      cat "$dir/server.log" >&2 2>/dev/null || true
      stop_server
      exit 1
    fi
    sleep 0.1
  done
  "$client" --no-defaults --socket="$dir/mysqld.sock" -uroot -e "create database orvane" ||
    { stop_server; exit 1; }
  uri="mysql://root@localhost/orvane?socket=$dir/mysqld.sock"
  echo "$uri" >"$dir/uri"
  echo "$uri"
  ;;
stop)
  if [ -d "$dir" ]; then
    dir=$(cd "$dir" && pwd)
    stop_server
  fi
  ;;
*)
  echo "usage: $0 start|stop DIR [OPTION...]" >&2
  exit 2
  ;;
esac
