#!/bin/sh
# A throwaway PostgreSQL cluster for the tests: initdb into a temporary folder,
# listening only on a Unix socket in that folder, trust authentication.
#   pg-test-cluster.sh start DIR   -> prints the connection URI, writes DIR/uri
#   pg-test-cluster.sh stop DIR
# The server refuses to run as root; as root the cluster runs as the
# unprivileged `postgres` user that Debian's server package creates.
set -eu

cmd=${1:-}
dir=${2:-}
if [ -z "$cmd" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -z "$bindir" ]; then
  echo "pg-test-cluster: no PostgreSQL server installed (run scripts/setup.sh)" >&2
  exit 1
fi
port=${ORVANE_PG_PORT:-55432}

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

case "$cmd" in
start)
  if [ -f "$dir/data/postmaster.pid" ] && as_owner "$bindir/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
    cat "$dir/uri"
    exit 0
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres "$dir"
  fi
  as_owner "$bindir/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --locale=C >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }
  as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$dir' -p $port -c fsync=off -c max_connections=50" \
    start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
  uri="postgresql://postgres@/postgres?host=$dir&port=$port"
  echo "$uri" >"$dir/uri"
  echo "$uri"
  ;;
stop)
  if [ -d "$dir/data" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  fi
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
