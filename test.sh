#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a private Xvfb:
# first the normal build, then the address and undefined-behaviour sanitizer build.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup.sh

read -r DISPLAY XVFB_PID < <(scripts/xvfb.sh)
export DISPLAY
trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT

jobs=$(nproc)
status=0
for config in build:OFF build-asan:ON; do
  dir=${config%%:*}
  sanitize=${config##*:}
  echo "== $dir (sanitizers $sanitize)"
  cmake -S . -B "$dir" -DSKELV_SANITIZE="$sanitize" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs") || status=1
done

# The Windows build under Wine, compared with the Linux build's run.
echo "== build-win (mingw-w64, under Wine)"
tests/windows/run_wine_tests.sh build || status=1
exit $status
