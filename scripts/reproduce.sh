#!/usr/bin/env bash
# Checks that the builds are reproducible: builds the working tree a second
# time in another folder, later, under another time zone and umask, and
# compares the program, the Debian package, both Windows programs and both
# installers byte for byte with those of the first builds (build/, build-win/,
# build-win32/, as test.sh leaves them, packages made).
# Usage: scripts/reproduce.sh [first build root, default: this tree]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
first=${1:-$root}
second=$(mktemp -d /tmp/skelv-reproduce.XXXXXX)
trap 'rm -rf "$second"' EXIT

# The same commit and the same working-tree files, in a folder of another name.
git clone -q --shared --no-checkout "$root" "$second/tree"
git -C "$second/tree" checkout -q --detach "$(git -C "$root" rev-parse HEAD)"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
  tar --null -T - -cf -) | tar -xf - -C "$second/tree"

build() { # build DIR [CMAKE ARGS...]: configures, builds and packages, output in $second/DIR.log
  local dir=$second/tree/$1
  { cmake -S "$second/tree" -B "$dir" -DSKELV_TESTS=OFF "${@:2}" && cmake --build "$dir" -j"$(nproc)" &&
    (cd "$dir" && umask 022 && cpack); } >"$second/$1.log" 2>&1 || { cat "$second/$1.log"; echo "reproduce: $1 failed"; exit 1; }
}
# Packages are made with umask 022, as dpkg-buildpackage makes them: CPack
# gives the members of a .deb the modes its own files get.
export TZ=Pacific/Chatham
umask 002
build build
build build-win -DCMAKE_TOOLCHAIN_FILE="$second/tree/cmake/mingw-w64.cmake"
build build-win32 -DCMAKE_TOOLCHAIN_FILE="$second/tree/cmake/mingw-w64.cmake" \
  -DSKELV_MINGW_TRIPLE=i686-w64-mingw32

status=0
for file in build/skelv build/skelv_*_amd64.deb build-win/skelv.exe build-win/SKELV-*-win64.exe \
  build-win32/skelv.exe build-win32/SKELV-*-win32.exe; do
  a=$(compgen -G "$first/$file") || { echo "reproduce: $first/$file is missing"; status=1; continue; }
  if cmp -s "$a" "$second/tree/${a#"$first/"}"; then
    echo "reproduce: $file is the same"
  else
    echo "reproduce: $file differs: $(cmp "$a" "$second/tree/${a#"$first/"}" | head -1)"
    status=1
  fi
done
exit $status
