#!/usr/bin/env bash
# Starts Xvfb on a free display and prints "DISPLAY PID".
# Usage: read -r DISPLAY XVFB_PID < <(scripts/xvfb.sh)
set -euo pipefail
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset +extension GLX 3>"$fifo" >/dev/null 2>&1 &
pid=$!
read -r -t 20 number <"$fifo" || { rm -f "$fifo"; kill "$pid" 2>/dev/null; echo "xvfb: did not start" >&2; exit 1; }
rm -f "$fifo"
echo ":$number $pid"
