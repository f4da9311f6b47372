#!/bin/sh
# The main job of `make run`: load the design package into the host and work
# on the demo data module against the embedded SQLite demo database. With a
# display (DISPLAY or WAYLAND_DISPLAY) the designer window opens on the demo;
# without one the terminal job prints what the package does with it.
set -eu
build=${1:-build}
host="$build/bin/ovdesigner"
if [ ! -x "$host" ]; then
  echo "run-demo: $host is not built" >&2
  exit 1
fi
# The demo's folder is one the user trusts: its data module connects to the
# demo database and opens its datasets when it is opened.
"$host" trust "$build/share/orvane" >/dev/null
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && "$host" gui --help >/dev/null 2>&1; then
  # The demo's database names its file relative to the demo's folder.
  host=$(cd "$(dirname "$host")" && pwd)/ovdesigner
  cd "$build/share/orvane"
  exec "$host" gui demo.dfm
fi
exec "$host" demo
