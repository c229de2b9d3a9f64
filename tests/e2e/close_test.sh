# Every way of closing the window ends the program the normal way: exit code 0
# and complete logs. $2 names the way: the window manager's close button,
# Alt+F4, SIGINT / SIGTERM / SIGHUP (Ctrl+C, kill, a closed terminal), or the
# close button with standard error in a pipe whose reader has gone (`| head`)
# and no audio output, whose failure the synthesiser writes there.
source "$(dirname "$0")/lib.sh"

if [ "$2" = pipe ]; then
  echo >"$WORK_DIR/asound.conf"
  export ALSA_CONFIG_PATH=$WORK_DIR/asound.conf
  RUN_WITH=(bash -c 'exec 2> >(:); wait $!; exec "$@"' bash)
fi
start_skelv
wait_for_window
case "$2" in
  button | pipe) "$XCLOSE" "$WINDOW" || fail "xclose failed" ;;
  altf4) xdotool key alt+F4 ;;
  sigint) kill -INT "$PID" ;;
  sigterm) kill -TERM "$PID" ;;
  sighup) kill -HUP "$PID" ;;
  *) fail "unknown way of closing: $2" ;;
esac
expect_clean_exit
check_complete_logs
