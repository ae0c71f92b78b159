#!/usr/bin/env bash
# Builds and starts the program with three simulated transmitters attached.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh" demo
# Only the program and the simulator, with the test command's options: its
# first build (scripts/test.sh) goes on from here.
bash "$here/scripts/build.sh" "$here/build" -DORV_WERROR=ON --target orvconfig orvsim

# The demo profile is a folder of its own: a real setup in ~/.config is never
# touched. orvconfig --demo starts the simulated transmitters (build/sim/orvsim)
# and stops them when it ends.
export ORV_DEMO_PROFILE="${ORV_DEMO_PROFILE:-$here/build/demo-profile}"
export ORVSIM="$here/build/sim/orvsim"
echo "demo profile: $ORV_DEMO_PROFILE"

run=("$here/build/src/ui/orvconfig" --demo)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no desktop session found: running on a virtual display (xvfb-run)"
  run=(xvfb-run -a "${run[@]}")
fi
"${run[@]}"
