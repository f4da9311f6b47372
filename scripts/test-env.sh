# Sourced by run-tests.sh and run-bench.sh with $here and $pgdir set: starts a
# throwaway PostgreSQL cluster in $pgdir and a throwaway MariaDB server beside
# it ($mydir, default: $pgdir's folder /mysqltest) for the rest of the script
# (both stopped on exit whatever the outcome), exports their URIs as
# ORVANE_TEST_PG and ORVANE_TEST_MYSQL, points ORVANE_REGISTRY at a temporary
# file so that the person's own settings are never touched, and runs Qt
# offscreen. A server that cannot start stops the script with its reason.
mydir=${mydir:-$(dirname "$pgdir")/mysqltest}
trap '"$here/pg-test-cluster.sh" stop "$pgdir"; "$here/mysql-test-server.sh" stop "$mydir"' EXIT INT TERM
ORVANE_TEST_PG=$("$here/pg-test-cluster.sh" start "$pgdir")
export ORVANE_TEST_PG
ORVANE_TEST_MYSQL=$("$here/mysql-test-server.sh" start "$mydir")
export ORVANE_TEST_MYSQL
ORVANE_REGISTRY=$(mktemp -d)/registry.ini
export ORVANE_REGISTRY
export QT_QPA_PLATFORM=offscreen
