#!/usr/bin/env bash
# The manual pages keep up with the programs: every option that `zelvan --help`
# and `zelvan-modsim --help` list, and every command of the simulator, is
# described in docs/man/<program>.1.scd (as *--option* or *command*).
# Usage: scripts/check-man-pages.sh ZELVAN ZELVAN_MODSIM
set -euo pipefail
cd "$(dirname "$0")/.."
missing=0
check() { # program page word...
  local page=$1
  shift
  local word
  for word in "$@"; do
    if ! grep -qF -- "*$word*" "$page"; then
      echo "$page: $word is not described"
      missing=1
    fi
  done
}
options() { # the long options of a program's --help
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$1" --help \
    | grep -oE '^  (-[a-zA-Z], )?--[a-z0-9-]+' | grep -oE -- '--[a-z0-9-]+'
}

zelvan_options=$(options "$1")
modsim_options=$(options "$2")
modsim_commands=$("$2" --help | sed -n '/^Commands/,/^Scenario/p' | grep -E '^  [a-z]' \
  | awk '{print $1}' | sort -u)
for list in zelvan_options modsim_options modsim_commands; do
  if [ -z "${!list}" ]; then
    echo "no ${list//_/ } found in the --help text"
    missing=1
  fi
done
# shellcheck disable=SC2086 # one word a line
check docs/man/zelvan.1.scd $zelvan_options
# shellcheck disable=SC2086
check docs/man/zelvan-modsim.1.scd $modsim_options $modsim_commands
if ((missing)); then
  exit 1
fi
echo "manual pages: $(wc -w <<<"$zelvan_options $modsim_options $modsim_commands") options and commands described"
