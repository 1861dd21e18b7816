#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer,
# LeakSanitizer) into build-fuzz/ and runs each one in turn, one job at a time, seeded
# from fuzz/corpus/<target>.
#
#   scripts/fuzz.sh [--seconds S | --runs N] [--merge] [target ...]
#
#   --seconds S   run each target for S seconds (the smoke run of .ci/run)
#   --runs N      run each target for N executions (default 2500000)
#   --merge       afterwards, minimise what the runs grew (build-fuzz/corpus/<target>)
#                 together with the seeds back into fuzz/corpus/<target> (-merge=1);
#                 the inputs of earlier findings (*-crash-*) are always kept
#   target        fuzz_framer, fuzz_ini, ... (default: every fuzz/fuzz_*.cpp)
#
# Prints one line per target (seconds, executions, executions per second, corpus
# size, findings) and the total; exits 1 when any target crashed, leaked, met
# undefined behaviour or ran out of time (10 s) or memory on one input. What a target
# found is kept in build-fuzz/findings/. The inputs' files live in a temporary
# directory on tmpfs (/dev/shm), so the targets that touch files run at memory speed.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(-runs=2500000)
merge=0
targets=()
while (($#)); do
  case "$1" in
    --seconds) mode=(-max_total_time="$2"); shift 2 ;;
    --runs) mode=(-runs="$2"); shift 2 ;;
    --merge) merge=1; shift ;;
    -h|--help) sed -n '2,17p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
command -v clang++ >/dev/null || scripts/ensure-ci-deps.sh
if ((${#targets[@]} == 0)); then
  for src in fuzz/fuzz_*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi
# Only the fuzz targets and what they link are built (not the test suites).
source scripts/build-env.sh
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-fuzz -DZELVAN_FUZZ=ON -DZELVAN_BENCH=OFF -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVAN_WERROR=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}"

# malloc_context_size: the allocation and free stacks in a report are kept short
# (the stack of the fault itself is whole); at the default of 30 frames recording
# them costs most of the run time. Rerun a finding with ASAN_OPTIONS=malloc_context_size=30
# for the full stacks. Two frames, not more: Qt's allocator is built without frame
# pointers, so a third frame is a word of the heap, every allocation's stack is
# new to AddressSanitizer's stack depot, and the depot (kept to the end) grew
# fuzz_report to 2 GB over 200,000 inputs (438 MB with two; scripts/fuzz-memory.sh).
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1:malloc_context_size=2
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
scratch=/dev/shm
[ -d "$scratch" ] && [ -w "$scratch" ] || scratch=${TMPDIR:-/tmp}
export TMPDIR=$(mktemp -d "$scratch/zelvan-fuzz.XXXXXX")
trap 'rm -rf "$TMPDIR"' EXIT
mkdir -p build-fuzz/findings build-fuzz/logs

failed=0
total=0
summary=()
for name in "${targets[@]}"; do
  binary=build-fuzz/fuzz/$name
  [ -x "$binary" ] || { echo "no such target: $name"; failed=1; continue; }
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  if [ -d "fuzz/corpus/$name" ]; then cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true; fi
  log=build-fuzz/logs/$name.log
  before=$(find build-fuzz/findings -name "$name-*" | wc -l)
  start=$(date +%s)
  echo "== $name (${mode[*]})"
  rc=0
  # The longest input worth a run: a keypad entry is a few characters (a few
  # dozen entries are enough), the report a sequence of clicks, zelvan.ini a few
  # hundred bytes with long paths and damaged lines; the framer needs
  # room past its 512-character line limit; files are read whole.
  case "$name" in
    fuzz_keypad) max_len=96 ;;
    fuzz_ini) max_len=512 ;; # a whole zelvan.ini is about 170 bytes
    fuzz_report) max_len=192 ;;
    fuzz_framer) max_len=1400 ;;
    *) max_len=2048 ;;
  esac
  "$binary" "${mode[@]}" -max_len=$max_len -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/findings/"$name"- "$corpus" >"$log" 2>&1 || rc=$?
  seconds=$(($(date +%s) - start))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  runs=${runs:-0}
  after=$(find build-fuzz/findings -name "$name-*" | wc -l)
  findings=$((after - before))
  if ((rc != 0 || findings > 0)); then
    failed=1
    echo "FAIL: $name exited with $rc, $findings finding(s); the report:"
    grep -E -A30 "ERROR|runtime error|SUMMARY|deadly signal|Timeout|out-of-memory" "$log" | head -60 || tail -40 "$log"
  fi
  total=$((total + runs))
  rate=$((seconds > 0 ? runs / seconds : runs))
  summary+=("$(printf '%-18s %6d s %11d runs %8d/s %6d corpus  %d findings' "$name" "$seconds" "$runs" \
                "$rate" "$(ls "$corpus" | wc -l)" "$findings")")
  if ((merge)); then
    fresh=build-fuzz/merged/$name
    rm -rf "$fresh"; mkdir -p "$fresh" "fuzz/corpus/$name"
    "$binary" -merge=1 -max_len=$max_len -timeout=10 "$fresh" "fuzz/corpus/$name" "$corpus" \
      >>build-fuzz/logs/$name.merge.log 2>&1
    # Inputs that once found a fault stay, whatever the minimising keeps.
    regressions=$(mktemp -d)
    cp fuzz/corpus/"$name"/*-crash-* "$regressions"/ 2>/dev/null || true
    rm -rf "fuzz/corpus/$name"; mkdir -p "fuzz/corpus/$name"
    cp "$fresh"/* "$regressions"/* "fuzz/corpus/$name"/ 2>/dev/null || true
    rm -rf "$regressions"
    echo "   corpus minimised into fuzz/corpus/$name: $(ls "fuzz/corpus/$name" | wc -l) files"
  fi
done
echo "== fuzzing summary"
printf '%s\n' "${summary[@]}"
echo "total: $total runs, findings in build-fuzz/findings: $(ls build-fuzz/findings | wc -l)"
exit $failed
