#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent: when everything is already there it prints nothing and does nothing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libplib-dev freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils
  libfreetype-dev fonts-liberation2 fonts-dejavu-core
  xvfb xdotool x11-apps imagemagick apitrace apitrace-tracers
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  gmt-gshhg-low libnetcdf-dev netcdf-bin zlib1g-dev
  clang libclang-rt-14-dev python3
  libxml2-utils g++-multilib nlohmann-json3-dev
  libgps-dev gpsd gpsd-clients
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
