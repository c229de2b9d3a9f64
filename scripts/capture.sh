#!/usr/bin/env bash
# Runs the demo from a build folder on the current DISPLAY, saves a
# screenshot of its window after some seconds, then closes the window the
# way a window manager's close button does and checks that it exits with 0.
# Usage: scripts/capture.sh <builddir> <seconds> <png>
set -euo pipefail
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/poll.sh"
if [ $# -ne 3 ]; then
  echo "usage: $0 <builddir> <seconds> <png>" >&2
  exit 2
fi
[ -n "${DISPLAY:-}" ] || { echo "capture: DISPLAY is not set" >&2; exit 1; }
builddir=$(cd "$1" && pwd)
seconds=$2
png=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
for tool in "$builddir/skelv" "$builddir/xclose"; do
  [ -x "$tool" ] || { echo "capture: $tool is missing (build first)" >&2; exit 1; }
done

cd "$builddir"
./skelv &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT


window=""
find_window() {
  kill -0 "$pid" 2>/dev/null || { echo "capture: skelv exited before showing its window" >&2; exit 1; }
  window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1)
  [ -n "$window" ]
}
poll 300 find_window || { echo "capture: no window after 30 s" >&2; exit 1; }

sleep "$seconds"
import -window "$window" "$png"
./xclose "$window"

exited() { ! kill -0 "$pid" 2>/dev/null; }
poll 300 exited || { echo "capture: skelv did not exit within 30 s of the close request" >&2; exit 1; }
status=0
wait "$pid" || status=$?
trap - EXIT
if [ "$status" -ne 0 ]; then
  echo "capture: skelv exited with $status" >&2
  exit 1
fi
