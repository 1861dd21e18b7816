#!/usr/bin/env bash
# Proves the Debian package the way a station PC gets it (run as root: it
# installs and removes the package on this machine):
#   1. scripts/package.sh makes zelvan_<version>_<arch>.deb from build/;
#   2. its file list, lintian (no error, no warning that is not overridden with
#      its reason in packaging/lintian-overrides), desktop-file-validate on the
#      desktop entries, appstreamcli validate --no-net on the AppStream file,
#      man --warnings on the manual pages, the changelog's newest entry;
#   3. apt-get install ./zelvan_*.deb, /usr/bin/zelvan --version;
#   4. the installed panel, offscreen, against the installed simulator (eight
#      modules on a pseudo-terminal) in a temporary program directory for 15
#      seconds: the day file must hold the start-up record of every module;
#   5. apt-get remove zelvan, and no file of the package is left.
# Every step says what it found; the first failure ends the run with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
START=$(date +%s)
RUN_SECONDS=${ZELVAN_PACKAGE_RUN_SECONDS:-15}
APT=(apt-get -o DPkg::Lock::Timeout=600 -y -q)
export DEBIAN_FRONTEND=noninteractive

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zelvan-package-check.XXXXXX")
PIDS=()
cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "package-check: FAILED: $*" >&2
  exit 1
}
step() { echo && echo "== $*"; }

if [ "$(id -u)" -ne 0 ]; then
  fail "installs the package on this machine: run it as root"
fi
if dpkg-query -W -f='${Status}' zelvan 2>/dev/null | grep -q "install ok installed"; then
  fail "zelvan is installed already ($(dpkg-query -W -f='${Version}' zelvan)); remove it first"
fi

step "package (scripts/package.sh)"
scripts/package.sh
shopt -s nullglob
debs=(zelvan_*.deb)
shopt -u nullglob
((${#debs[@]} == 1)) || fail "expected one zelvan_*.deb, found ${#debs[@]}"
DEB=${debs[0]}
VERSION=$(dpkg-deb -f "$DEB" Version)
ARCH=$(dpkg-deb -f "$DEB" Architecture)
[ "$DEB" = "zelvan_${VERSION}_${ARCH}.deb" ] || fail "$DEB is not named zelvan_${VERSION}_${ARCH}.deb"

step "control fields"
dpkg-deb -f "$DEB"
# What Qt loads at run time without linking it: the platform plugins (xcb,
# offscreen: libqt6gui6), the multimedia backends, the CUPS print plugin; the font;
# and the MQTT client library, which the computed dependencies must name.
depends=$(dpkg-deb -f "$DEB" Depends)
for p in libqt6gui6 libqt6multimedia6 libqt6printsupport6 libmosquitto1 fonts-dejavu-core; do
  [[ ", $depends" == *", $p"[\ ,]* || ", $depends" == *", $p" ]] || fail "Depends lacks $p: $depends"
done
step "files (dpkg-deb -c)"
dpkg-deb -c "$DEB"

ROOT=$WORK/root
dpkg-deb -x "$DEB" "$ROOT"
for f in usr/bin/zelvan usr/bin/zelvan-modsim usr/share/applications/zelvan.desktop \
  usr/share/metainfo/zelvan.metainfo.xml usr/share/icons/hicolor/scalable/apps/zelvan.svg \
  usr/share/zelvan/zelvan-autostart.desktop usr/lib/systemd/user/zelvan.service \
  usr/share/man/man1/zelvan.1.gz usr/share/man/man1/zelvan-modsim.1.gz \
  usr/share/doc/zelvan/copyright usr/share/doc/zelvan/changelog.gz \
  usr/share/doc/zelvan/README.md usr/share/doc/zelvan/BEHAVIOUR.md \
  usr/share/doc/zelvan/RELIABILITY.md; do
  [ -e "$ROOT/$f" ] || fail "the package lacks /$f"
done
if [ -f packaging/mqtt.ini.example ] && [ ! -e "$ROOT/usr/share/doc/zelvan/examples/mqtt.ini.example" ]; then
  fail "the package lacks /usr/share/doc/zelvan/examples/mqtt.ini.example"
fi
grep -q "^ExecStart=/usr/bin/zelvan$" "$ROOT/usr/lib/systemd/user/zelvan.service" \
  || fail "the user unit does not start /usr/bin/zelvan"
newest=$(zcat "$ROOT/usr/share/doc/zelvan/changelog.gz" | head -n 1)
[[ "$newest" == "zelvan ($VERSION) "* ]] \
  || fail "the newest changelog entry is '$newest', not version $VERSION (packaging/changelog)"

step "lintian"
lintian --fail-on error,warning --display-info --show-overrides "$DEB" || fail "lintian"
echo "lintian: no error, no warning left"

step "desktop-file-validate"
for f in "$ROOT"/usr/share/applications/zelvan.desktop "$ROOT"/usr/share/zelvan/zelvan-autostart.desktop; do
  out=$(desktop-file-validate "$f" 2>&1) || fail "desktop-file-validate $f: $out"
  [ -z "$out" ] || fail "desktop-file-validate $f: $out"
  echo "${f#"$ROOT"}: valid"
done

step "appstreamcli validate --no-net"
appstreamcli validate --no-net "$ROOT/usr/share/metainfo/zelvan.metainfo.xml" || fail "appstreamcli"

step "manual pages (man --warnings)"
for page in "$ROOT"/usr/share/man/man1/*.1.gz; do
  out=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man $page"
  [ -z "$out" ] || fail "man --warnings -l ${page#"$ROOT"}: $out"
  echo "${page#"$ROOT"}: $(MANWIDTH=80 man -l "$page" 2>/dev/null | wc -l) lines, no warning"
done

step "apt-get install ./$DEB"
"${APT[@]}" install "./$DEB"
dpkg-query -W -f='${Status}' zelvan | grep -q "install ok installed" || fail "zelvan is not installed"
dpkg -L zelvan >"$WORK/files"

step "/usr/bin/zelvan --version"
version_out=$(/usr/bin/zelvan --version 2>"$WORK/version.err") || fail "zelvan --version failed"
echo "$version_out"
[[ "$version_out" == "zelvan $VERSION"* ]] || fail "zelvan --version says '$version_out', the package $VERSION"
[ ! -s "$WORK/version.err" ] || fail "zelvan --version wrote to standard error: $(cat "$WORK/version.err")"
built=$(build/zelvan --version 2>/dev/null)
[ "$version_out" = "$built" ] || fail "installed '$version_out', built '$built'"
/usr/bin/zelvan-modsim --version

step "installed panel against the installed simulator, ${RUN_SECONDS} s offscreen"
HOME_DIR=$WORK/station
mkdir -p "$HOME_DIR"
LINK=$HOME_DIR/modules
/usr/bin/zelvan-modsim --link "$LINK" --quiet </dev/null >"$WORK/modsim.log" 2>&1 &
SIM=$!
PIDS+=("$SIM")
for _ in $(seq 1 100); do
  [ -e "$LINK" ] && break
  kill -0 "$SIM" 2>/dev/null || fail "the simulator ended: $(cat "$WORK/modsim.log")"
  sleep 0.1
done
[ -e "$LINK" ] || fail "the simulator made no link at $LINK"
# zelvan.ini: positional sections, CR LF line ends; the first port is the simulator.
printf '%s\r\n' "[DirData]" "$HOME_DIR/Data" "" "[Visible 0]" "N" "" "[System]" "0" "" \
  "[Hub]" "Y" "" "[CommPort]" "$LINK" "4800,n,8,1" "0" "4800,n,8,1" "" \
  "[Moduls]" "YYYYYYYY" "" "[Options]" "1" "1" "0" "1" "0" "0" "" \
  "[FontPrinter]" "MS Sans Serif" "11" "0" "0" >"$HOME_DIR/zelvan.ini"
# As from a terminal without a display: the panel chooses offscreen itself.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM QT_LOGGING_RULES="zelvan.*=true" \
  /usr/bin/zelvan --home "$HOME_DIR" </dev/null >"$WORK/panel.log" 2>&1 &
PANEL=$!
PIDS+=("$PANEL")
sleep "$RUN_SECONDS"
if ! kill -0 "$PANEL" 2>/dev/null; then
  wait "$PANEL" && rc=0 || rc=$?
  cat "$WORK/panel.log"
  fail "the installed panel ended after less than ${RUN_SECONDS} s (status $rc)"
fi
kill "$PANEL" "$SIM"
wait "$PANEL" 2>/dev/null || true
wait "$SIM" 2>/dev/null || true
PIDS=()
echo "panel output (first 20 lines):"
head -n 20 "$WORK/panel.log" | sed 's/^/  /'
grep -q "^zelvan: no display; running without windows (offscreen)$" "$WORK/panel.log" \
  || fail "the panel did not say that it runs offscreen"
shopt -s nullglob
days=("$HOME_DIR"/Data/[0-9][0-9]-[0-9][0-9]-[0-9][0-9].dat)
shopt -u nullglob
((${#days[@]} > 0)) || fail "no day file in $HOME_DIR/Data: $(ls -A "$HOME_DIR/Data" 2>&1)"
# A module's start-up record: object 0000, letter S (code 83), time, module digit.
started=$(cat "${days[@]}" | tr -d '\r' | sed -nE 's/^000083[0-9]{6}([1-8])$/\1/p' | sort -u | tr -d '\n')
echo "day file(s): ${days[*]##*/}; $(cat "${days[@]}" | wc -l) records; modules started: $started"
[ "$started" = "12345678" ] || fail "start-up records for modules '$started', expected 12345678"

step "apt-get remove zelvan"
"${APT[@]}" remove zelvan
if dpkg-query -W -f='${Status}' zelvan 2>/dev/null | grep -q "installed"; then
  fail "zelvan is still installed: $(dpkg-query -W -f='${Status}' zelvan)"
fi
left=0
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  # A directory another package owns too (/usr/bin, /usr/share/man/man1) stays.
  if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
    continue
  fi
  echo "left behind: $path"
  left=$((left + 1))
done <"$WORK/files"
((left == 0)) || fail "$left path(s) of the package left after removal"
echo "removed: none of the $(wc -l <"$WORK/files") paths of the package is left"

echo
echo "package-check: passed in $(($(date +%s) - START)) s ($DEB)"
