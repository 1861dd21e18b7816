#!/usr/bin/env bash
# How long a pair of panels leaves the line without a writer: from the signal
# that ends (SIGKILL) or stops (SIGSTOP) the active panel to the first write of
# its partner, in the simulator's clock, over N take-overs each. The runs are
# tests/e2e/tst_pair's killCycles (two real panels, a real mosquitto on a free
# loopback port, the simulator's split line), alternating sides.
# Goal: median under 15 s, maximum under 30 s, for both.
#   scripts/bench-takeover.sh [kills] [stops]      (default 20 and 20)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
BUILD_DIR=${BUILD_DIR:-build}
kills=${1:-20}
stops=${2:-20}
export ZELVAN_BUILD_DIR=$PWD/$BUILD_DIR
export ZELVAN_SOURCE_DIR=$PWD # the DC-09 receiver's script
export QT_QPA_PLATFORM=offscreen
status=0

measure() { # signal cycles
  local signal=$1 cycles=$2 log
  log=$(mktemp)
  ZELVAN_PAIR_CYCLES=$cycles ZELVAN_PAIR_SIGNAL=$signal \
    "$BUILD_DIR/tests/tst_pair" killCycles >"$log" 2>&1
  local rc=$?
  mapfile -t times < <(grep -o "take-over after SIG$signal: [0-9]* ms" "$log" | grep -o '[0-9]* ms' |
    cut -d' ' -f1 | sort -n)
  if ((rc != 0)) || ((${#times[@]} == 0)); then
    echo "take-over after SIG$signal: the run failed (exit $rc)"
    tail -20 "$log"
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
  local n=${#times[@]}
  local median
  if ((n % 2)); then median=${times[$((n / 2))]}; else
    median=$(((times[n / 2 - 1] + times[n / 2]) / 2))
  fi
  local max=${times[$((n - 1))]}
  local verdict=met
  ((median < 15000 && max < 30000)) || verdict="NOT met"
  printf 'take-over after SIG%s: %d take-overs, median %d ms, maximum %d ms, minimum %d ms: %s\n' \
    "$signal" "$n" "$median" "$max" "${times[0]}" "$verdict"
  [ "$verdict" = met ]
}

measure KILL "$kills" || status=1
measure STOP "$stops" || status=1
exit $status
