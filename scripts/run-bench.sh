#!/bin/sh
# Runs the benchmarks of one build tree (built with -DOV_BUILD_BENCH=ON)
# against a throwaway PostgreSQL cluster, then the side-by-side UpdateSQL
# comparison, the design-file commands as whole processes and the whole-process
# comparison with the floor (startup-bench). One benchmark alone:
# scripts/run-bench.sh BUILD NAME (e.g. DfmBench, designfile-bench,
# startup-bench); extra arguments go to it (--benchmark_filter=...).
set -eu
build=${1:-build}
only=${2:-}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift
here=$(cd "$(dirname "$0")" && pwd)
pgdir="$build/pgbench"
mydir="$build/mysqlbench"

. "$here/test-env.sh"

found=0
failed=""
for b in "$build"/bin/*Bench; do
  [ -x "$b" ] || continue
  name=$(basename "$b")
  if [ -n "$only" ] && [ "$only" != "$name" ]; then
    continue
  fi
  found=1
  echo "== $name"
  "$b" "$@" || failed="$failed $name"
done
if [ -z "$only" ] || [ "$only" = updatesql-bench ]; then
  found=1
  echo "== updatesql-bench (side by side)"
  "$here/../bench/updatesql-bench.sh" "$build" || failed="$failed updatesql-bench"
fi
if [ -z "$only" ] || [ "$only" = designfile-bench ]; then
  found=1
  echo "== designfile-bench (whole processes)"
  "$here/../bench/designfile-bench.sh" "$build" || failed="$failed designfile-bench"
fi
if [ -z "$only" ] || [ "$only" = startup-bench ]; then
  found=1
  echo "== startup-bench (whole processes against the floor)"
  "$here/../bench/startup-bench.py" "$build" || failed="$failed startup-bench"
fi
if [ "$found" = 0 ]; then
  echo "run-bench: no benchmark named $only in $build/bin" >&2
  exit 1
fi
if [ -n "$failed" ]; then
  echo "run-bench: failed:$failed" >&2
  exit 1
fi
