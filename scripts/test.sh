#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test; ends with CTest's summary.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh" "$here/build"
cd "$here/build"
ctest -j "$(nproc)" --output-on-failure
