#!/usr/bin/env bash
# Configures into $BUILD_DIR (default build/) and builds everything.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD_DIR" -DZELVAN_WERROR=ON "${LAUNCHER[@]}" "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
