# The main window: title, class, position (and the hint that keeps it there),
# client size, the close protocol, and logs written while the program runs.
source "$(dirname "$0")/lib.sh"

start_skelv
wait_for_window
info=$(xwininfo -id "$WINDOW")
geometry=$(sed -n 's/^ *\(Absolute upper-left [XY]\|Width\|Height\): *//p' <<<"$info" | paste -sd' ')
# 640x480 outside, less a 4-pixel sizing frame and a 19-pixel caption.
[ "$geometry" = "0 0 $CLIENT_WIDTH $CLIENT_HEIGHT" ] || fail "window x y width height: $geometry"
props=$(xprop -id "$WINDOW" WM_NAME WM_CLASS WM_PROTOCOLS WM_NORMAL_HINTS)
grep -qxF 'WM_NAME(STRING) = "SKELV by Quorrin"' <<<"$props" || fail "title: $props"
# The menu entry names the class, so the taskbar groups the window under it.
class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../packaging/skelv.desktop")
grep -qF "\"${class:-none}\"" <<<"$props" || fail "class: $props, the menu entry's: '$class'"
grep -qF 'WM_DELETE_WINDOW' <<<"$props" || fail "protocols: $props"
# A window manager is asked to put the frame where Windows was told to.
grep -qF 'user specified location: 0, 0' <<<"$props" || fail "placement hints: $props"
wait_for_line Main.txt "1|[32] Entering main loop."
"$XCLOSE" "$WINDOW" || fail "xclose failed"
expect_clean_exit
check_complete_logs
