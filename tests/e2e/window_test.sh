# The main window: title, class, position and client size, the close
# protocol; a close request ends the program with exit code 0 and full logs.
source "$(dirname "$0")/lib.sh"

start_skelv
wait_for_window

info=$(xwininfo -id "$WINDOW")
geometry() { sed -n "s/^ *$1: *//p" <<<"$info"; }
[ "$(geometry 'Absolute upper-left X')" = 0 ] || fail "window x: $(geometry 'Absolute upper-left X')"
[ "$(geometry 'Absolute upper-left Y')" = 0 ] || fail "window y: $(geometry 'Absolute upper-left Y')"
# 640x480 outside, less a 4-pixel sizing frame and a 19-pixel caption.
[ "$(geometry Width)x$(geometry Height)" = 632x453 ] ||
  fail "client size $(geometry Width)x$(geometry Height), not 632x453"

props=$(xprop -id "$WINDOW" WM_NAME WM_CLASS WM_PROTOCOLS)
grep -qxF 'WM_NAME(STRING) = "SKELV by Quorrin"' <<<"$props" || fail "title: $props"
grep -qF '"DOD_UZEVU"' <<<"$props" || fail "class: $props"
grep -qF 'WM_DELETE_WINDOW' <<<"$props" || fail "protocols: $props"

# The logs are written at once: the banner is there while the program runs.
wait_for_line Main.txt "1|[32] Entering main loop."

"$XCLOSE" "$WINDOW" || fail "xclose failed"
expect_clean_exit
check_complete_logs
[ -f "$WORK_DIR/Console.txt" ] && [ ! -s "$WORK_DIR/Console.txt" ] || fail "Console.txt should exist and be empty"
