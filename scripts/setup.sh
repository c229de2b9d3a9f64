#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need.
# Usage: scripts/setup.sh [--windows]   (--windows adds mingw-w64 and Wine)
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev
  libx11-dev libxtst-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  libfluidsynth-dev libasound2-dev fluid-soundfont-gm
  xvfb xdotool x11-utils imagemagick
)
if [ "${1:-}" = "--windows" ]; then
  # The x86_64 cross compiler with the posix thread model, and 64-bit Wine to
  # run its output (Wine's 32-bit half would need the i386 architecture).
  packages+=(g++-mingw-w64-x86-64-posix wine wine64)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
