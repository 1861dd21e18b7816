#!/usr/bin/env bash
# Soak run of the real program against the module simulator (see scripts/soak.py).
#   scripts/soak.sh [events] [rate]        default 1000000 events at 4000 a second
set -euo pipefail
cd "$(dirname "$0")/.."
home=$(mktemp -d /tmp/zelvan-soak.XXXXXX)
echo "soak directory: $home (kept for inspection)"
python3 scripts/soak.py ${TRAFFIC:+--traffic "$TRAFFIC"} --zelvan "${ZELVAN:-build/zelvan}" --modsim "${MODSIM:-build/zelvan-modsim}" \
    --home "$home" --events "${1:-1000000}" --rate "${2:-4000}"
