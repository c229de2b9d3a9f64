# Shared by the end-to-end tests (sourced; $1 of the test is the skelv path).
# Each test runs the real program in a fresh working directory holding copies
# of the data files, on the X server in DISPLAY, driven by real X input.
# Waits poll with timeouts; the program is killed if the test fails.
set -euo pipefail

SKELV=$(readlink -f "$1")
BUILD_DIR=$(dirname "$SKELV")
XCLOSE=$BUILD_DIR/xclose
DATA_FILES=(Scape.raw scape.tex skelv.rgba sky.raw Duridaz.mid)
WORK_DIR=$(mktemp -d)
RUN_WITH=()   # what start_skelv runs the program under, e.g. (wine)
PID=""
WINDOW=""

cleanup() {
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
# (a background job of a script would otherwise ignore SIGINT).
start_skelv() {
  local file
  for file in "${DATA_FILES[@]}"; do
    cp "$BUILD_DIR/$file" "$WORK_DIR/" || fail "data file $file missing next to skelv"
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

wait_for_window() { poll 200 find_window || fail "no visible window within 20 s"; }

# Waits for the program to end and checks its exit code is 0.
expect_clean_exit() {
  local status=0
  poll 200 eval '! running' || fail "skelv still running 20 s after being asked to close"
  wait "$PID" || status=$?
  PID=""
  [ "$status" -eq 0 ] || fail "skelv exited with $status"
}

# file_has <file> <exact line>
file_has() { [ -f "$WORK_DIR/$1" ] && grep -qxF -- "$2" "$WORK_DIR/$1"; }

wait_for_line() {
  poll 100 file_has "$1" "$2" || fail "'$2' did not appear in $1 within 10 s"
}

# The main log of a complete run: exactly the banner and the three lifecycle
# lines, each behind the level prefix "1|".
check_main_log() {
  local log="$WORK_DIR/Main.txt"
  local month='(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)'
  local time='[0-2][0-9]:[0-5][0-9]:[0-5][0-9]'
  mapfile -t lines <"$log"
  [ "${#lines[@]}" -eq 7 ] || fail "Main.txt has ${#lines[@]} lines, not 7: $(cat "$log")"
  [ "${lines[0]}" = "1|SKELV [Win32 version] by Quorrin" ] || fail "banner line: '${lines[0]}'"
  [[ "${lines[1]}" =~ ^1\|Built\ at\ $time\ on\ $month\ [\ 123][0-9]\ [0-9]{4}$ ]] ||
    fail "build line: '${lines[1]}'"
  [[ "${lines[2]}" =~ ^1\|File:\ \'(/.*/System/Win32/WinMain\.cpp)\'$ ]] ||
    fail "source line: '${lines[2]}'"
  local source=${BASH_REMATCH[1]}
  [ -f "$source" ] || fail "source path $source does not exist"
  [[ "${lines[3]}" =~ ^1\|Last\ modified:\ (Mon|Tue|Wed|Thu|Fri|Sat|Sun)\ $month\ [\ 123][0-9]\ $time\ [0-9]{4}$ ]] ||
    fail "last-modified line: '${lines[3]}'"
  local modified
  modified=$(LC_ALL=C date -r "$source" '+%a %b %e %H:%M:%S %Y')
  [ "${lines[3]}" = "1|Last modified: $modified" ] ||
    fail "last-modified line '${lines[3]}' is not the source's time ($modified): stale build?"
  [ "${lines[4]}" = "1|[28] Running initialization code." ] || fail "line 5: '${lines[4]}'"
  [ "${lines[5]}" = "1|[32] Entering main loop." ] || fail "line 6: '${lines[5]}'"
  [ "${lines[6]}" = "1|[54] Running deinitialization code." ] || fail "line 7: '${lines[6]}'"
  [ "$(tail -c 1 "$log" | od -An -c | tr -d ' ')" = '\n' ] || fail "Main.txt does not end with a line feed"
}

# The 3D system's log of a complete run.
check_sys3d_log() {
  [ "$(cat "$WORK_DIR/Sys3DLog.txt")" = $'CSystem3D::Init()\nCSystem3D::DeInit()' ] ||
    fail "Sys3DLog.txt: '$(cat "$WORK_DIR/Sys3DLog.txt")'"
}

check_complete_logs() {
  check_main_log
  check_sys3d_log
}
