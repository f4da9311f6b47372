#!/bin/sh
# Runs every test of one build tree against a throwaway PostgreSQL cluster,
# which is stopped again whatever the outcome.
set -eu
build=${1:-build}
pgdir=${2:-$build/pgtest}
here=$(cd "$(dirname "$0")" && pwd)

ORVANE_TEST_PG=$("$here/pg-test-cluster.sh" start "$pgdir")
export ORVANE_TEST_PG
trap '"$here/pg-test-cluster.sh" stop "$pgdir"' EXIT INT TERM

# Tests never touch the person's own settings or registry.
ORVANE_REGISTRY=$(mktemp -d)/registry.ini
export ORVANE_REGISTRY
export QT_QPA_PLATFORM=offscreen

ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
