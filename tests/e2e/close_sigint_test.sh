# SIGINT (Ctrl+C in a terminal) asks the window to close: the program shuts
# down the normal way, with exit code 0 and complete logs.
source "$(dirname "$0")/lib.sh"

start_skelv
wait_for_window
kill -INT "$PID"
expect_clean_exit
check_complete_logs
