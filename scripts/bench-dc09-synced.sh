#!/usr/bin/env bash
# The panel's CR -> record synced latency (bench_latency) with the forwarder to a
# receiving centre on, against the forwarder off: towards a receiver that is dead (a
# loopback port nobody listens on) and towards one whose name never resolves (a name
# server on loopback that drops every query, in a mount namespace of the benchmark's
# own, as scripts/bench-mqtt-resolver.sh does; needs root). Each of the three best of
# three runs, in turns; prints the p99 of each and the ratios off / on (goal: at least 0.9).
#   scripts/bench-dc09-synced.sh [violations]      (default 2000)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
count=${1:-2000}
bench="$BUILD_DIR/bench/bench_latency"
dead=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
p99() { sed -n 's/.*  p99 \([0-9.]*\) ms .*/\1/p' | head -1; }
best() { printf '%s\n' "$@" | sort -g | head -1; }
off=() dead_p99=() never=()
for round in 1 2 3; do
  # --quick: the 2.08 ms limit of bench_latency is not what is judged here.
  off+=("$("$bench" --quick "$count" | p99)")
  dead_p99+=("$("$bench" --quick --dc09-host "127.0.0.1:$dead" "$count" 2>/dev/null | p99)")
  never+=("$(FEED_OPTION=--dc09-host FEED_HOST=receiver.zelvan-bench.test:12128 \
    scripts/bench-mqtt-resolver.sh --quick "$count" 2>/dev/null | p99)")
done
o=$(best "${off[@]}") d=$(best "${dead_p99[@]}") n=$(best "${never[@]}")
verdict() { python3 -c "import sys; r=$o/$1; print(f'{r:.2f}', 'met' if r >= 0.9 else 'NOT met')"; }
echo "CR -> record synced, $count violations, p99 best of three: forwarder off $o ms;" \
  "receiver dead $d ms (ratio $(verdict "$d")); name never resolving $n ms (ratio $(verdict "$n"))"
python3 -c "import sys; sys.exit(0 if $o/$d >= 0.9 and $o/$n >= 0.9 else 1)"
