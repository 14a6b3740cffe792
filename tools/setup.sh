#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: installs the Debian packages that are
# missing, then configures and builds a Release build into build/.
# Safe to run again: it installs and rebuilds only what is out of date.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config
  libsdl2-dev libsdl2-mixer-dev libvorbis-dev libpng-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev
  lib3ds-dev libassimp-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils libx11-dev
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  sudo=()
  if [[ $(id -u) != 0 ]]; then sudo=(sudo); fi
  "${sudo[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
