#!/usr/bin/env bash
# Installs what the whole proof run needs beyond the build (scripts/ensure-deps.sh):
# clang with libFuzzer and the sanitizer runtimes, llvm-symbolizer for readable
# sanitizer reports, python3 for the soak, the kill loops and the clock-fault runs,
# faketime for stepping the clock of the real program, strace for the trace of the
# syncs, clang-format and clang-tidy for scripts/lint.sh; dpkg-dev, lintian,
# desktop-file-utils and appstream for making and checking the Debian package; Node and
# the DC-09 receiver that the forwarder's tests send to (scripts/ensure-dc09-receiver.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh
PACKAGES=(clang libclang-rt-14-dev llvm python3 faketime strace clang-format clang-tidy dpkg-dev
          lintian desktop-file-utils appstream)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
# The DC-09 receiver (Node) that the forwarder's tests send to.
scripts/ensure-dc09-receiver.sh >/dev/null
