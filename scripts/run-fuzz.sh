#!/bin/sh
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in a tree of their own and runs each one for a
# bounded time, one after the other at low priority. Never part of the tests.
#
#   scripts/run-fuzz.sh [SECONDS [TARGET...]]    (default 60 seconds each, all targets)
#
# SECONDS is CPU time: on a busy machine a target runs until it has had that
# much, however long that takes.
#
# Seeds are the files under fuzz/corpus/TARGET plus samples taken from the
# test data; what a run learns stays in BUILD/fuzz/corpus/TARGET for the next
# run. An input that crashes or hangs lands in BUILD/fuzz/crashes/TARGET; the
# run then ends with exit code 1. Replay one: BUILD/bin/TARGET FILE.
set -eu
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-DfmFuzz IniFuzz SqlFuzz UIScriptFuzz URIFuzz}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}

launcher=""
if command -v ccache >/dev/null; then
  launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
fi
# -O1 with line tables: what the sanitizers need to report, at half the
# compile time of a release build.
# shellcheck disable=SC2086
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only" \
  -DOV_FUZZ=ON -DOV_BUILD_TESTS=OFF -DOV_BUILD_GUI=OFF $launcher >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j "${JOBS:-2}" --target $targets

# Seeds from the tests: form files, and each statement of the parser's corpus.
seeds="$build/fuzz/seeds"
rm -rf "$seeds"
mkdir -p "$seeds/DfmFuzz" "$seeds/SqlFuzz"
for f in "$root"/tests/rtl/data/dfm/*.dfm "$root"/tests/vcl/data/*.dfm "$root"/examples/*.dfm \
  "$root"/src/dclorvane60/resources/*.dfm; do
  [ -f "$f" ] && cp "$f" "$seeds/DfmFuzz/"
done
sed -n 's/^sql[a-z-]*: //p' "$root/tests/orvane60/data/select-corpus.txt" |
  awk -v dir="$seeds/SqlFuzz" '{ f = sprintf("%s/corpus-%04d.sql", dir, NR); printf "%s", $0 > f; close(f) }'

failed=""
summary=""
ticks=$(getconf CLK_TCK)
for t in $targets; do
  corpus="$build/fuzz/corpus/$t"
  crashes="$build/fuzz/crashes/$t"
  mkdir -p "$corpus" "$crashes" "$seeds/$t"
  echo "== $t ($seconds s)"
  log="$build/fuzz/$t.log"
  status=0
  # Inputs up to 16 KB; one that takes longer than 10 s counts as a hang.
  # The run is interrupted (libFuzzer then prints its figures) once it has
  # had SECONDS of CPU time.
  nice -n 10 "$build/bin/$t" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$crashes/" \
    "$corpus" "$root/fuzz/corpus/$t" "$seeds/$t" >"$log" 2>&1 &
  pid=$!
  cpu=0
  while kill -0 "$pid" 2>/dev/null; do
    sleep 2
    cpu=$(awk -v hz="$ticks" '{ print int(($14 + $15) / hz) }' "/proc/$pid/stat" 2>/dev/null ||
      echo "$cpu")
    if [ "$cpu" -ge "$seconds" ]; then
      kill -INT "$pid" 2>/dev/null || true
      break
    fi
  done
  wait "$pid" || status=$?
  if grep -q "run interrupted" "$log"; then
    status=0
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  found=$(find "$crashes" -type f | wc -l)
  tail -n 3 "$log"
  summary="$summary$(printf '%-14s %5s CPU s %12s executions  %s crash or hang files' "$t" "$cpu" \
    "${runs:-?}" "$found")
"
  if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    failed="$failed $t"
  fi
done
printf '\n%s' "$summary"
if [ -n "$failed" ]; then
  echo "run-fuzz: inputs that crash or hang under:$failed (see $build/fuzz/crashes)" >&2
  exit 1
fi
