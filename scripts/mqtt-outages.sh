#!/usr/bin/env bash
# The end-to-end MQTT run at full size: the real program against the simulated
# hub on a pseudo-terminal, a real mosquitto broker stopped and started twice,
# the program killed with SIGKILL and started again once, and a subscriber
# that must receive every line of the day files (tests/e2e/tst_mqtt_outages;
# ctest runs it with fewer messages). The broker is mosquitto from Debian
# (scripts/ensure-deps.sh), started by the test on a free loopback port with a
# configuration of its own in a temporary directory; nothing else is touched.
#   scripts/mqtt-outages.sh [messages]     (default 20000)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
export ZELVAN_MQTT_EVENTS=${1:-20000}
export ZELVAN_BUILD_DIR=$PWD/$BUILD_DIR
export QT_QPA_PLATFORM=offscreen
exec "$BUILD_DIR/tests/tst_mqtt_outages"
