# The Windows builds under Wine on Xvfb, one per architecture given (x86_64,
# i686), each against a run of the Linux build driven the same way: the logs
# equal the Linux logs under one mask, the close request and Alt+F4 both end
# with exit code 0, the first drawn picture equals the Linux frame of the same
# number, and the music descriptor handed to DirectMusic has its
# architecture's size; skelv.exe has its icon, version and manifest. Then each
# NSIS installer, run silently twice into a prefix without our program: the
# Start-menu shortcut's target, started in its folder, runs; shortcut and
# uninstall entry show the program's icon;
# the registered uninstaller removes the program and the shortcut but not a
# file of the user's.
# Usage: wine_test.sh <linux build>/skelv ARCH...
source "$(dirname "$0")/../e2e/lib.sh"
root=$(cd "$(dirname "$0")/../.." && pwd)
linux_build=$BUILD_DIR
out=$root/build-win/wine-test
# Wine's own tools run on its 32-bit loader, or on the 64-bit one where the
# kernel cannot execute 32-bit programs.
wine=/usr/lib/wine/wine
"$wine" --version >/dev/null 2>&1 || wine=/usr/lib/wine/wine64
# One Wine prefix per Wine version kept between runs, for one run at a time (a
# run that finds it busy makes its own); made when missing, cleared of our
# program when kept. No Mono or Gecko dialogs, no desktop menu entries from Wine.
cache=${XDG_CACHE_HOME:-$HOME/.cache}/skelv
rm -rf "$out" && mkdir -p "$cache" "$out" && exec 9>"$cache/wine.lock"
WINEPREFIX=$root/build-win/wineprefix
if flock -n 9; then
  WINEPREFIX=$cache/$("$wine" --version | tr -c 'A-Za-z0-9.\n-' _)
  find "$cache" -mindepth 1 -maxdepth 1 -type d ! -path "$WINEPREFIX" -exec rm -rf {} +
fi
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
on_exit() { wineserver -k 2>/dev/null; }
if [ -e "$WINEPREFIX/made" ]; then
  rm -rf "$WINEPREFIX"/drive_c/users/*/{AppData/Local/Programs,"AppData/Roaming/Microsoft/Windows/Start Menu/Programs"}/SKELV
  for key in Software\\SKELV Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SKELV; do
    ! grep -qF "[${key//\\/\\\\}" "$WINEPREFIX/user.reg" || "$wine" reg delete "HKCU\\$key" /f >/dev/null ||
      fail "cannot remove HKCU\\$key from the kept Wine prefix"
  done
else
  rm -rf "$WINEPREFIX"
  timeout 120 "$wine" wineboot -i >"$out/wineboot.log" 2>&1 && wineserver -w || fail "wineboot failed; see $out/wineboot.log"
  touch "$WINEPREFIX/made"
fi

# The fields that legitimately differ between the builds' logs: build time,
# window DC handle, driver strings, frame rate; and Wine's DirectMusic, which
# without a sound card fails one step earlier than ours.
mask() {
  sed -e 's/\r$//' -e 's/^1|Built at .*/1|Built at (time)/' \
    -e 's/^DC \(-\?[0-9]*\), GetActiveWindow DC \1$/DC (handle)/' \
    -e 's/^\(Vendor\|Renderer\|Version\|Extensions\): .*/\1: (driver)/' \
    -e 's/^Average frame rate: [1-9][0-9]* FPS$/Average frame rate: (rate)/' \
    -e '/^Failed to initialise peformance$/d' "$1"
}

# The Linux build writes its first FRAMES frames as drawn (frame_dump.so).
FRAMES=150

# The client area as shown (Wine may draw OpenGL in a child window) into $1,
# once it is drawn: mostly fog and sky, where an undrawn window is black.
shot_drawn() {
  import -silent -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" "$1" &&
    [ "$(convert "$1" -format '%[fx:round(100*mean)]' info:)" -ge 30 ]
}

# drive NAME CLOSE PICTURES [LOG_DIR]: with the program started (pointer at the
# steering centre, so every build flies the same straight line), waits for
# PICTURES: "frames" for the Linux build's dumped frames, "first" for the first
# drawn picture and two more; types `ab<Return>` into the console, closes the
# window by CLOSE (xclose or alt+F4), expects exit code 0 and copies the logs
# (in LOG_DIR, relative to WORK_DIR) to $out/NAME; none stay for the next run.
drive() {
  local logs=${4:-.} i
  wait_for_window
  wait_for_line "$logs/Main.txt" "1|[32] Entering main loop.$cr"
  # The screen under the window, as shown: Wine may draw OpenGL in a child window.
  local X Y WIDTH HEIGHT
  read -r X Y WIDTH HEIGHT < <(xdotool getwindowgeometry --shell "$WINDOW" |
    grep -E '^(X|Y|WIDTH|HEIGHT)=' | cut -d= -f2 | paste -sd' ')
  case $3 in
    frames) poll 1200 eval '[ -s "$out/frames/frame-$FRAMES.ppm" ]' || fail "$1: not $FRAMES frames in 120 s" ;;
    first)
      poll 600 shot_drawn "$out/$1-0.ppm" || fail "$1: nothing drawn within 60 s"
      # Two more: a capture may fall between the parts of one frame's upload.
      for i in 1 2; do import -silent -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" "$out/$1-$i.ppm"; done
      pointer_free_behind "$1" ;;
  esac
  xdotool windowfocus "$WINDOW" key --delay 40 grave a b Return grave
  wait_for_line "$logs/Console.txt" "Console active status: 0$cr"
  case $2 in xclose) "$XCLOSE" "$WINDOW" ;; *) xdotool key "$2" ;; esac
  expect_clean_exit
  mkdir "$out/$1" && cp "$WORK_DIR/$logs"/*.txt "$out/$1/" && rm -f "$WORK_DIR"/*.txt
}

# Another Wine window in front (Wine's Notepad, moved off the demo's upper
# left): the pointer is the user's, it stays where it was put while the demo
# draws two more pictures (called from drive, whose X and Y it reads).
pointer_free_behind() {
  local notepad shot
  "$loader" notepad >/dev/null 2>&1 &
  poll 300 eval 'notepad=$(xdotool search --onlyvisible --name Notepad | head -n 1); [ -n "$notepad" ]' ||
    fail "$1: Notepad did not show"
  xdotool windowmove --sync "$notepad" 700 500 windowfocus --sync "$notepad" mousemove 900 700
  for shot in 1 2; do
    import -silent -window root -crop "200x200+$X+$Y" "$out/behind-0.ppm"
    poll 300 eval 'import -silent -window root -crop "200x200+$X+$Y" "$out/behind-1.ppm" &&
      ! cmp -s "$out"/behind-[01].ppm' ||
      fail "$1: the demo stopped drawing behind Notepad"
  done
  [ "$(xdotool getmouselocation | cut -d' ' -f1-2)" = "x:900 y:700" ] ||
    fail "$1: the pointer was taken from Notepad to $(xdotool getmouselocation)"
  "$XCLOSE" "$notepad"
  poll 300 eval '! xdotool search --onlyvisible --name Notepad >/dev/null' || fail "$1: Notepad did not close"
  echo "$1: with Notepad in front the pointer stayed where it was put"
}

# Every log in CR LF lines and equal to the Linux log under the mask.
compare_logs() {
  local log lines=0 masked=0
  for log in "${LOG_FILES[@]}"; do
    [ -f "$out/$1/$log" ] || fail "$1: $log is missing"
    ! grep -qv $'\r$' "$out/$1/$log" || fail "$1: $log has lines not ending in CR LF"
    diff <(mask "$out/linux/$log") <(mask "$out/$1/$log") || fail "$1: $log differs from Linux"
    lines=$((lines + $(wc -l <"$out/$1/$log")))
    masked=$((masked + $(diff <(sed 's/\r$//' "$out/$1/$log") <(mask "$out/$1/$log") | grep -c '^<' || true)))
  done
  echo "$1: ${#LOG_FILES[@]} logs, $lines lines, equal to the Linux logs; $masked lines masked"
}

# The camera flies a fixed step a frame, so whenever a picture of the Windows
# build was taken, the Linux frame of the same number shows what it must show
# (frames one apart differ in about 1,200 pixels; a build without the logo came
# no closer than 3,800).
first_picture() {
  local shot n differ best=$((CLIENT_WIDTH * CLIENT_HEIGHT)) pair=""
  for shot in "$out/$1"-[0-9].ppm; do
    for ((n = 1; n <= FRAMES; n++)); do
      differ=$(compare -metric AE -fuzz 2% "$out/frames/frame-$n.ppm" "$shot" null: 2>&1) || true
      [ "$differ" -lt "$best" ] 2>/dev/null && best=$differ pair="$(basename "$shot") and Linux frame $n"
      [ "$best" -gt 100 ] || break 2
    done
  done
  [ "$best" -le 100 ] || fail "$1: no drawn picture is a Linux frame (of the first $FRAMES): closest $pair, $best pixels differ"
  echo "$1: first drawn picture $pair: $best of $((CLIENT_WIDTH * CLIENT_HEIGHT)) pixels differ"
}

xdotool mousemove 320 240
cr=""
mkdir "$out/frames"
RUN_WITH=(env LD_PRELOAD="$linux_build/libframe_dump.so" SKELV_FRAME_DUMP_DIR="$out/frames"
  SKELV_FRAME_DUMP_COUNT=$FRAMES)
start_skelv
drive linux xclose frames
RUN_WITH=()
cp "$out/linux"/*.txt "$WORK_DIR/"
check_complete_logs $'Console active status: 1\nRecieved: \'a\'\nRecieved: \'b\'\nLine test: ab\nIn line: test\nFinal line: test\nRecieved: \'\r\'\nConsole active status: 0\n'

for arch in "${@:2}"; do
  case $arch in
    x86_64) build=$root/build-win loader=/usr/lib/wine/wine64 descriptor=856 ;;
    i686) build=$root/build-win32 loader=/usr/lib/wine/wine descriptor=848 ;;
    *) fail "unknown architecture '$arch' (x86_64 or i686)" ;;
  esac
  { cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DSKELV_MINGW_TRIPLE="$arch-w64-mingw32" && cmake --build "$build" -j2 && (cd "$build" && cpack); } \
    >"$out/$arch-build.log" 2>&1 || fail "$arch: the cross build failed; see $out/$arch-build.log"
  "$arch-w64-mingw32-objdump" -p "$build/skelv.exe" | grep -E "^Subsystem\s+00000002" >/dev/null ||
    fail "$arch: skelv.exe is not a GUI program"
  # Its resources: the icon's images and their group, the version (ours), the manifest.
  types=$("$arch-w64-mingw32-objdump" -p "$build/skelv.exe" | sed -n 's/^[0-9a-f]\{3\}   Entry: ID: 0x0000\(..\),.*/\1/p')
  [ "$(echo $types)" = "03 0e 10 18" ] || fail "$arch: skelv.exe has the resource types $(echo $types)"
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  [ "$(strings -el "$build/skelv.exe" | grep -cx "$version")" -eq 2 ] || fail "$arch: skelv.exe is not version $version"
  for f in "${DATA_FILES[@]}"; do cmp -s "$build/$f" "$linux_build/$f" || fail "$arch: $f differs from Linux"; done

  # From the build folder, closed by the window manager, with DirectMusic traced.
  SKELV=$build/skelv.exe BUILD_DIR=$build RUN_WITH=("$loader") cr=$'\r'
  WINEDEBUG=-all,trace+dmloader,trace+dmfile start_skelv
  drive "$arch" xclose first
  compare_logs "$arch"
  first_picture "$arch"
  desc=$(sed -n 's/.*IDirectMusicLoaderImpl_GetObject ([0-9A-F]*)->(\([0-9A-F]*\),.*/\1/p' "$WORK_DIR/stderr")
  grep -q "DMUS_OBJECTDESC (${desc:-?}): - dwSize = $descriptor\$" "$WORK_DIR/stderr" ||
    fail "$arch: the music descriptor is not $descriptor bytes: $(grep -m3 dwSize "$WORK_DIR/stderr")"
  echo "$arch: the music descriptor handed to DirectMusic is $descriptor bytes"

  # Installed: twice over itself, then started from the shortcut, closed by Alt+F4.
  # Windows asks for no administrator rights for an installer that runs asInvoker.
  strings "$build"/SKELV-*.exe | grep 'requestedExecutionLevel level="asInvoker"' >/dev/null ||
    fail "$arch: the installer asks for administrator rights"
  if [ "$wine" != /usr/lib/wine/wine ]; then
    echo "$arch: installer NOT RUN: NSIS installers are 32-bit programs, which this kernel cannot execute"
    continue
  fi
  for i in 1 2; do "$wine" "$build"/SKELV-*.exe /S || fail "$arch: installer run $i failed"; done
  link=$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/SKELV/SKELV.lnk')
  [ -n "$link" ] || fail "$arch: no Start-menu shortcut"
  # The link keeps its target as the one ANSI path, its working folder and icon as UTF-16 paths.
  target=$("$wine" winepath -u "$(strings "$link" | grep -o '[A-Z]:\\.*\.exe')")
  folder=$("$wine" winepath -u "$(strings -el "$link" | grep -o '[A-Z]:\\.*' | grep -v '\.exe$')")
  [[ $target == */AppData/Local/Programs/SKELV/skelv.exe ]] || fail "$arch: installed as $target"
  [ "$("$wine" winepath -u "$(strings -el "$link" | grep -o '[A-Z]:\\.*\.exe$')")" = "$target" ] ||
    fail "$arch: the shortcut does not show the program's icon"
  SKELV=$target RUN_WITH=(env -C "$folder" "$loader")
  start_skelv
  drive "$arch-installed" alt+F4 none "$(realpath --relative-to="$WORK_DIR" "$folder")"
  compare_logs "$arch-installed"

  # The uninstaller the installer registered, run while the program is not.
  entry=$("$wine" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\SKELV')
  uninstaller=$(grep UninstallString <<<"$entry" | grep -o '[A-Z]:\\[^"]*')
  [ "$("$wine" winepath -u "$(grep DisplayIcon <<<"$entry" | grep -o '[A-Z]:\\.*exe')")" = "$target" ] ||
    fail "$arch: the uninstall entry does not show the program's icon"
  echo "mine" >"$folder/notes.txt"
  "$wine" "$("$wine" winepath -u "$uninstaller")" /S || fail "$arch: the uninstaller failed"
  poll 300 eval '[ ! -e "$link" ]' || fail "$arch: the uninstaller left the shortcut"
  [ "$(ls "$folder")" = notes.txt ] || fail "$arch: the uninstaller left $(ls "$folder")"
  echo "$arch: installed twice, started from the shortcut, uninstalled, the user's file kept"
  rm -r "$folder"
done
