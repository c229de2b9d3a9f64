#!/usr/bin/env bash
# The Windows build, tested under Wine on Xvfb: cross-builds build-win/skelv.exe,
# runs it twice in fresh folders with the data files, types into it with real
# key events, closes it once by the window manager's close request
# (WM_DELETE_WINDOW) and once by Alt+F4, and compares its logs and its first
# frames with a run of the Linux build driven the same way. Three small X tools
# beside this script close a window, capture frames and pair the closest ones.
#
# Usage: tests/windows/run_wine_tests.sh [LINUX_BUILD_DIR]   (default: build)
# Uses the X server in DISPLAY, or starts its own Xvfb. Prints one
# "windows: PASS|FAIL ..." line per check and a closing count; when the
# Windows packages cannot be installed it prints "windows: SKIPPED (reason)".
# Exit status: 0 when everything passed or the tests were skipped, 1 otherwise.
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
linux_build=$(cd "${1:-$root/build}" 2>/dev/null && pwd || echo "${1:-$root/build}")
win_build=$root/build-win
out=$win_build/wine-test
title='SKELV by Quorrin'
data_files=(Scape.raw scape.tex skelv.rgba sky.raw Duridaz.mid)
compared_logs=(Sys3DLog.txt MTF.txt QLog.txt Console.txt OpenGL.txt)
# Frames captured from the first drawn one on, and the largest normalised RMSE
# between the closest Linux and Wine frames (a missing logo alone makes 0.03).
picture_series=16
max_picture_rmse=0.015
# The music module's messages: every line of MIDI.txt must be one of them.
midi_messages=("Creating performance" "Creating loader" "Got here" "Loading MIDI segment"
  "Playing segment" "Failed to create instance" "Failed to create performance"
  "Failed to initialise peformance" "Failed to initalise port" "Failed to create loader"
  "Failed to get current directory" "Failed to set search directory")

passed=0
failed=0
pass() { echo "windows: PASS  $*"; passed=$((passed + 1)); }
fail() { echo "windows: FAIL  $*"; failed=$((failed + 1)); }
note() { echo "windows:       $*"; }
skip() {
  echo "windows: SKIPPED ($*)"
  exit 0
}

# ---- prerequisites -----------------------------------------------------------
have_tools() {
  command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null &&
    [ -x /usr/lib/wine/wine64 ] && command -v xdotool >/dev/null &&
    command -v compare >/dev/null && command -v Xvfb >/dev/null
}
if ! have_tools; then
  mkdir -p "$win_build"
  "$root/scripts/setup.sh" --windows >"$win_build/setup.log" 2>&1 ||
    skip "the Windows packages could not be installed; see build-win/setup.log"
  have_tools || skip "mingw-w64 or Wine is still missing after scripts/setup.sh --windows"
fi

xvfb_pid=""
holder_pid=""
wine_env=()
cleanup() {
  # Ends this prefix's wineserver and with it every Wine process of the tests.
  [ ${#wine_env[@]} -gt 0 ] && env "${wine_env[@]}" wineserver -k 2>/dev/null
  [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  read -r DISPLAY xvfb_pid < <("$root/scripts/xvfb.sh") || skip "Xvfb did not start"
  export DISPLAY
fi
# NOTE: an X server resets when its last client leaves, and the reset puts the
# pointer back in the middle of the screen, so the pointer placed between runs
# would not stay put. One idle client keeps the server from resetting.
xev -root -event property >/dev/null 2>&1 &
holder_pid=$!

# ---- builds ------------------------------------------------------------------
mkdir -p "$win_build"
if cmake -S "$root" -B "$win_build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  >"$win_build/configure.log" 2>&1 &&
  cmake --build "$win_build" -j2 >"$win_build/build.log" 2>&1; then
  pass "cross build: build-win/skelv.exe"
else
  fail "cross build; see build-win/configure.log and build-win/build.log"
  tail -20 "$win_build/build.log" 2>/dev/null
  echo "windows: $passed passed, $failed failed"
  exit 1
fi
if grep -q 'warning:' "$win_build/build.log"; then
  fail "the cross build has compiler warnings (build-win/build.log)"
  grep 'warning:' "$win_build/build.log" | head -5
fi
pe_header=$(x86_64-w64-mingw32-objdump -p "$win_build/skelv.exe")
if grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$pe_header"; then
  pass "skelv.exe is a GUI-subsystem program"
else
  fail "skelv.exe is not a GUI-subsystem program"
fi
foreign_dlls=$(awk '/DLL Name:/ {print $3}' <<<"$pe_header" |
  grep -viE '^(kernel32|user32|gdi32|opengl32|glu32|ole32|msvcrt|advapi32|api-ms-win-.*)\.dll$')
if [ -z "$foreign_dlls" ]; then
  pass "skelv.exe needs only system DLLs"
else
  fail "skelv.exe needs DLLs Windows does not ship: $(echo $foreign_dlls)"
fi

if [ ! -x "$linux_build/skelv" ] || [ ! -x "$linux_build/xclose" ]; then
  cmake -S "$root" -B "$linux_build" >/dev/null && cmake --build "$linux_build" -j2 >/dev/null
fi
mkdir -p "$out"
for tool in capture_frames closest_frames; do
  c++ -std=c++17 -O2 -o "$out/$tool" "$root/tests/windows/$tool.cpp" -lX11 ||
    fail "$tool could not be built"
done

# ---- Wine prefix ---------------------------------------------------------------
prefix=$win_build/wineprefix
wine_env=(WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all
  # No Mono or Gecko installer dialogs, no desktop menu entries.
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
# A prefix whose first-run set-up was interrupted is made again.
if [ ! -f "$prefix/.skelv-ready" ]; then
  rm -rf "$prefix"
  if timeout 120 env "${wine_env[@]}" wineboot -i >"$out/wineboot.log" 2>&1 &&
    timeout 60 env "${wine_env[@]}" wineserver -w && [ -f "$prefix/system.reg" ]; then
    touch "$prefix/.skelv-ready"
  else
    fail "wineboot could not set up the Wine prefix; see $out/wineboot.log"
    echo "windows: $passed passed, $failed failed"
    exit 1
  fi
fi

# ---- driving one run -------------------------------------------------------------
# Prints the id of the visible program window once it exists (empty after $1 s).
find_window() {
  local deadline=$((SECONDS + $1)) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
}

# Captures the window's first drawn frames as $3-NN.ppm. The main log says
# when the main loop starts, so both builds are caught within their first
# frames of the same straight flight, whatever their start-up took.
first_pictures() {
  local window=$1 main_log=$2 stem=$3 deadline=$((SECONDS + 40))
  until grep -qs 'Entering main loop' "$main_log"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.01
  done
  "$out/capture_frames" "$window" "$picture_series" "$stem"
}

# Waits up to $2 s for child process $1 to end; sets run_status to its exit code,
# or ends it and says so.
wait_exit() {
  local pid=$1 deadline=$((SECONDS + $2))
  while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    run_status="still running after $2 s"
  else
    wait "$pid"
    run_status=$?
  fi
}

# run_demo NAME CLOSE_BY PROGRAM...: runs the program in a fresh $out/NAME with
# the data files, with the pointer at the steering centre so both builds fly the
# same straight line; saves its first pictures, types `ab<Return>` into the
# console and closes the window by CLOSE_BY (wm-delete or alt-f4).
# Sets run_status to the exit code, or to a reason why there is none.
run_demo() {
  local name=$1 close_by=$2 dir=$out/$1 window pid
  shift 2
  rm -rf "$dir" && mkdir -p "$dir"
  cp "${data_source[@]}" "$dir/" || { run_status="data files missing"; return; }
  xdotool mousemove 320 240
  case "$(xdotool getmouselocation)" in
    "x:320 y:240 "*) ;;
    *) note "$name: the pointer is not at the steering centre: $(xdotool getmouselocation)" ;;
  esac
  (cd "$dir" && exec "$@" </dev/null >"$dir/stdout.txt" 2>"$dir/stderr.txt") &
  pid=$!
  window=$(find_window 40)
  if [ -z "$window" ]; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    run_status="no window appeared"
    return
  fi
  first_pictures "$window" "$dir/Main.txt" "$dir/shot" || note "$name: the window showed no picture"
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  xdotool key --delay 40 grave a b Return grave
  sleep 0.5
  case $close_by in
    wm-delete) "$linux_build/xclose" "$window" ;;
    alt-f4) xdotool key alt+F4 ;;
  esac
  wait_exit "$pid" 30
}

# ---- checks ----------------------------------------------------------------------
# Lines that naturally differ between the builds: driver strings, handles, the
# frame rate, build time and paths. A line may differ from its Linux twin only
# when both match the same one of these patterns.
declare -A may_differ=(
  [OpenGL.txt]="^(Vendor|Renderer|Version|Extensions): "$'\037'"^DC -?[0-9]+, GetActiveWindow DC -?[0-9]+\$"$'\037'"^Average frame rate: [0-9]+ FPS\$"
  [Main.txt]="^1[|]Built at "$'\037'"^1[|]File: "$'\037'"^1[|]Last modified: "
)
total_exact=0
total_loose=0
total_lines=0

# Every line of a Windows text file ends in CR LF.
check_crlf() {
  local file=$1 label=$2 bare
  bare=$(awk '!/\r$/ { n++ } END { print n + 0 }' "$file")
  if [ "$bare" -eq 0 ]; then
    return 0
  fi
  fail "$label: $bare line(s) of $(basename "$file") do not end in CR LF"
  return 1
}

# compare_log FILE LINUX_DIR WINE_DIR LABEL: the Wine run's log has the Linux
# run's lines, CR LF stripped, except where may_differ allows.
compare_log() {
  local file=$1 linux_dir=$2 wine_dir=$3 label=$4 counts exact loose bad nl nw
  if [ ! -f "$wine_dir/$file" ] || [ ! -f "$linux_dir/$file" ]; then
    fail "$label: $file is missing"
    return
  fi
  check_crlf "$wine_dir/$file" "$label" || return
  counts=$(awk -v patterns="${may_differ[$file]:-}" -v linux="$linux_dir/$file" '
    function allowed(a, b, k) {
      for (k = 1; k <= np; k++) if (P[k] != "" && a ~ P[k] && b ~ P[k]) return 1
      return 0
    }
    BEGIN { np = split(patterns, P, "\037") }
    { sub(/\r$/, "") }
    FILENAME == linux { L[FNR] = $0; nl = FNR; next }
    { W[FNR] = $0; nw = FNR }
    END {
      n = nl > nw ? nl : nw
      for (i = 1; i <= n; i++) {
        if ((i in L) && (i in W) && L[i] == W[i]) exact++
        else if ((i in L) && (i in W) && allowed(L[i], W[i])) loose++
        else if (++bad <= 3)
          printf "windows:         line %d: Linux \"%s\", Wine \"%s\"\n", i,
                 substr(L[i], 1, 60), substr(W[i], 1, 60) > "/dev/stderr"
      }
      print exact + 0, loose + 0, bad + 0, nl + 0, nw + 0
    }' "$linux_dir/$file" "$wine_dir/$file")
  read -r exact loose bad nl nw <<<"$counts"
  total_exact=$((total_exact + exact))
  total_loose=$((total_loose + loose))
  total_lines=$((total_lines + (nl > nw ? nl : nw)))
  if [ "$bad" -eq 0 ]; then
    pass "$label: $file matches the Linux log: $((exact + loose)) of $nl lines" \
      "($exact identical, $loose differ only in driver strings, handles, frame rate or build details), CR LF"
  else
    fail "$label: $file differs from the Linux log in $bad line(s) (Linux $nl lines, Wine $nw)"
  fi
}

# Every line of MIDI.txt is one of the music module's messages.
check_midi() {
  local dir=$1 label=$2 line known unknown=0 lines=()
  [ -f "$dir/MIDI.txt" ] || { fail "$label: MIDI.txt is missing"; return; }
  check_crlf "$dir/MIDI.txt" "$label" || return
  while IFS= read -r line || [ -n "$line" ]; do
    line=${line%$'\r'}
    lines+=("$line")
    known=0
    for m in "${midi_messages[@]}"; do [ "$line" = "$m" ] && known=1; done
    [ $known -eq 1 ] || unknown=$((unknown + 1))
  done <"$dir/MIDI.txt"
  local joined
  joined=$(printf '%s; ' "${lines[@]}")
  if [ ${#lines[@]} -gt 0 ] && [ $unknown -eq 0 ]; then
    pass "$label: MIDI.txt holds only known messages: ${joined%; }"
  else
    fail "$label: MIDI.txt has ${#lines[@]} line(s), $unknown unknown: ${joined%; }"
  fi
}

# The main log: the Win32 banner first, a complete shut-down last, CR LF.
check_main_log() {
  local dir=$1 label=$2
  [ -f "$dir/Main.txt" ] || { fail "$label: Main.txt is missing"; return; }
  check_crlf "$dir/Main.txt" "$label" || return
  if [ "$(head -1 "$dir/Main.txt")" = $'1|SKELV [Win32 version] by Quorrin\r' ] &&
    [ "$(tail -1 "$dir/Main.txt")" = $'1|[54] Running deinitialization code.\r' ]; then
    pass "$label: Main.txt opens with the Win32 banner and ends with the shut-down, CR LF"
  else
    fail "$label: Main.txt lacks the Win32 banner or the shut-down line"
  fi
}

check_wine_run() {
  local name=$1 how=$2 file
  if [ "$run_status" = 0 ]; then
    pass "$name: closed by $how, exit code 0"
  else
    fail "$name: closed by $how: $run_status (stderr: $(tail -c 300 "$out/$name/stderr.txt" 2>/dev/null))"
  fi
  check_main_log "$out/$name" "$name"
  for file in "${compared_logs[@]}" Main.txt; do
    compare_log "$file" "$out/linux" "$out/$name" "$name"
  done
  check_midi "$out/$name" "$name"
}

# ---- the runs --------------------------------------------------------------------
for f in "${data_files[@]}"; do
  cmp -s "$linux_build/$f" "$win_build/$f" || fail "$f generated for Windows differs from the Linux build's"
done

data_source=("${data_files[@]/#/$linux_build/}")
run_demo linux wm-delete "$linux_build/skelv"
linux_status=$run_status
if [ "$linux_status" = 0 ]; then
  pass "linux reference run: exit code 0"
else
  fail "linux reference run: $linux_status (stderr: $(tail -c 300 "$out/linux/stderr.txt" 2>/dev/null))"
fi

data_source=("${data_files[@]/#/$win_build/}" "$win_build/skelv.exe")
run_demo wine-wm-delete wm-delete env "${wine_env[@]}" wine ./skelv.exe
check_wine_run wine-wm-delete "WM_DELETE_WINDOW"
run_demo wine-alt-f4 alt-f4 env "${wine_env[@]}" wine ./skelv.exe
check_wine_run wine-alt-f4 "Alt+F4"

note "log lines compared: $total_lines; identical $total_exact; allowed to differ $total_loose"

# The first pictures of both builds. The two programs fly at their own frame
# rates, so of the two series of captures the pair closest in the flight is
# compared: the same moment seen by both builds.
if closest=$("$out/closest_frames" "$out"/linux/shot-*.ppm -- "$out"/wine-wm-delete/shot-*.ppm); then
  read -r linux_shot wine_shot _ <<<"$closest"
  convert "$linux_shot" "$wine_shot" +append "$out/first_frames_linux_wine.png"
  rmse=$(compare -metric RMSE "$linux_shot" "$wine_shot" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
  # How many pixels differ visibly, for the report.
  differing=$(compare -metric AE -fuzz 3% "$linux_shot" "$wine_shot" null: 2>&1)
  pixels=$(identify -format '%[fx:w*h]' "$linux_shot")
  pair_names="Linux $(basename "$linux_shot" .ppm), Wine $(basename "$wine_shot" .ppm)"
  if awk -v r="${rmse:-1}" -v m="$max_picture_rmse" 'BEGIN { exit !(r <= m) }'; then
    pass "first pictures: Wine draws what Linux draws ($pair_names): normalised RMSE $rmse" \
      "(limit $max_picture_rmse), $differing of $pixels pixels differ by more than 3%"
  else
    fail "first pictures differ ($pair_names): normalised RMSE ${rmse:-?} (limit $max_picture_rmse)," \
      "$differing of $pixels pixels differ by more than 3%"
  fi
  note "pictures: $out/first_frames_linux_wine.png"
else
  fail "first pictures: no drawn frames of the same size from both builds"
fi

echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
