#!/usr/bin/env bash
# Installs what is missing, builds, and runs the panel against the module simulator.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh
scripts/build.sh
if [ ! -x build/zelvan ] || [ ! -x build/zelvan-modsim ]; then
  echo "The panel or the simulator program is not there yet; the engine and its tests are built (./test.sh runs them)."
  exit 0
fi
exec scripts/run-with-simulator.sh "$@"
