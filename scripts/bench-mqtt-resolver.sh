#!/usr/bin/env bash
# The panel's CR -> record synced latency (bench_latency) with the MQTT feed on
# and the broker named by a host name whose resolver never answers: a name
# server on loopback (127.0.0.77:53) that takes every query and drops it. The
# resolver's configuration is replaced in a mount namespace of the benchmark's
# own, so the machine's /etc/resolv.conf is untouched. Needs root (unshare -m).
# FEED_OPTION=--dc09-host FEED_HOST=NAME:PORT: the forwarder to a receiving centre instead.
#   scripts/bench-mqtt-resolver.sh [--quick] [violations]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
work=$(mktemp -d)
python3 -c 'import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.77", 53))
t = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
t.bind(("127.0.0.77", 53))
t.listen(64)
time.sleep(3600)' &
dropper=$!
trap 'kill $dropper 2>/dev/null || true; rm -rf "$work"' EXIT
printf 'nameserver 127.0.0.77\noptions timeout:30 attempts:5\n' >"$work/resolv.conf"
sleep 0.2 # the name server's sockets bound
unshare -m sh -c "mount --bind '$work/resolv.conf' /etc/resolv.conf &&
  exec '$BUILD_DIR/bench/bench_latency' ${FEED_OPTION:---mqtt-host} ${FEED_HOST:-broker.zelvan-bench.test} $*"
