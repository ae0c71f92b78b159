#!/usr/bin/env bash
# Builds the Debian package build/orvconfig_<version>_<arch>.deb with CPack:
# the programs, the desktop entry, the icons, the metainfo and the manual
# pages. Install it with: sudo apt install ./build/orvconfig_*.deb
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$here/build"
bash "$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if ! cmake --build "$build" --target help | grep -q '^orv_package_files'; then
  echo "build/ is configured without the program or the simulator (ORV_BUILD_UI, ORV_BUILD_SIM) or with a sanitizer" >&2
  exit 1
fi
cmake --build "$build" -j "$(nproc)" --target orv_package_files
(cd "$build" && cpack -G DEB)
ls -1 "$build"/orvconfig_*.deb
