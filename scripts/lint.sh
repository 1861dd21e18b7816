#!/usr/bin/env bash
# Style and static checks of the panel's own code: clang-format must leave every
# file as it is, clang-tidy (checks in .clang-tidy) must find nothing in src/,
# and no folder of src/ may include a folder above it.
# Usage: scripts/lint.sh [--fix] [--changed]
#   --fix      reformats instead of checking
#   --changed  clang-tidy only on the files of src/ that differ from the last commit
#              (the quick loop while working; .ci/run checks every file)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
status=0

mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' \
                                  'bench/*.h' 'tools/*.cpp' 'tools/*.h' 'fuzz/*.cpp')
changed=0
case "${1:-}" in
  --fix) clang-format -i "${files[@]}"; exit 0 ;;
  --changed) changed=1 ;;
esac

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
if ((changed)); then
  mapfile -t sources < <(git diff --name-only HEAD -- 'src/*.cpp')
else
  mapfile -t sources < <(git ls-files 'src/*.cpp')
fi
# The build's precompiled headers are GCC's; clang-tidy reads the same compile
# lines without them (every file includes what it uses).
tidy_db=$BUILD_DIR/tidy
mkdir -p "$tidy_db"
sed -E 's# -include [^ ]*cmake_pch\.hxx##g; s# -Winvalid-pch##g' "$BUILD_DIR/compile_commands.json" \
  >"$tidy_db/compile_commands.json"
if ((${#sources[@]})) &&
  ! run-clang-tidy -quiet -p "$tidy_db" -j "$(nproc)" "${sources[@]/#/$PWD/}" >/tmp/zelvan-tidy.log 2>&1; then
  grep -E "warning:|error:" /tmp/zelvan-tidy.log | sort -u | head -50
  echo "clang-tidy: findings above (full log /tmp/zelvan-tidy.log)"
  status=1
fi
[ $status -eq 0 ] && echo "lint: clean"
exit $status
