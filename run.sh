#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demo from build/.
# With no DISPLAY it runs the demo under Xvfb for a few seconds, saves a
# screenshot and closes the window the normal way.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)"

if [ -n "${DISPLAY:-}" ]; then
  cd build && exec ./skelv
fi

read -r DISPLAY XVFB_PID < <(scripts/xvfb.sh)
export DISPLAY
trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
scripts/capture.sh build "${SKELV_SECONDS:-4}" build/screenshot.png
echo "Screenshot: $(pwd)/build/screenshot.png"
echo "Logs:       $(pwd)/build/*.txt"
