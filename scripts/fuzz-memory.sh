#!/usr/bin/env bash
# Where a fuzz target's resident memory goes: the same number of inputs run
#   1. by libFuzzer as scripts/fuzz.sh runs it (mutation, corpus in memory),
#   2. the same, with more AddressSanitizer options (--options, default
#      malloc_context_size=2),
#   3. by replay_<target> over the target's seeds in a loop (fuzz/replay.cpp:
#      no mutation, no corpus, no libFuzzer), with fuzz.sh's options,
#   4. the same, with the options of 2,
# each under /usr/bin/time -v. Prints, per way, the resident memory after the
# first inputs and at the end, the peak (libFuzzer's peak_rss_mb and time's
# maximum resident set size) and the corpus size; the replay's lines add the
# bytes the program holds allocated and the allocator's heap, and at the end
# AddressSanitizer's stack depot and quarantine. Memory a target keeps per
# input grows in the replay too (as "allocated"), memory the fuzzer keeps for
# its corpus only under libFuzzer.
#
#   scripts/fuzz-memory.sh [--runs N] [--only 1|2|3|4] [--options OPTS] [target]
#                          (default 200000 runs of fuzz_report)
#
# Logs in build-fuzz/logs/<target>.memory-<way>.log. CPU-heavy: run it behind the
# build lock (flock /work/.build.lock scripts/fuzz-memory.sh ...).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=200000
only=
more=malloc_context_size=2
name=fuzz_report
while (($#)); do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --options) more=$2; shift 2 ;;
    -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
    *) name=$1; shift ;;
  esac
done
replay=${name/fuzz_/replay_}

source scripts/build-env.sh
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-fuzz -DZELVAN_FUZZ=ON -DZELVAN_BENCH=OFF -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVAN_WERROR=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "$name" "$replay"

# As scripts/fuzz.sh runs the targets.
asan=detect_leaks=1:abort_on_error=1:symbolize=1:malloc_context_size=4
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
case "$name" in
  fuzz_keypad) max_len=96 ;;
  fuzz_ini) max_len=512 ;;
  fuzz_report) max_len=192 ;;
  fuzz_framer) max_len=1400 ;;
  *) max_len=2048 ;;
esac
scratch=/dev/shm
[ -d "$scratch" ] && [ -w "$scratch" ] || scratch=${TMPDIR:-/tmp}
work=$(mktemp -d "$scratch/zelvan-fuzz-memory.XXXXXX")
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work
mkdir -p build-fuzz/logs
seeds=fuzz/corpus/$name

maxrss() { sed -n 's/.*Maximum resident set size (kbytes): *//p' "$1"; }

# libFuzzer's status lines carry "rss: <n>Mb"; the first after the seeds are
# read (INITED) and the last (DONE).
fuzzed() {
  local way=$1 options=$2
  local log=build-fuzz/logs/$name.memory-$way.log corpus=$work/corpus-$way
  mkdir -p "$corpus"
  cp "$seeds"/* "$corpus"/
  local seeded; seeded=$(ls "$corpus" | wc -l)
  echo "== $way: libFuzzer -runs=$runs, ASAN_OPTIONS=$options"
  ASAN_OPTIONS=$options /usr/bin/time -v build-fuzz/fuzz/"$name" -runs="$runs" -max_len=$max_len \
    -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$work/$way-" "$corpus" \
    >"$log" 2>&1 || { echo "FAIL, see $log"; tail -20 "$log"; return 1; }
  local inited done peak
  inited=$(grep -m1 -o 'INITED.*rss: [0-9]*Mb' "$log" | grep -o 'rss: [0-9]*Mb' || true)
  done=$(grep -o 'DONE.*rss: [0-9]*Mb' "$log" | tail -1 | grep -o 'rss: [0-9]*Mb' || true)
  peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
  echo "   after the $seeded seeds: $inited; after $runs inputs: $done"
  echo "   peak_rss_mb $peak, maximum resident $(( $(maxrss "$log") / 1024 )) MB," \
       "corpus $seeded -> $(ls "$corpus" | wc -l) files ($(du -sk "$corpus" | cut -f1) kB)"
  grep -o 'DONE.*' "$log" | tail -1 | sed 's/^/   /'
}

replayed() {
  local way=$1 options=$2
  local log=build-fuzz/logs/$name.memory-$way.log
  echo "== $way: $replay --runs $runs over $seeds, ASAN_OPTIONS=$options"
  ASAN_OPTIONS=$options:atexit=1:print_stats=1 /usr/bin/time -v build-fuzz/fuzz/"$replay" \
    --runs "$runs" --every 50000 "$seeds" \
    >"$log" 2>&1 || { echo "FAIL, see $log"; tail -20 "$log"; return 1; }
  grep '^replay:' "$log" | sed 's/^/   /'
  grep -E '^Stats: StackDepot|^Global quarantine stats' "$log" | sed 's/^/   /'
  echo "   maximum resident $(( $(maxrss "$log") / 1024 )) MB"
}

want() { [ -z "$only" ] || [ "$only" = "$1" ]; }
if want 1; then fuzzed mutated "$asan"; fi
if want 2; then fuzzed mutated-options "$asan:$more"; fi
if want 3; then replayed replay "$asan"; fi
if want 4; then replayed replay-options "$asan:$more"; fi
