# expect_status.sh STATUS COMMAND...: runs the command, passes when it exits with STATUS.
status=0
"${@:2}" || status=$?
[ "$status" -eq "$1" ] || { echo "expected exit status $1, got $status" >&2; exit 1; }
