# Quick start/close cycles: each one ends with exit code 0 and complete logs,
# however early the close request comes. $2 is the number of cycles (5 by
# default; run a few hundred on a busy machine to judge a change to shut-down).
source "$(dirname "$0")/lib.sh"

cycles=${2:-5}
for ((cycle = 1; cycle <= cycles; cycle++)); do
  rm -f "$WORK_DIR"/*.txt
  start_skelv
  wait_for_line Main.txt "1|[32] Entering main loop."
  kill -TERM "$PID"
  expect_clean_exit
  check_complete_logs
done

# Under a file-size limit the logs stop short and the program goes on; with
# the soundfont load held (the fifo is never opened for writing) nobody waits
# for instruments: either way a close ends the program.
mkfifo "$WORK_DIR/hold"
variants=("prlimit --fsize=1024")
[ ! -e "$FAIL_ALLOC" ] || variants+=("env LD_PRELOAD=$FAIL_ALLOC SKELV_HOLD_SOUNDFONT=$WORK_DIR/hold")
for variant in "${variants[@]}"; do
  rm -f "$WORK_DIR"/*.txt
  read -r -a RUN_WITH <<<"$variant"
  start_skelv
  wait_for_line Main.txt "1|[32] Entering main loop."
  kill -TERM "$PID"
  expect_clean_exit
done
