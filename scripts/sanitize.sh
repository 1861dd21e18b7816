#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh
BUILD_DIR=build-asan scripts/build.sh -DZELVAN_SANITIZE=ON -DZELVAN_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
cd build-asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$(pwd)/../scripts/lsan.supp
QT_QPA_PLATFORM=offscreen ctest --no-tests=error --output-on-failure -j"$(nproc)"
