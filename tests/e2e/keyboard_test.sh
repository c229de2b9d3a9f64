# Typed keys reach the console through the message loop, Escape included, and
# Escape does not close the window. Each step waits for the console's log,
# which proves that the keys before it were handled.
source "$(dirname "$0")/lib.sh"

start_skelv
wait_for_window

xdotool key a Escape grave   # console off: 'a' and Escape change nothing
wait_for_line Console.txt "Console active status: 1"
running || fail "Escape closed the window"

xdotool key Escape           # console on: Escape is character 27
wait_for_line Console.txt "Recieved: '\x1b'"
xdotool key grave
wait_for_line Console.txt "Console active status: 0"
running || fail "Escape closed the window"

expected=$'Console active status: 1\nRecieved: \'\\x1b\'\nConsole active status: 0'
[ "$(cat "$WORK_DIR/Console.txt")" = "$expected" ] ||
  fail "Console.txt: $(od -c "$WORK_DIR/Console.txt")"

"$XCLOSE" "$WINDOW" || fail "xclose failed"
expect_clean_exit
check_complete_logs
