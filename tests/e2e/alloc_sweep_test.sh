# Allocation failure anywhere ends cleanly: with the N-th allocation of the
# program's own code failing, for N = 1 to 40 and then every 50th up to the
# last a run makes, the program either ends with exit code 1 and says
# "Out of memory: ..." on standard error, or carries on (the music may stay
# silent) and closes with exit code 0. Never a crash, never a hang.
source "$(dirname "$0")/lib.sh"

# run <N>: one run failing allocation N (0: none), closed once it is drawing.
run() {
  rm -f "$WORK_DIR"/*.txt
  RUN_WITH=(env LD_PRELOAD="$FAIL_ALLOC" SKELV_FAIL_ALLOC="$1" SKELV_ALLOC_COUNT="$WORK_DIR/count")
  start_skelv
  poll 200 eval '! running || file_has Main.txt "1|[32] Entering main loop."' ||
    fail "allocation $1 failing: neither ended nor drew within 20 s"
  if running; then kill -TERM "$PID"; fi
  wait_for_exit
  case $STATUS in
    0) ;;
    1) grep -q '^Out of memory: ' "$WORK_DIR/stderr" || fail "allocation $1 failing: exit 1, no message" ;;
    *) fail "allocation $1 failing: exit status $STATUS" ;;
  esac
}

run 0
total=$(cat "$WORK_DIR/count")
[ "$total" -gt 100 ] || fail "the preloaded allocator counted $total allocations"
for ((n = 1; n <= total; n += (n < 40 ? 1 : 50))); do run "$n"; done
