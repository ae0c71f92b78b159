#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Idempotent: packages already installed are skipped.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git lld
  clang-format clang-tidy
  clang libclang-rt-dev
  qt6-base-dev libgl-dev fonts-liberation
  libgtest-dev googletest libgmock-dev libbenchmark-dev
  libmodbus-dev
  xvfb xauth
  dpkg-dev help2man desktop-file-utils appstream
)

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
