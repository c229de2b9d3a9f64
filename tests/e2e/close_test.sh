# Every way of closing the window ends the program the normal way: exit code 0
# and complete logs. $2 names the way: the window manager's close button,
# Alt+F4, or SIGINT / SIGTERM (Ctrl+C or kill in a terminal).
source "$(dirname "$0")/lib.sh"

start_skelv
wait_for_window
case "$2" in
  button) "$XCLOSE" "$WINDOW" || fail "xclose failed" ;;
  altf4) xdotool key alt+F4 ;;
  sigint) kill -INT "$PID" ;;
  sigterm) kill -TERM "$PID" ;;
  *) fail "unknown way of closing: $2" ;;
esac
expect_clean_exit
check_complete_logs
