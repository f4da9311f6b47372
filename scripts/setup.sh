#!/bin/sh
# Installs what building, testing and running need on Debian 12. Idempotent:
# packages already present are skipped, so a second run does nothing.
# `setup.sh fuzz` adds what the fuzz targets need (clang and its libFuzzer);
# `setup.sh hot` what scripts/hot-functions.py needs (valgrind).
set -eu

PACKAGES="cmake ninja-build g++ make pkg-config git
libgtest-dev libgmock-dev libbenchmark-dev
libsqlite3-dev sqlite3 libpq-dev postgresql-15 libmariadb-dev mariadb-server
libfmt-dev libcli11-dev nlohmann-json3-dev
qt6-base-dev fonts-liberation clang-format python3 python3-sqlalchemy python3-psycopg2
libedit-dev python3-pymysql
time"
if [ "${1:-}" = fuzz ]; then
  PACKAGES="$PACKAGES clang libclang-rt-dev"
elif [ "${1:-}" = hot ]; then
  PACKAGES="$PACKAGES valgrind"
fi

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages:$missing (run as root, or install them)" >&2
  exit 1
fi

echo "setup: installing$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# The server packages start a system service on install; tests use their own
# throwaway servers. The PostgreSQL cluster is left as Debian sets it up; the
# MariaDB service is kept from starting (a policy that refuses every start
# while the install runs, unless the machine has its own policy) and stopped
# if it started anyway, so nothing depends on it or is left running.
policy=""
if [ ! -e /usr/sbin/policy-rc.d ]; then
  printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
  chmod 755 /usr/sbin/policy-rc.d
  policy=/usr/sbin/policy-rc.d
fi
status=0
apt-get install -y -qq --no-install-recommends $missing || status=$?
if [ -n "$policy" ]; then
  rm -f "$policy"
fi
case "$missing" in
*mariadb-server*)
  if command -v systemctl >/dev/null 2>&1 && systemctl is-active --quiet mariadb 2>/dev/null; then
    systemctl stop mariadb || true
  elif [ -x /etc/init.d/mariadb ]; then
    /etc/init.d/mariadb stop >/dev/null 2>&1 || true
  fi
  ;;
esac
exit $status
