# Shared by the end-to-end tests (sourced; $1 of the test is the skelv path).
# Each test runs the real program in a fresh working directory holding links to
# the data files, on the X server in DISPLAY, driven by real X input.
# Waits poll with timeouts; the program is killed if the test fails.
set -euo pipefail

SKELV=$(readlink -f "$1")
BUILD_DIR=$(dirname "$SKELV")
XCLOSE=$BUILD_DIR/xclose
source "$BUILD_DIR/skelv-facts.sh"   # DATA_FILES, LOG_FILES, CLIENT_*, VERSION
FAIL_ALLOC=$BUILD_DIR/fail_alloc.so   # fault injection (tests/e2e/fail_alloc.cpp)
WORK_DIR=$(mktemp -d)
RUN_WITH=()   # what start_skelv runs the program under, e.g. (wine)
PID=""
WINDOW=""

# A test with more to stop at the end defines on_exit, which runs first.
cleanup() {
  if declare -F on_exit >/dev/null; then on_exit || true; fi
  if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then kill -KILL "$PID" 2>/dev/null || true; fi
  rm -rf "$WORK_DIR"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$WORK_DIR/stderr" ]; then sed 's/^/  skelv stderr: /' "$WORK_DIR/stderr" >&2; fi
  exit 1
}

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/poll.sh"

# Starts skelv in the working directory with default signal dispositions
# (a background job of a script would otherwise ignore SIGINT). The data files
# are symbolic links, as the installed launcher makes them; files already in
# the working directory are kept, so a test can replace one.
start_skelv() {
  local file
  for file in "${DATA_FILES[@]}"; do
    [ -e "$WORK_DIR/$file" ] || [ -L "$WORK_DIR/$file" ] || ln -s "$BUILD_DIR/$file" "$WORK_DIR/" ||
      fail "data file $file missing next to skelv"
  done
  set -m
  (cd "$WORK_DIR" && exec "${RUN_WITH[@]}" "$SKELV" >"$WORK_DIR/stdout" 2>"$WORK_DIR/stderr") &
  PID=$!
  set +m
}

running() { kill -0 "$PID" 2>/dev/null; }

find_window() {
  running || fail "skelv exited before showing its window"
  WINDOW=$(xdotool search --onlyvisible --pid "$PID" 2>/dev/null | head -n 1)
  [ -n "$WINDOW" ]
}

wait_for_window() { poll 600 find_window || fail "no visible window within 60 s"; }

# The window shows a drawn frame: mostly white fog and sky (an undrawn one is black).
drawn() {
  import -window "$WINDOW" "$WORK_DIR/shot.png" 2>/dev/null &&
    [ "$(convert "$WORK_DIR/shot.png" -format '%[fx:round(100*mean)]' info:)" -ge 30 ]
}

# Waits for the program to end (its threads' stacks are shown if it does not)
# and sets STATUS to its exit code.
wait_for_exit() {
  if ! poll 600 eval '! running'; then
    gdb -batch -p "$PID" -ex 'thread apply all bt' >"$WORK_DIR/stacks" 2>&1 || true
    fail "skelv still running 60 s after being asked to close; its threads:
$(grep -E '^(Thread|#)' "$WORK_DIR/stacks" | cut -c1-160)"
  fi
  STATUS=0
  wait "$PID" || STATUS=$?
  PID=""
}

# Waits for the program to end and checks its exit code is 0.
expect_clean_exit() {
  wait_for_exit
  [ "$STATUS" -eq 0 ] || fail "skelv exited with $STATUS"
}

# file_has <file> <exact line>
file_has() { [ -f "$WORK_DIR/$1" ] && grep -qxF -- "$2" "$WORK_DIR/$1"; }

# wait_for_line <file> <exact line>: until the program has had 30 s of CPU
# time to write it (a busy machine slows the wait, not the verdict), while it
# runs, or for five minutes when it gets no CPU.
wait_for_line() {
  local ticks start i
  ticks=$(getconf CLK_TCK) start=$(cpu_ticks)
  for ((i = 0; i < 3000; i++)); do
    file_has "$1" "$2" && return 0
    running && [ $(($(cpu_ticks) - start)) -lt $((30 * ticks)) ] || break
    sleep 0.1
  done
  file_has "$1" "$2" || fail "'$2' did not appear in $1 in 30 s of the program's CPU time"
}
# The CPU time the program has used, in clock ticks (user and system).
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$PID/stat" 2>/dev/null || echo 0; }

# expect_log <file> <exact content, line feeds included>
expect_log() {
  [ "$(cat "$WORK_DIR/$1"; echo x)" = "$2x" ] || fail "$1 is not as expected:
$(od -c "$WORK_DIR/$1" | head -n 40)"
}

# The main log of a complete run: the banner and the three lifecycle lines,
# each behind the level prefix "1|", its times those the build took (in UTC)
# from the commit and from WinMain.cpp's last change.
check_main_log() {
  mapfile -t lines <"$WORK_DIR/Main.txt"
  [ "${#lines[@]}" -eq 7 ] || fail "Main.txt has ${#lines[@]} lines, not 7: $(cat "$WORK_DIR/Main.txt")"
  [[ "${lines[2]}" =~ ^1\|File:\ \'/.*/System/Win32/WinMain\.cpp\'$ ]] || fail "source line: '${lines[2]}'"
  cached_time() { LC_ALL=C date -ud "@$(sed -n "s/^$1:INTERNAL=//p" "$BUILD_DIR/CMakeCache.txt")" "$2"; }
  expect_log Main.txt "1|SKELV [Win32 version] by Quorrin
1|Built at $(cached_time SKELV_SOURCE_DATE_EPOCH '+%H:%M:%S on %b %e %Y')
${lines[2]}
1|Last modified: $(cached_time SKELV_MAIN_SOURCE_TIME '+%a %b %e %H:%M:%S %Y')
1|[28] Running initialization code.
1|[32] Entering main loop.
1|[54] Running deinitialization code.
"
}

# The OpenGL log: the device context named twice, the driver's strings, the
# extension list cut after a whole name within a log message, the frame rate.
check_opengl_log() {
  mapfile -t lines <"$WORK_DIR/OpenGL.txt"
  [ "${#lines[@]}" -eq 7 ] || fail "OpenGL.txt has ${#lines[@]} lines, not 7"
  [[ "${lines[0]}" =~ ^DC\ ([0-9]+),\ GetActiveWindow\ DC\ ([0-9]+)$ ]] &&
    [ "${BASH_REMATCH[1]}" = "${BASH_REMATCH[2]}" ] || fail "device line: '${lines[0]}'"
  [ "${lines[1]}" = "OpenGL Driver Info" ] || fail "line 2: '${lines[1]}'"
  [[ "${lines[2]}" =~ ^Vendor:\ .+ && "${lines[3]}" =~ ^Renderer:\ .+ && "${lines[4]}" =~ ^Version:\ .+ ]] ||
    fail "driver lines: ${lines[*]:2:3}"
  [[ "${lines[5]}" =~ ^Extensions:\ (GL_[A-Za-z0-9_]+\ )*GL_[A-Za-z0-9_]+$ ]] && [ "${#lines[5]}" -lt 4095 ] ||
    fail "extension line (${#lines[5]} characters) is not whole names"
  [[ "${lines[6]}" =~ ^Average\ frame\ rate:\ [0-9]+\ FPS$ ]] || fail "frame-rate line: '${lines[6]}'"
}

check_sys3d_log() { expect_log Sys3DLog.txt $'CSystem3D::Init()\nCSystem3D::DeInit()\n'; }

# Every log of a complete run with the shipped data. Console.txt holds $1
# (default: nothing); the music log may say the machine has no audio output.
check_complete_logs() {
  check_main_log
  check_opengl_log
  check_sys3d_log
  expect_log MTF.txt $'Reading height file \'Scape.raw\'\nFinished reading file\nReading text file \'scape.tex\'\nFinished reading file\n'
  [ "$(grep -cx 'Width: 7' "$WORK_DIR/QLog.txt")" = 1024 ] &&
    [ "$(grep -cE '^Index 2 \[[0-9]+\] out of bounds! 3[0-9]{4} / 36864$' "$WORK_DIR/QLog.txt")" = 223 ] &&
    [ "$(wc -l <"$WORK_DIR/QLog.txt")" = 1247 ] || fail "QLog.txt: $(sort "$WORK_DIR/QLog.txt" | uniq -c | head)"
  local rest=$'Creating loader\nGot here\nLoading MIDI segment\nPlaying segment\n'
  if file_has MIDI.txt "Failed to initalise port"; then
    expect_log MIDI.txt $'Creating performance\nFailed to initalise port\n'"$rest"
  else
    expect_log MIDI.txt $'Creating performance\n'"$rest"
  fi
  expect_log Console.txt "${1:-}"
}
