# The Windows builds under Wine on Xvfb, one per architecture given (x86_64,
# i686), each against a run of the Linux build driven the same way: the logs
# equal the Linux logs under one mask, the close request and Alt+F4 both end
# with exit code 0, the first drawn picture equals the Linux frame of the same
# number, and the music descriptor handed to DirectMusic has its
# architecture's size. Then each NSIS installer, run silently twice into the
# fresh prefix: the Start-menu shortcut's target, started in its folder, runs;
# the registered uninstaller removes the program and the shortcut but not a
# file of the user's.
# Usage: wine_test.sh <linux build>/skelv ARCH...
source "$(dirname "$0")/../e2e/lib.sh"
root=$(cd "$(dirname "$0")/../.." && pwd)
linux_build=$BUILD_DIR
out=$root/build-win/wine-test
# No Mono or Gecko installer dialogs, no desktop menu entries from Wine.
export WINEPREFIX=$root/build-win/wineprefix WINEARCH=win64 WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap "wineserver -k 2>/dev/null; $(trap -p EXIT | cut -d"'" -f2)" EXIT
rm -rf "$out" "$WINEPREFIX" && mkdir -p "$out"
timeout 120 wineboot -i >"$out/wineboot.log" 2>&1 || fail "wineboot failed; see $out/wineboot.log"

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
  local X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
  case $3 in
    frames) poll 1200 eval '[ -s "$out/frames/frame-$FRAMES.ppm" ]' || fail "$1: not $FRAMES frames in 120 s" ;;
    first)
      poll 600 shot_drawn "$out/$1-0.ppm" || fail "$1: nothing drawn within 60 s"
      # Two more: a capture may fall between the parts of one frame's upload.
      for i in 1 2; do import -silent -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" "$out/$1-$i.ppm"; done ;;
  esac
  xdotool windowfocus "$WINDOW" key --delay 40 grave a b Return grave
  wait_for_line "$logs/Console.txt" "Console active status: 0$cr"
  case $2 in xclose) "$XCLOSE" "$WINDOW" ;; *) xdotool key "$2" ;; esac
  expect_clean_exit
  mkdir "$out/$1" && cp "$WORK_DIR/$logs"/*.txt "$out/$1/" && rm -f "$WORK_DIR"/*.txt
}

# Every log in CR LF lines and equal to the Linux log under the mask.
compare_logs() {
  local log lines=0 masked=0
  for log in Main Sys3DLog OpenGL MTF QLog MIDI Console; do
    [ -f "$out/$1/$log.txt" ] || fail "$1: $log.txt is missing"
    ! grep -qv $'\r$' "$out/$1/$log.txt" || fail "$1: $log.txt has lines not ending in CR LF"
    diff <(mask "$out/linux/$log.txt") <(mask "$out/$1/$log.txt") || fail "$1: $log.txt differs from Linux"
    lines=$((lines + $(wc -l <"$out/$1/$log.txt")))
    masked=$((masked + $(diff <(sed 's/\r$//' "$out/$1/$log.txt") <(mask "$out/$1/$log.txt") | grep -c '^<' || true)))
  done
  echo "$1: 7 logs, $lines lines, equal to the Linux logs; $masked lines masked"
}

# The camera flies a fixed step a frame, so whenever a picture of the Windows
# build was taken, the Linux frame of the same number shows what it must show
# (frames one apart differ in about 1,200 pixels; a build without the logo came
# no closer than 3,800).
first_picture() {
  local shot n differ best=$((632 * 453)) pair=""
  for shot in "$out/$1"-[0-9].ppm; do
    for ((n = 1; n <= FRAMES; n++)); do
      differ=$(compare -metric AE -fuzz 2% "$out/frames/frame-$n.ppm" "$shot" null: 2>&1) || true
      [ "$differ" -lt "$best" ] 2>/dev/null && best=$differ pair="$(basename "$shot") and Linux frame $n"
      [ "$best" -gt 100 ] || break 2
    done
  done
  [ "$best" -le 100 ] || fail "$1: no drawn picture is a Linux frame (of the first $FRAMES): closest $pair, $best pixels differ"
  echo "$1: first drawn picture $pair: $best of $((632 * 453)) pixels differ"
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
  esac
  { cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DSKELV_MINGW_TRIPLE="$arch-w64-mingw32" && cmake --build "$build" -j2 && (cd "$build" && cpack); } \
    >"$out/$arch-build.log" 2>&1 || fail "$arch: the cross build failed; see $out/$arch-build.log"
  ! grep 'warning:' "$out/$arch-build.log" || fail "$arch: the cross build has warnings"
  "$arch-w64-mingw32-objdump" -p "$build/skelv.exe" | grep -E "^Subsystem\s+00000002" >/dev/null ||
    fail "$arch: skelv.exe is not a GUI program"
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
  for i in 1 2; do /usr/lib/wine/wine "$build"/SKELV-*.exe /S || fail "$arch: installer run $i failed"; done
  link=$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/SKELV/SKELV.lnk')
  [ -n "$link" ] || fail "$arch: no Start-menu shortcut"
  # The link keeps its target as the one ANSI path, its working folder as the one UTF-16 path.
  target=$(winepath -u "$(strings "$link" | grep -o '[A-Z]:\\.*\.exe')")
  folder=$(winepath -u "$(strings -el "$link" | grep -o '[A-Z]:\\.*')")
  [[ $target == */AppData/Local/Programs/SKELV/skelv.exe ]] || fail "$arch: installed as $target"
  SKELV=$target RUN_WITH=(env -C "$folder" "$loader")
  start_skelv
  drive "$arch-installed" alt+F4 none "$(realpath --relative-to="$WORK_DIR" "$folder")"
  compare_logs "$arch-installed"

  # The uninstaller the installer registered, run while the program is not.
  uninstaller=$(/usr/lib/wine/wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\SKELV' \
    /v UninstallString | grep -o '[A-Z]:\\[^"]*')
  echo "mine" >"$folder/notes.txt"
  /usr/lib/wine/wine "$(winepath -u "$uninstaller")" /S || fail "$arch: the uninstaller failed"
  poll 300 eval '[ ! -e "$link" ]' || fail "$arch: the uninstaller left the shortcut"
  [ "$(ls "$folder")" = notes.txt ] || fail "$arch: the uninstaller left $(ls "$folder")"
  echo "$arch: installed twice, started from the shortcut, uninstalled, the user's file kept"
  rm -r "$folder"
done
