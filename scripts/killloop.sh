#!/usr/bin/env bash
# Kills the running station with SIGKILL at random moments during traffic and
# checks the archive and zelvan.ini after every kill (see scripts/killloop.py).
#   scripts/killloop.sh [cycles] [extra killloop.py options]
set -euo pipefail
cd "$(dirname "$0")/.."
cycles=${1:-100}
shift || true
home=$(mktemp -d /tmp/zelvan-killloop.XXXXXX)
trap 'rm -rf "$home"' EXIT
python3 scripts/killloop.py --zelvan "${ZELVAN:-build/zelvan}" --home "$home" --cycles "$cycles" "$@"
