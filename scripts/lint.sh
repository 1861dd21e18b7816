#!/usr/bin/env bash
# Style and static checks of the panel's own code: clang-format must leave every
# file as it is, clang-tidy (checks in .clang-tidy) must find nothing in src/,
# and no folder of src/ may include a folder above it.
# Usage: scripts/lint.sh [--fix]   (--fix reformats instead of checking)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
status=0

mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' \
                                  'bench/*.h' 'tools/*.cpp' 'tools/*.h' 'fuzz/*.cpp')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi

echo "== clang-format"
if ! clang-format --dry-run -Werror "${files[@]}"; then
  echo "clang-format: files differ from .clang-format (scripts/lint.sh --fix)"
  status=1
fi

echo "== include directions"
scripts/check-includes.sh || status=1

echo "== clang-tidy"
if [ ! -f "$BUILD_DIR/compile_commands.json" ]; then
  scripts/build.sh >/dev/null
fi
mapfile -t sources < <(git ls-files 'src/*.cpp')
if ! run-clang-tidy -quiet -p "$BUILD_DIR" -j "$(nproc)" "${sources[@]/#/$PWD/}" >/tmp/zelvan-tidy.log 2>&1; then
  grep -E "warning:|error:" /tmp/zelvan-tidy.log | sort -u | head -50
  echo "clang-tidy: findings above (full log /tmp/zelvan-tidy.log)"
  status=1
fi
[ $status -eq 0 ] && echo "lint: clean"
exit $status
