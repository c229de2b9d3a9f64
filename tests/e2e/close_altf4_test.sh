# Alt+F4 closes the window through the default window procedure: exit code 0
# and complete logs.
source "$(dirname "$0")/lib.sh"

start_skelv
wait_for_window
xdotool key alt+F4
expect_clean_exit
check_complete_logs
