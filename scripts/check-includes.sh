#!/usr/bin/env bash
# The folders of src/ depend one way only:
#   core  <-  link, events  <-  report, feed, journal  <-  panel, windows, menu  <-  app
#   core  <-  pair (the roles of two panels on one line)  <-  app
#   core, events, feed  <-  dc09 (the forwarder to a receiving centre)  <-  app
# (menu holds the tabs of the report and of the journal, so it may read both;
# the report reads the day files of events/ and nothing above it)
# platform implements interfaces that core declares and is used by app alone.
# A file may include its own folder and the folders below it, nothing else;
# link and events do not include each other, nor do report, feed and journal.
# Prints each offending include.
set -euo pipefail
cd "$(dirname "$0")/.."

allowed() { # folder -> folders it may include
  case "$1" in
    core) echo "core" ;;
    link) echo "core link" ;;
    events) echo "core events" ;;
    panel) echo "core link events panel" ;;
    windows) echo "core link events windows" ;;
    report) echo "core events report" ;;
    menu) echo "core link events report journal menu" ;;
    feed) echo "core events feed" ;;
    journal) echo "core journal" ;;
    pair) echo "core pair" ;;
    dc09) echo "core events feed dc09" ;;
    platform) echo "core platform" ;;
    app) echo "core link events report panel windows menu feed journal pair dc09 platform app" ;;
    *) echo "" ;;
  esac
}

bad=0
while IFS= read -r file; do
  folder=$(echo "$file" | cut -d/ -f2)
  ok=$(allowed "$folder")
  while IFS= read -r line; do
    target=$(echo "$line" | sed -E 's/^#include "([a-z0-9]+)\/.*/\1/')
    case " $ok " in
      *" $target "*) ;;
      *) echo "$file: $line  ($folder may not include $target)"; bad=1 ;;
    esac
  done < <(grep -E '^#include "(core|link|events|report|panel|windows|menu|feed|journal|pair|dc09|platform|app)/' "$file" || true)
done < <(git ls-files 'src/*.cpp' 'src/*.h')
if [ $bad -ne 0 ]; then
  echo "include directions: violations above"
  exit 1
fi
echo "include directions: clean"
