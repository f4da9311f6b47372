# Sourced by run-tests.sh and run-bench.sh with $here and $pgdir set: starts a
# throwaway PostgreSQL cluster in $pgdir for the rest of the script (stopped
# on exit whatever the outcome), exports its URI as ORVANE_TEST_PG, points
# ORVANE_REGISTRY at a temporary file so that the person's own settings are
# never touched, and runs Qt offscreen.
ORVANE_TEST_PG=$("$here/pg-test-cluster.sh" start "$pgdir")
export ORVANE_TEST_PG
trap '"$here/pg-test-cluster.sh" stop "$pgdir"' EXIT INT TERM
ORVANE_REGISTRY=$(mktemp -d)/registry.ini
export ORVANE_REGISTRY
export QT_QPA_PLATFORM=offscreen
