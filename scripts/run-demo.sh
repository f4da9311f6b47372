#!/bin/sh
# The main job of `make run`: load the design package into the host and work
# on the demo data module against the embedded SQLite demo database.
set -eu
build=${1:-build}
host="$build/bin/ovdesigner"
if [ ! -x "$host" ]; then
  echo "run-demo: $host is not built" >&2
  exit 1
fi
exec "$host" demo
