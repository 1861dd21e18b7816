#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh
# The real DC-09 receiver the forwarder's tests run against (npm).
scripts/ensure-dc09-receiver.sh >/dev/null
scripts/build.sh
cd "${BUILD_DIR:-build}"
QT_QPA_PLATFORM=offscreen ctest --no-tests=error --output-on-failure -j"$(nproc)"
