#!/usr/bin/env bash
# Traces the system calls of the station while violations arrive on a
# pseudo-terminal (build/bench/bench_latency: the real serial line, the real
# station, real files) and checks that every write to a day file is followed
# by an fdatasync of that file before the station reads the line again, so a
# record is on the disk before the next message is handled.
#   scripts/trace-sync.sh [violations]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-200}
if ! command -v strace >/dev/null; then
    echo "strace is not installed (apt-get install strace)"; exit 2
fi
log=$(mktemp /tmp/zelvan-trace.XXXXXX)
trap 'rm -f "$log"' EXIT
strace -f -y -qq -e trace=read,write,fdatasync,fsync,rename -o "$log" \
    build/bench/bench_latency --quick "$count" >/dev/null
python3 - "$log" <<'PY'
import re, sys
call = re.compile(r'^(?:\[pid\s+\d+\]\s+)?(?:\d+\s+)?(\w+)\((\d+)<([^>]*)>')
day = re.compile(r'/\d\d-\d\d-\d\d\.dat$')
unsynced = {}          # day file -> writes not yet synced
writes = syncs = bad = 0
for line in open(sys.argv[1], errors="replace"):
    m = call.match(line)
    if not m:
        continue
    name, _, path = m.groups()
    if name == "write" and day.search(path):
        writes += 1
        unsynced[path] = unsynced.get(path, 0) + 1
    elif name == "fdatasync" and day.search(path):
        syncs += 1
        unsynced.pop(path, None)
    elif name == "read" and path.startswith("/dev/pts/") and unsynced:
        bad += 1
        print("line read with unsynced day-file writes:", ", ".join(unsynced))
        unsynced.clear()
bad += len(unsynced)
print(f"{writes} day-file writes, {syncs} fdatasync calls on day files, "
      f"{bad} writes not synced before the next read of the line")
sys.exit(1 if bad or writes == 0 else 0)
PY
