#!/usr/bin/env bash
# The end-to-end DC-09 run at full size: the real program against the
# simulated hub on a pseudo-terminal, forwarding its day records to
# iobroker.sia's receiver (scripts/ensure-dc09-receiver.sh installs it, node
# runs it on a free loopback port); the receiver stopped for a minute and
# started again, and in a second case the program killed with SIGKILL and
# started again: every event of the day files acknowledged, in order
# (tests/e2e/tst_dc09_outages; ctest runs it with fewer messages).
#   scripts/dc09-outages.sh [messages]     (default 20000, for each case)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
export ZELVAN_DC09_EVENTS=${1:-20000}
export ZELVAN_BUILD_DIR=$PWD/$BUILD_DIR
export ZELVAN_SOURCE_DIR=$PWD
export QT_QPA_PLATFORM=offscreen
exec "$BUILD_DIR/tests/tst_dc09_outages"
