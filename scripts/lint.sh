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
mapfile -t units < <(git ls-files '*.cpp' | grep -v '^fuzz/')
echo "clang-tidy: ${#units[@]} translation units"
out="$(printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 8 clang-tidy -p "$build" --quiet 2>/dev/null | grep -E 'warning:|error:' | sort -u || true)"
if [ -n "$out" ]; then
  echo "$out"
  echo "clang-tidy found the problems above"
  exit 1
fi
echo "lint: clean"
