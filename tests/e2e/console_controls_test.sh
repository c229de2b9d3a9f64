# Control characters typed into the real window reach Console.txt escaped as
# \xNN, so the log cannot act on a terminal that shows it; code 0 (Ctrl+Space)
# neither ends its log line nor cuts the typed line. Letters and Enter's
# carriage return are logged as typed.
source "$(dirname "$0")/lib.sh"

start_skelv
wait_for_window
xdotool key grave a Escape BackSpace Tab ctrl+space ctrl+c b Return grave
wait_for_line Console.txt "Console active status: 0"

expected="Console active status: 1
Recieved: 'a'
Recieved: '\x1b'
Recieved: '\x08'
Recieved: '\x09'
Recieved: '\x00'
Recieved: '\x03'
Recieved: 'b'
Line test: a\x1b\x08\x09\x00\x03b
In line: test
Final line: test
Recieved: '"$'\r'"'
Console active status: 0"
[ "$(cat "$WORK_DIR/Console.txt")" = "$expected" ] || fail "Console.txt: $(od -c "$WORK_DIR/Console.txt")"

"$XCLOSE" "$WINDOW" || fail "xclose failed"
expect_clean_exit
check_complete_logs
