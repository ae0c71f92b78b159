#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need:
#   scripts/install-deps.sh [demo]
# With "demo", only what configuring the build and running the program need
# (no sanitizer compiler, style tools or packaging tools).
# Idempotent: packages already installed are skipped.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git lld
  qt6-base-dev libgl-dev fonts-liberation
  libgtest-dev googletest libgmock-dev libbenchmark-dev
  libmodbus-dev
  xvfb xauth
)
if [ "${1:-}" != "demo" ]; then
  packages+=(
    clang-format clang-tidy
    clang libclang-rt-dev
    dpkg-dev help2man desktop-file-utils appstream
    poppler-utils
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
