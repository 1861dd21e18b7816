#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-fuzz/ and runs each for a fixed number of executions, seeded from
# fuzz/corpus/<target>. Usage: scripts/fuzz.sh [runs-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${1:-2500000}
scripts/ensure-deps.sh
command -v clang++ >/dev/null || { echo "clang++ is needed for fuzzing (apt-get install clang)"; exit 1; }
BUILD_DIR=build-fuzz scripts/build.sh -DZELVAN_FUZZ=ON -DZELVAN_BENCH=OFF \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVAN_WERROR=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
mkdir -p build-fuzz/findings
for target in build-fuzz/fuzz/fuzz_*; do
  name=$(basename "$target")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/$name/* "$corpus"/ 2>/dev/null || true
  echo "== $name: $RUNS runs"
  "$target" -runs="$RUNS" -max_len=4096 -artifact_prefix=build-fuzz/findings/"$name"- \
    "$corpus" 2>&1 | grep -E "^#[0-9]+ +DONE|ERROR|SUMMARY|Done [0-9]+ runs" || true
done
ls build-fuzz/findings
