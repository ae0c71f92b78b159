#!/usr/bin/env bash
# Builds and starts the program with a demo profile of its own, so that a
# real setup is never touched.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh" "$here/build"

profile="${ORV_DEMO_PROFILE:-$here/build/demo-profile}"
mkdir -p "$profile"
export XDG_CONFIG_HOME="$profile"
echo "demo profile: $profile"

run=("$here/build/src/ui/orvconfig")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no desktop session found: running on a virtual display (xvfb-run)"
  run=(xvfb-run -a "${run[@]}")
fi
"${run[@]}"
