#!/usr/bin/env bash
# Two panels on one split line, a real mosquitto broker: the active panel
# killed with SIGKILL and started again, alternating sides, with traffic
# (tests/e2e/tst_pair killCycles; ctest runs it with 3 cycles). Prints each
# take-over time ("take-over after SIGKILL: <ms> ms").
#   scripts/pair-cycles.sh [cycles]     (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
export ZELVAN_PAIR_CYCLES=${1:-20}
export ZELVAN_BUILD_DIR=$PWD/$BUILD_DIR
export ZELVAN_SOURCE_DIR=$PWD # the DC-09 receiver's script
export QT_QPA_PLATFORM=offscreen
exec "$BUILD_DIR/tests/tst_pair" killCycles
