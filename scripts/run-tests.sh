#!/bin/sh
# Runs every test of one build tree against a throwaway PostgreSQL cluster,
# which is stopped again whatever the outcome.
set -eu
build=${1:-build}
pgdir=${2:-$build/pgtest}
here=$(cd "$(dirname "$0")" && pwd)

. "$here/test-env.sh"

ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
