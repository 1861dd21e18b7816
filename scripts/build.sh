#!/usr/bin/env bash
# Configures into $BUILD_DIR (default build/) and builds everything.
# The compiler cache is shared with every other checkout (scripts/build-env.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
source scripts/build-env.sh
args=()
if command -v ccache >/dev/null; then args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD_DIR" -DZELVAN_WERROR=ON "${args[@]}" "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
