# The console typed into the real window: backquote, a, b, Enter, backquote
# give exactly their log lines, and the translucent panel shows only while the
# console is on.
source "$(dirname "$0")/lib.sh"

# Mean of blue minus red over the part of the client area the panel covers
# (80 to 400 pixels above the viewport's bottom edge, which is the client's).
panel_blueness() {
  import -window "$WINDOW" "$WORK_DIR/$1.png"
  local height
  height=$(identify -format '%h' "$WORK_DIR/$1.png")
  convert "$WORK_DIR/$1.png" -crop "600x300+10+$((height - 390))" +repage \
    -format '%[fx:round(1000*(mean.b-mean.r))]' info:
}

start_skelv
wait_for_window
xdotool mousemove 320 240   # keep the view steady while the pictures are taken
sleep 0.5

off=$(panel_blueness off)
xdotool key grave
wait_for_line Console.txt "Console active status: 1"
sleep 0.3
on=$(panel_blueness on)
# The panel adds half its blue to the picture: the area turns clearly bluer.
[ $((on - off)) -ge 60 ] || fail "no panel: blueness $off with the console off, $on with it on"

xdotool key a b Return grave
wait_for_line Console.txt "Console active status: 0"
sleep 0.3
after=$(panel_blueness after)
[ $((on - after)) -ge 60 ] || fail "panel still shown: blueness $on on, $after after switching off"

expected=$'Console active status: 1\nRecieved: \'a\'\nRecieved: \'b\'\nLine test: ab\nIn line: test\nFinal line: test\nRecieved: \'\r\'\nConsole active status: 0\n'
[ "$(cat "$WORK_DIR/Console.txt"; echo x)" = "${expected}x" ] ||
  fail "Console.txt: $(od -c "$WORK_DIR/Console.txt")"

"$XCLOSE" "$WINDOW" || fail "xclose failed"
expect_clean_exit
check_complete_logs
