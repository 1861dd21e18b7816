#!/usr/bin/env bash
# Runs the panel against the module simulator: zelvan-modsim plays a hub with
# eight modules on a pseudo-terminal, a demo program directory gets a zelvan.ini
# whose first port is the simulator's link, and the panel runs with --home on it.
# The simulator is stopped when the panel closes.
#
# Environment: BUILD_DIR (default build), ZELVAN_DEMO_HOME (default: a new
# temporary directory), ZELVAN_BAUD (simulator pacing, default 4800).
# Arguments are passed to the panel.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD_DIR:-build}
for program in "$BUILD/zelvan" "$BUILD/zelvan-modsim"; do
  if [ ! -x "$program" ]; then
    echo "$program is not built; run scripts/build.sh first." >&2
    exit 1
  fi
done

HOME_DIR=${ZELVAN_DEMO_HOME:-$(mktemp -d "${TMPDIR:-/tmp}/zelvan-demo.XXXXXX")}
mkdir -p "$HOME_DIR"
HOME_DIR=$(cd "$HOME_DIR" && pwd)
LINK="$HOME_DIR/modules"
rm -f "$LINK"

# A short demonstration: objects already under guard and one violated before
# the panel starts (they arrive with the start-up dumps), then a violation, a
# subscriber board message, a release, and module 4 falling silent for a while.
cat > "$HOME_DIR/scenario.txt" <<'SCENARIO'
# ms command (see zelvan-modsim --help)
0 preset 1 1 P
0 preset 1 2 P
0 preset 1 3 P
0 preset 1 17 P
0 preset 2 5 P
0 preset 2 6 P
0 preset 3 70 P
0 preset 1 9 A
15000 violate 1 4
18000 board 2 5 1 3A 10000
25000 take 1 20
30000 release 1 2
40000 silence 4
75000 answer 4
90000 violate 3 70
SCENARIO

"$BUILD/zelvan-modsim" --link "$LINK" --baud "${ZELVAN_BAUD:-4800}" \
  --scenario "$HOME_DIR/scenario.txt" --quiet </dev/null >"$HOME_DIR/modsim.log" 2>&1 &
SIM=$!
stop_simulator() {
  kill "$SIM" 2>/dev/null || true
  wait "$SIM" 2>/dev/null || true
}
trap stop_simulator EXIT

for _ in $(seq 1 100); do
  [ -e "$LINK" ] && break
  if ! kill -0 "$SIM" 2>/dev/null; then
    echo "The simulator did not start:" >&2
    cat "$HOME_DIR/modsim.log" >&2
    exit 1
  fi
  sleep 0.1
done
if [ ! -e "$LINK" ]; then
  echo "The simulator made no link at $LINK" >&2
  exit 1
fi

# zelvan.ini: positional sections, CR LF line ends.
printf '%s\r\n' "[DirData]" "$HOME_DIR/Data" "" "[Visible 0]" "N" "" "[System]" "0" "" \
  "[Hub]" "Y" "" "[CommPort]" "$LINK" "4800,n,8,1" "0" "4800,n,8,1" "" \
  "[Moduls]" "YYYYYYYY" "" "[Options]" "1" "1" "0" "1" "0" "0" "" \
  "[FontPrinter]" "MS Sans Serif" "11" "0" > "$HOME_DIR/zelvan.ini"
printf '%s\r\n' "0" >> "$HOME_DIR/zelvan.ini"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: the panel runs without windows (offscreen); it still monitors and archives in $HOME_DIR/Data."
  export QT_QPA_PLATFORM=offscreen
fi
echo "Program directory: $HOME_DIR (simulator log: $HOME_DIR/modsim.log)"
"$BUILD/zelvan" --home "$HOME_DIR" "$@"
