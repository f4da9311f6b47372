#!/bin/sh
# Installs what building, testing and running need on Debian 12. Idempotent:
# packages already present are skipped, so a second run does nothing.
# `setup.sh fuzz` adds what the fuzz targets need (clang and its libFuzzer).
set -eu

PACKAGES="cmake ninja-build g++ make pkg-config git
libgtest-dev libgmock-dev libbenchmark-dev
libsqlite3-dev sqlite3 libpq-dev postgresql-15
libfmt-dev libcli11-dev nlohmann-json3-dev
qt6-base-dev fonts-liberation clang-format python3 python3-sqlalchemy python3-psycopg2
time"
if [ "${1:-}" = fuzz ]; then
  PACKAGES="$PACKAGES clang libclang-rt-dev"
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
# The server package starts a system cluster on install; tests use their own
# throwaway cluster, so the system one is left as Debian sets it up.
apt-get install -y -qq --no-install-recommends $missing
