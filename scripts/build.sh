#!/usr/bin/env bash
# Configures and builds into a build folder:
#   scripts/build.sh [folder] [cmake options...] [--target <target>...]
# Without --target everything is built. The demo and the test command pass
# the same options, so the test command reuses what the demo built.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$here/build}"
shift || true
options=()
targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--target" ]; then
    shift
    targets+=("$@")
    break
  fi
  options+=("$1")
  shift
done
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
else
  cmake --build "$dir" -j "$(nproc)"
fi
