#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a private Xvfb,
# each tier through CTest: first the normal build (with a short run of each
# benchmark's check), then the address and undefined-behaviour sanitizer
# build, then the Debian package, then both Windows builds and their
# installers under Wine.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup.sh --windows

read -r DISPLAY XVFB_PID < <(scripts/xvfb.sh)
export DISPLAY
trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT

jobs=$(nproc)
status=0
for config in build:OFF build-asan:ON; do
  dir=${config%%:*}
  sanitize=${config##*:}
  echo "== $dir (sanitizers $sanitize) [${SECONDS}s]"
  cmake -S . -B "$dir" -DSKELV_SANITIZE="$sanitize" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs" -LE '^(install|windows)$') || status=1
done

echo "== the Debian package [${SECONDS}s]"
(cd build && ctest --output-on-failure -L '^install$') || status=1

# The Windows builds under Wine, compared with the Linux build's run.
echo "== build-win, build-win32 (mingw-w64 x86_64 and i686, under Wine) [${SECONDS}s]"
(cd build && ctest --output-on-failure -L '^windows$') || status=1
echo "== done [${SECONDS}s]"
exit $status
