# The console typed into the real window: while it is off, keys do nothing
# (and neither Escape nor F4 closes the window); while it is on, typed
# characters are logged and Enter commits the line, control characters (code 0
# included) escaped as \xNN so the log cannot act on a terminal, and Alt+key
# types nothing; the translucent panel shows only while the console is on.
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

# The panel adds half its blue to the picture: the area turns clearly bluer.
panel_shown() { on=$(panel_blueness on) && [ $((on - off)) -ge 60 ]; }
panel_gone() { after=$(panel_blueness after) && [ $((on - after)) -ge 60 ]; }

start_skelv
wait_for_window
xdotool mousemove 320 240 # keep the view steady while the pictures are taken
poll 300 drawn || fail "window not drawn within 30 s"
off=$(panel_blueness off)
xdotool key a Escape F4 grave
wait_for_line Console.txt "Console active status: 1"
running || fail "Escape or F4 closed the window"
poll 300 panel_shown || fail "no panel: blueness $off with the console off, $on with it on"

xdotool key Escape BackSpace Tab ctrl+space ctrl+c alt+a a b Return grave
wait_for_line Console.txt "Console active status: 0"
poll 300 panel_gone || fail "panel still shown: blueness $on on, $after after switching off"

"$XCLOSE" "$WINDOW" || fail "xclose failed"
expect_clean_exit
check_complete_logs "Console active status: 1
Recieved: '\x1b'
Recieved: '\x08'
Recieved: '\x09'
Recieved: '\x00'
Recieved: '\x03'
Recieved: 'a'
Recieved: 'b'
Line test: \x1b\x08\x09\x00\x03ab
In line: test
Final line: test
Recieved: '"$'\r'"'
Console active status: 0
"
