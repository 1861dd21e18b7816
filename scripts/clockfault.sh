#!/usr/bin/env bash
# The real program with its wall clock stepped back an hour and forward a day
# (faketime) during the simulator's traffic (see scripts/clockfault.py).
#   scripts/clockfault.sh [extra clockfault.py options]
set -euo pipefail
cd "$(dirname "$0")/.."
home=$(mktemp -d /tmp/zelvan-clockfault.XXXXXX)
echo "clock-fault directory: $home (kept for inspection)"
python3 scripts/clockfault.py --zelvan "${ZELVAN:-build/zelvan}" --modsim "${MODSIM:-build/zelvan-modsim}" \
    --home "$home" "$@"
