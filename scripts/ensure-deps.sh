#!/usr/bin/env bash
# Installs the Debian packages the panel needs to build, test and run, when missing.
# Packages named as arguments are installed as well (scripts/package.sh: dpkg-dev).
set -euo pipefail
PACKAGES=(cmake g++ make ninja-build ccache mold qt6-base-dev qt6-serialport-dev qt6-multimedia-dev libgl-dev
          fonts-dejavu-core xvfb xauth poppler-utils scdoc
          libmosquitto-dev mosquitto mosquitto-clients openssl libssl-dev libsodium-dev python3-jinja2 "$@")
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
