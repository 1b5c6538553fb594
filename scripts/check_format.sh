#!/bin/sh
# Fails when lines changed since BASE (default: the previous commit) are not
# in the house style (.clang-format). Only changed lines are checked, so the
# tree can take the style file by file.
#   scripts/check_format.sh [BASE]
set -e
cd "$(dirname "$0")/.."
base=${1:-HEAD~1}
fmt=$(command -v clang-format-diff-14 || command -v clang-format-diff || true)
if [ -z "$fmt" ]; then
  echo "format check: clang-format-diff not found" >&2
  exit 2
fi
# squirrel/ keeps its four-space indent until the whole tree is formatted.
out=$(git diff -U0 --no-color "$base" -- '*.cpp' '*.h' ':!squirrel/' | "$fmt" -p1 -style=file)
if [ -n "$out" ]; then
  printf '%s\n' "$out"
  echo "format check: changed lines differ from .clang-format (see above)"
  exit 1
fi
echo "format check: changed lines follow .clang-format"
