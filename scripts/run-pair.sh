#!/usr/bin/env bash
# Two panels on one line on this machine, a hot standby pair: zelvan-modsim
# plays a hub with eight modules on a line split in two (two pseudo-terminals,
# both hear everything the modules send, either may write), mosquitto runs on
# a free loopback port with a configuration of its own, and two panels run,
# each in its own program directory: A (preferred) on side A, B on side B,
# seeing each other through the broker (docs/STANDBY.md).
#
# While it runs, a line typed here is a command:
#   kill A|B          SIGKILL the panel           start A|B      start it again
#   stop A|B          SIGSTOP it                  cont A|B       SIGCONT it
#   broker stop       stop the broker             broker start   start it again
#   writes            who wrote to the line so far (the simulator's counts)
#   quit              (or Ctrl-C) stops everything
# Anything else goes to the simulator: "violate 1 4", "silence 3", "status"
# (see zelvan-modsim --help). At the end of the input the script waits for the
# panels to be closed.
#
# Environment: BUILD_DIR (default build), ZELVAN_PAIR_DIR (default: a new
# temporary directory), ZELVAN_BAUD (simulator pacing, default 4800).
# Arguments are passed to both panels.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD_DIR:-build}
for program in "$BUILD/zelvan" "$BUILD/zelvan-modsim"; do
  if [ ! -x "$program" ]; then
    echo "$program is not built; run scripts/build.sh first." >&2
    exit 1
  fi
done
BROKER=$(command -v mosquitto || true)
[ -z "$BROKER" ] && [ -x /usr/sbin/mosquitto ] && BROKER=/usr/sbin/mosquitto
if [ -z "$BROKER" ]; then
  echo "mosquitto is not installed; scripts/ensure-deps.sh installs it." >&2
  exit 1
fi

DIR=${ZELVAN_PAIR_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/zelvan-pair.XXXXXX")}
mkdir -p "$DIR"
DIR=$(cd "$DIR" && pwd)
BAUD=${ZELVAN_BAUD:-4800}
PANEL_ARGS=("$@")

declare -A PANEL=()
SIM=
BROKER_PID=
COMMANDS=

stop_process() { # pid: TERM, up to 5 s, then KILL
  local pid=$1
  [ -n "$pid" ] || return 0
  kill -CONT "$pid" 2>/dev/null || true
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# What each side wrote to the line, from the simulator's last totals, and the
# supervision periods in which both wrote (there must be none).
report_writes() {
  grep -E '^split [AB] .* characters$' "$DIR/modsim.log" | tail -n 2 || true
  echo "Periods with two writers: $(grep -c '^both wrote' "$DIR/modsim.log" || true)"
  grep '^both wrote' "$DIR/modsim.log" || true
}

stop_everything() {
  trap - EXIT INT TERM HUP
  local side
  for side in A B; do
    stop_process "${PANEL[$side]:-}"
  done
  stop_process "$SIM"
  stop_process "$BROKER_PID"
  [ -n "$COMMANDS" ] && exec 3>&-
  [ -f "$DIR/modsim.log" ] && report_writes
  echo "Everything is in $DIR (panels a/ and b/, modsim.log, broker/)."
}
trap stop_everything EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# A free port on loopback for the broker.
free_port() {
  if command -v python3 >/dev/null; then
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
    return
  fi
  local port
  for port in $(seq 18830 18930); do
    if [ -z "$(ss -Htln "sport = :$port")" ]; then
      echo "$port"
      return
    fi
  done
  echo "no free port in 18830..18930" >&2
  return 1
}
PORT=$(free_port)

# The broker: on loopback only, anonymous, retained messages kept across its
# own restarts (as a station's broker keeps them).
mkdir -p "$DIR/broker"
{
  echo "listener $PORT 127.0.0.1"
  echo "allow_anonymous true"
  echo "persistence true"
  echo "persistence_location $DIR/broker/"
  echo "autosave_interval 60"
  # As root mosquitto would change to its own user, who may not enter $DIR.
  [ "$(id -u)" -eq 0 ] && echo "user root"
} >"$DIR/broker/mosquitto.conf"

start_broker() {
  if [ -n "$BROKER_PID" ] && kill -0 "$BROKER_PID" 2>/dev/null; then
    echo "The broker runs already (pid $BROKER_PID)."
    return
  fi
  setsid "$BROKER" -c "$DIR/broker/mosquitto.conf" >>"$DIR/broker/mosquitto.log" 2>&1 </dev/null &
  BROKER_PID=$!
  for _ in $(seq 1 100); do
    [ -n "$(ss -Htln "sport = :$PORT")" ] && return
    if ! kill -0 "$BROKER_PID" 2>/dev/null; then
      echo "mosquitto did not start:" >&2
      tail -n 5 "$DIR/broker/mosquitto.log" >&2
      BROKER_PID=
      return 1
    fi
    sleep 0.1
  done
  echo "mosquitto is not listening on 127.0.0.1:$PORT" >&2
  return 1
}
start_broker || exit 1

# The simulator, its standard input a FIFO that this script holds open (so
# that neither the end of this script's input nor a command ends it).
LINK_A="$DIR/line-a"
LINK_B="$DIR/line-b"
rm -f "$LINK_A" "$LINK_B"
cat >"$DIR/scenario.txt" <<'SCENARIO'
# ms command (see zelvan-modsim --help)
0 preset 1 1 P
0 preset 1 2 P
0 preset 1 3 P
0 preset 1 17 P
0 preset 2 5 P
0 preset 2 6 P
0 preset 3 70 P
0 preset 1 9 A
40000 violate 1 4
45000 board 2 5 1 3A 10000
50000 take 1 20
55000 release 1 2
70000 violate 3 70
SCENARIO
COMMANDS="$DIR/modsim.in"
rm -f "$COMMANDS"
mkfifo "$COMMANDS"
exec 3<>"$COMMANDS"
setsid "$BUILD/zelvan-modsim" --split "$LINK_A,$LINK_B" --baud "$BAUD" \
  --scenario "$DIR/scenario.txt" <"$COMMANDS" >"$DIR/modsim.log" 2>&1 &
SIM=$!
for _ in $(seq 1 100); do
  [ -e "$LINK_A" ] && [ -e "$LINK_B" ] && break
  if ! kill -0 "$SIM" 2>/dev/null; then
    echo "The simulator did not start:" >&2
    cat "$DIR/modsim.log" >&2
    exit 1
  fi
  sleep 0.1
done
if [ ! -e "$LINK_A" ] || [ ! -e "$LINK_B" ]; then
  echo "The simulator made no links at $LINK_A and $LINK_B" >&2
  exit 1
fi
grep '^line 1: ' "$DIR/modsim.log" || true

# The two program directories: zelvan.ini (positional sections, CR LF line
# ends) with the side's link as the first port, and mqtt.ini with the pair.
# Each panel needs its own client id: the default is made of the host name,
# which the two share on this machine.
write_program_dir() { # side link prefix partner preferred
  local home="$DIR/${1,,}"
  mkdir -p "$home"
  printf '%s\r\n' "[DirData]" "$home/Data" "" "[Visible 0]" "N" "" "[System]" "0" "" \
    "[Hub]" "Y" "" "[CommPort]" "$2" "4800,n,8,1" "0" "4800,n,8,1" "" \
    "[Moduls]" "YYYYYYYY" "" "[Options]" "1" "1" "0" "1" "0" "0" "" \
    "[FontPrinter]" "MS Sans Serif" "11" "0" >"$home/zelvan.ini"
  printf '%s\r\n' "0" >>"$home/zelvan.ini"
  cat >"$home/mqtt.ini" <<INI
[broker]
host = 127.0.0.1
port = $PORT
client_id = zelvan-pair-${1,,}
[topics]
prefix = $3
[pair]
partner = $4
preferred = $5
INI
}
write_program_dir A "$LINK_A" zelvan/pair-a zelvan/pair-b true
write_program_dir B "$LINK_B" zelvan/pair-b zelvan/pair-a false

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: the panels run without windows (offscreen); they still monitor and archive."
  export QT_QPA_PLATFORM=offscreen
fi

start_panel() { # side
  local side=$1 pid=${PANEL[$1]:-}
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    echo "Panel $side runs already (pid $pid)."
    return
  fi
  local home="$DIR/${side,,}"
  setsid "$BUILD/zelvan" --home "$home" "${PANEL_ARGS[@]}" >>"$home/panel.log" 2>&1 </dev/null &
  PANEL[$side]=$!
  echo "Panel $side: pid ${PANEL[$side]}, program directory $home"
}
start_panel A
start_panel B
echo "Broker: 127.0.0.1:$PORT (mosquitto_sub -h 127.0.0.1 -p $PORT -t 'zelvan/+/role' -t 'zelvan/+/status' -v)"
echo "Simulator log: $DIR/modsim.log; commands: kill|stop|cont|start A|B, broker stop|start, writes, quit, or a simulator command."

signal_panel() { # signal side
  local pid=${PANEL[${2:-}]:-}
  if [ -z "$pid" ]; then
    echo "Which panel: A or B?"
    return
  fi
  if kill "-$1" "$pid" 2>/dev/null; then
    echo "Panel $2 (pid $pid): SIG$1"
  else
    echo "Panel $2 does not run."
  fi
  if [ "$1" = KILL ] || [ "$1" = TERM ]; then
    wait "$pid" 2>/dev/null || true
  fi
}

while IFS= read -r -p "pair> " line; do
  read -r word arg _ <<<"$line" || true
  arg=${arg^^}
  case "${word:-}" in
  "") ;;
  kill) signal_panel KILL "$arg" ;;
  stop) signal_panel STOP "$arg" ;;
  cont) signal_panel CONT "$arg" ;;
  start)
    if [ "$arg" = A ] || [ "$arg" = B ]; then start_panel "$arg"; else echo "Which panel: A or B?"; fi
    ;;
  broker)
    case "$arg" in
    STOP)
      stop_process "$BROKER_PID"
      BROKER_PID=
      echo "The broker is stopped."
      ;;
    START) start_broker && echo "The broker runs (pid $BROKER_PID)." ;;
    *) echo "broker stop or broker start" ;;
    esac
    ;;
  writes)
    echo status >&3
    sleep 0.3 # the simulator's answer to reach its log
    report_writes
    ;;
  quit | exit) exit 0 ;;
  *) printf '%s\n' "$line" >&3 ;;
  esac
done

# No more input: the demo ends when both panels have been closed.
echo
echo "End of input: waiting until both panels are closed (Ctrl-C stops everything)."
for side in A B; do
  if [ -n "${PANEL[$side]:-}" ]; then
    wait "${PANEL[$side]}" 2>/dev/null || true
  fi
done
