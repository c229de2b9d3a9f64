#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a private Xvfb,
# each tier through CTest: first the folders' include graph, then the normal
# build (with a short run of each benchmark's check), then the address and
# undefined-behaviour sanitizer build, then the Debian package, then both
# Windows builds and their installers under Wine, then a second build of each,
# which must be identical.
# ./test.sh --quick: only the normal build and its tests, for a change's loop.
set -euo pipefail
cd "$(dirname "$0")"

quick=false
[ "${1:-}" = --quick ] && quick=true
if $quick; then scripts/setup.sh; else scripts/setup.sh --windows; fi

read -r DISPLAY XVFB_PID < <(scripts/xvfb.sh)
export DISPLAY
trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT

jobs=$(nproc)
status=0
echo "== the folders' include graph [${SECONDS}s]"
scripts/include_graph.py || status=1
configs=(build:OFF build-asan:ON)
$quick && configs=(build:OFF)
for config in "${configs[@]}"; do
  dir=${config%%:*}
  sanitize=${config##*:}
  echo "== $dir (sanitizers $sanitize) [${SECONDS}s]"
  cmake -S . -B "$dir" -DSKELV_SANITIZE="$sanitize" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs" -LE '^(install|windows)$') || status=1
done
if $quick; then
  echo "== done: quick, without the sanitizer build, the package and Wine [${SECONDS}s]"
  exit $status
fi

echo "== the Debian package [${SECONDS}s]"
(cd build && ctest --output-on-failure -L '^install$') || status=1

# The Windows builds under Wine, compared with the Linux build's run.
echo "== build-win, build-win32 (mingw-w64 x86_64 and i686, under Wine) [${SECONDS}s]"
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  (cd build && ctest --output-on-failure -L '^windows$') || status=1
else
  # A kernel without 32-bit support cannot start Wine's 32-bit loader: the
  # x86_64 program runs on the 64-bit one, and the i686 program and the NSIS
  # installers (32-bit programs) are only built, and must come out the same below.
  echo "== NOT RUN under Wine: this kernel ($(uname -r)) cannot execute 32-bit programs (i686, installers)"
  targets=(build-win:x86_64 build-win32:i686)
  if /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
    (cd build && ctest --output-on-failure -R '^windows\.x86_64$') || status=1
    targets=(build-win32:i686)
  fi
  for target in "${targets[@]}"; do
    dir=${target%%:*}
    mkdir -p "$dir"
    { cmake -S . -B "$dir" -DSKELV_TESTS=OFF -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
        -DSKELV_MINGW_TRIPLE="${target##*:}-w64-mingw32" && cmake --build "$dir" -j"$jobs" &&
      (cd "$dir" && umask 022 && cpack); } >"$dir/cross.log" 2>&1 || { cat "$dir/cross.log"; status=1; }
  done
fi

# The programs and packages above, built again elsewhere, must come out the same.
echo "== reproducible: a second build of each, compared byte for byte [${SECONDS}s]"
scripts/reproduce.sh || status=1
echo "== done [${SECONDS}s]"
exit $status
