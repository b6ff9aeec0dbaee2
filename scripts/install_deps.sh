#!/usr/bin/env bash
# Installs the Debian packages Kestrolane needs to build, run and test.
# Only missing packages are installed; nothing happens when all are present.
set -euo pipefail

PACKAGES=(
  g++ make cmake pkg-config
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri libx11-dev
  libgtest-dev libbenchmark-dev libtinyobjloader-dev
  libgdal-dev libmeshoptimizer-dev
  xvfb xauth x11-utils libxdo-dev libpng-dev ffmpeg
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
