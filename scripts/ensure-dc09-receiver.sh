#!/usr/bin/env bash
# Installs the third-party DC-09 receiver that the forwarder's tests talk to: the receiver
# class of the npm package iobroker.sia 2.0.4 (package/build/lib/sia.js), with only the two
# modules that loading it needs (axios and node-ssh, required at the top of its tools.js;
# neither is used by the receiver at run time). The adapter framework the package also
# declares is only needed by its ioBroker entry point, which the tests never load.
#
# Layout of the directory: package/ (the package tarball as published, untouched),
# node_modules/ (axios, node-ssh and what they pull in), and a stamp naming the versions.
# A second run with the stamp in place only checks it. Prints the directory at the end.
set -euo pipefail

RECEIVER_PKG="iobroker.sia@2.0.4"
# What the registry answered for that tarball when this script was written; a different
# tarball under the same name and version is refused.
RECEIVER_INTEGRITY="sha512-frIn0edL9ju5hyVZ9mNdwRKSWVklYl6Z43Xx1UXJZqBHaok1r0lQPyIM22QArLz0OOoZZ3v5a+Ud+iiPb/f15w=="
# The lowest versions of the package's own ranges (axios ^1.7.9, node-ssh ^13.2.0).
DEPS=(axios@1.7.9 node-ssh@13.2.0)

DIR="${ZELVAN_DC09_RECEIVER_DIR:-$HOME/.cache/zelvan/iobroker.sia-2.0.4}"
STAMP_TEXT="$RECEIVER_PKG ${DEPS[*]}"

if [ -f "$DIR/.zelvan-installed" ] && [ "$(cat "$DIR/.zelvan-installed")" = "$STAMP_TEXT" ] &&
   [ -f "$DIR/package/build/lib/sia.js" ] && command -v node >/dev/null; then
  echo "$DIR"
  exit 0
fi

missing=()
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >&2
fi

# Built beside the target and moved in place at the end, so an interrupted run leaves
# nothing that the stamp check would take for a finished one.
mkdir -p "$(dirname "$DIR")"
WORK="$(mktemp -d "$DIR.partial.XXXXXX")"
chmod 755 "$WORK"
trap 'rm -rf "$WORK"' EXIT

(
  cd "$WORK"
  npm pack "$RECEIVER_PKG" --json --silent --pack-destination "$WORK" >pack.json
  integrity="$(node -e 'console.log(require(process.argv[1])[0].integrity)' "$WORK/pack.json")"
  if [ "$integrity" != "$RECEIVER_INTEGRITY" ]; then
    echo "ensure-dc09-receiver: $RECEIVER_PKG has integrity $integrity, expected $RECEIVER_INTEGRITY" >&2
    exit 1
  fi
  tar -xzf iobroker.sia-2.0.4.tgz
  rm -f iobroker.sia-2.0.4.tgz pack.json
  # No package.json here, so npm installs just the named modules into ./node_modules, where
  # Node finds them from package/build/lib. No install scripts: ssh2 (under node-ssh) only
  # tries to build an optional native speed-up, which nothing here needs.
  npm install --prefix "$WORK" --no-save --no-package-lock --ignore-scripts --omit=optional \
    --no-audit --no-fund --loglevel=error "${DEPS[@]}" >&2
  node -e 'const {sia} = require(process.argv[1]); if (typeof sia !== "function") process.exit(1)' \
    "$WORK/package/build/lib/sia.js"
  echo "$STAMP_TEXT" >.zelvan-installed
)

rm -rf "$DIR"
mv "$WORK" "$DIR"
trap - EXIT
echo "$DIR"
