#!/usr/bin/env bash
# Installs the Debian packages the project needs, but only those that are missing.
# Usage: scripts/setup.sh [extra-package ...]
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qtbase5-dev libqt5serialport5-dev libqt5svg5-dev
  libcjson-dev libftdi1-dev libusb-1.0-0-dev
  libbenchmark-dev
  xvfb xauth
  desktop-file-utils appstream dpkg-dev file groff-base
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
