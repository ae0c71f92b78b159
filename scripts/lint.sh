#!/usr/bin/env bash
# Style checks: clang-format must leave every C++ file as it is, and
# clang-tidy's naming rules must pass. Needs a configured build folder
# (its compile_commands.json): scripts/lint.sh [build folder]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
cd "$here"
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
echo "clang-format: ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"
# The units the build compiles: in a unity build one a target, which holds
# its sources (the header filter takes them in); Qt's generated code and the
# fuzz targets are left out.
mapfile -t units < <(grep -o '"file": "[^"]*"' "$build/compile_commands.json" | sed 's/^"file": "//; s/"$//' |
  grep -v -e '_autogen/' -e '/fuzz/' | sort -u)
echo "clang-tidy: ${#units[@]} translation units"
out="$(printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet \
  --extra-arg=-Wno-unknown-warning-option 2>/dev/null | grep -E 'warning:|error:' | sort -u || true)"
if [ -n "$out" ]; then
  echo "$out"
  echo "clang-tidy found the problems above"
  exit 1
fi
echo "lint: clean"
