#!/usr/bin/env bash
# Configures into $BUILD_DIR (default build/) and builds everything.
#
# The compiler cache is shared between checkouts: paths under the folder above
# this checkout are hashed relative to the build folder (base_dir) and the
# working directory is left out of the hash (hash_dir), so a second worktree's
# first build is served from what the first one compiled. The precompiled Qt
# headers are cached too (the sloppiness ccache needs for them).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
source scripts/ccache-env.sh
args=()
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ] && command -v ninja >/dev/null; then args+=(-G Ninja); fi
if command -v ccache >/dev/null; then args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD_DIR" -DZELVAN_WERROR=ON "${args[@]}" "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
