#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need.
# Usage: scripts/setup.sh [--windows]   (--windows adds mingw-w64 and Wine)
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev
  libx11-dev libxtst-dev libxrandr-dev libxfixes-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  libfluidsynth-dev libasound2-dev fluid-soundfont-gm
  xvfb xdotool x11-utils imagemagick
  x11-xkb-utils xkb-data  # setxkbmap and the layouts the keyboard tests switch to
  # the end-to-end tests: prlimit, and the stacks of a program that does not end
  util-linux gdb python3  # python3: a hung X server
  # the desktop tests: a window manager, a Wayland compositor with Xwayland
  openbox weston xwayland wmctrl
  # the Debian package: build, lint, check the menu entry
  dpkg-dev fakeroot file lintian desktop-file-utils devscripts  # devscripts: hardening-check
)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ "${1:-}" = "--windows" ]; then
  # Both cross compilers with the posix thread model, Wine's 64-bit and 32-bit
  # halves to run their output (the 32-bit half with its own Mesa OpenGL, from
  # the i386 architecture), and makensis for the installers.
  packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 wine32:i386 nsis
    libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
