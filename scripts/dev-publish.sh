#!/usr/bin/env bash
# Developer helper for parallel branches: merges the current branch into main
# (checked out at $MAIN_WORKTREE), under a lock so that merges never overlap.
set -euo pipefail
MAIN_WORKTREE=${MAIN_WORKTREE:-/work/main}
branch=$(git rev-parse --abbrev-ref HEAD)
exec 9>/tmp/zelvan-merge.lock
flock 9
git -C "$MAIN_WORKTREE" merge --no-edit "$branch"
