#!/usr/bin/env bash
# Every benchmark in its quick mode (--quick: less work; a claim on a time is
# printed but not judged, as this machine's load decides it). A claim on a
# count, a ratio of CPU times or memory that is NOT met fails the run, and so
# does a benchmark that crashes. The full runs: build/bench/<name> without --quick.
#   scripts/bench-quick.sh [build dir]
set -uo pipefail
cd "$(dirname "$0")/.."
bench=${1:-build}/bench
export QT_QPA_PLATFORM=offscreen
export ZELVAN_SOURCE_DIR=$PWD # the DC-09 receiver's script (bench_dc09)
scratch=$(mktemp -d /tmp/zelvan-bench.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
failed=()
run() {
  local name=$1
  shift
  echo "== $name $*"
  local start rc=0
  start=$(date +%s)
  "$bench/$name" "$@" || rc=$?
  echo "-- $name: exit $rc in $(($(date +%s) - start)) s"
  ((rc == 0)) || failed+=("$name")
}
run bench_engine --quick
run bench_latency --quick
run bench_saturated --quick
run bench_flood --quick
run bench_memory --quick
run bench_report --quick
run bench_csv --quick
run bench_startup --quick
run bench_dayfile --quick
run bench_journal --quick
run bench_dc09 --quick
run bench_modsim
run bench_inirewrite "$scratch" 200
if ((${#failed[@]})); then
  echo "benchmarks: NOT met or failed: ${failed[*]}"
  exit 1
fi
echo "benchmarks: every judged claim met"
