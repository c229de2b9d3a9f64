# Without an X display the program says so on stderr and exits at once with a
# non-zero code, whether DISPLAY is unset or names no server.
source "$(dirname "$0")/lib.sh"

run_without() {
  local status=0
  (cd "$WORK_DIR" && exec timeout 10 "$@" "$SKELV" >"$WORK_DIR/stdout" 2>"$WORK_DIR/stderr") ||
    status=$?
  [ "$status" -ne 0 ] || fail "exit code 0 without a display"
  [ "$status" -ne 124 ] || fail "still running 10 s without a display"
}

run_without env -u DISPLAY
grep -qF "skelv: cannot open an X display: DISPLAY is not set" "$WORK_DIR/stderr" ||
  fail "unclear message: $(cat "$WORK_DIR/stderr")"

run_without env DISPLAY=:9876
grep -qF "skelv: cannot open X display ':9876'" "$WORK_DIR/stderr" ||
  fail "unclear message: $(cat "$WORK_DIR/stderr")"
[ ! -e "$WORK_DIR/Main.txt" ] || fail "Main.txt written without a display"
