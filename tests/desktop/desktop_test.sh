# The demo on the desktops users have: under a reparenting window manager
# (openbox) in its own Xvfb, or under a Wayland compositor (weston, nested in
# an Xvfb) through Xwayland, driven by real pointer moves and key presses.
# Usage: desktop_test.sh <skelv> <openbox|weston> <case>
# The camera is read from a preloaded gluLookAt recorder (look_at.so); every
# wait is for a condition: frames drawn, the camera turned, a window mapped.
source "$(dirname "$0")/../e2e/lib.sh"
DESKTOP=$2
CASE=$3
LOOK_AT=$BUILD_DIR/look_at.so
SERVERS=()   # pids to stop at the end, last started first
on_exit() {
  local i
  for ((i = ${#SERVERS[@]} - 1; i >= 0; i--)); do kill "${SERVERS[i]}" 2>/dev/null || true; done
}

# ---- the desktop --------------------------------------------------------
read -r OUTER XVFB_PID < <("$(dirname "$0")/../../scripts/xvfb.sh")
SERVERS+=("$XVFB_PID")
INPUT=$OUTER   # the display real input is injected on
# The keys cases type under another layout, set before the desktop starts
# (weston takes the outer server's keymap when it starts). German: Shift+´ is
# a dead grave, which the Space completes to the backquote that turns the
# console on, once; AltGr+E is the euro, 0x80. US International: ` and Space,
# the backquote; ´ and e, é (0xE9).
case $CASE in
  keys-de) DISPLAY=$OUTER setxkbmap de && KEYS="shift+dead_acute space ISO_Level3_Shift+e" TYPED=$'\x80' ;;
  keys-intl) DISPLAY=$OUTER setxkbmap us intl && KEYS="dead_grave space dead_acute e" TYPED=$'\xe9' ;;
esac
if [ "$DESKTOP" = openbox ]; then
  DISPLAY=$OUTER openbox --sm-disable >"$WORK_DIR/wm.log" 2>&1 &
  SERVERS+=($!)
  # openbox owns the screen once it has taken the WM_S0 selection.
  poll 100 eval "DISPLAY=$OUTER xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'" ||
    fail "openbox did not start"
  export DISPLAY=$OUTER
else
  export XDG_RUNTIME_DIR=$WORK_DIR/runtime
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  # weston prints the X display it opened for Xwayland in its log.
  DISPLAY=$OUTER weston --backend=x11-backend.so --use-pixman --xwayland --width=1024 --height=768 \
    --socket=wayland-skelv --log="$WORK_DIR/weston.log" >/dev/null 2>&1 &
  SERVERS+=($!)
  poll 200 grep -q 'xserver listening on display' "$WORK_DIR/weston.log" || fail "weston did not start"
  export DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$WORK_DIR/weston.log")
fi

# ---- the camera, through the recorder -------------------------------------
frames() { cut -c1-12 "$WORK_DIR/look" 2>/dev/null | tr -d ' '; }
yaw() { cut -c14-23 "$WORK_DIR/look"; }
# wait_frames <n>: until the program has drawn n more frames.
wait_frames() {
  local until=$(($(frames) + $1))
  poll 600 eval '[ "$(frames)" -ge '"$until"' ]' || fail "fewer than $1 frames drawn in 60 s"
}
# The difference of two yaws, in thousandths of a radian, rounded.
milli() { awk -v a="$1" -v b="$2" 'BEGIN { d = (b - a) * 1000; printf "%d", d < 0 ? d - 0.5 : d + 0.5 }'; }
# Waits until the camera has held its heading for 10 frames.
wait_settled() {
  local before
  for _ in $(seq 100); do
    before=$(yaw)
    wait_frames 10
    [ "$(milli "$before" "$(yaw)")" = 0 ] && return 0
  done
  fail "the camera never stopped turning"
}

# Where the program's screen point (320, 240) really is: its client area's
# origin plus that point, the client area standing at the program's (0, 0).
# (A look while the window manager rebuilds its frames may fail: it is asked again.)
origin() {
  poll 50 eval "xwininfo -id $1 >'$WORK_DIR/info' 2>&1" || fail "no window $1: $(cat "$WORK_DIR/info")"
  sed -n 's/^ *Absolute upper-left [XY]: *//p' "$WORK_DIR/info" | paste -sd' '
}
centre() {
  read -r x y < <(origin "$WINDOW")
  echo "$((x + 320)) $((y + 240))"
}
pointer() { xdotool getmouselocation | sed 's/^x:\([0-9]*\) y:\([0-9]*\).*/\1 \2/'; }

# Ten 1-pixel moves left, each waited for, turn the view left by 0.010
# radian, and leave the pointer at the centre of the window.
expect_steering() {
  local start before i
  wait_settled
  start=$(yaw)
  for i in $(seq 10); do
    before=$(yaw)
    DISPLAY=$INPUT xdotool mousemove_relative -- -1 0
    poll 100 eval '[ "$(milli "$before" "$(yaw)")" -le -1 ]' || fail "move $i did not steer ($1)"
  done
  wait_settled
  [ "$(milli "$start" "$(yaw)")" = -10 ] || fail "ten 1-pixel moves turned $(milli "$start" "$(yaw)")/1000 radian ($1)"
  [ "$(pointer)" = "$(centre)" ] || fail "pointer at $(pointer), not at the window's centre $(centre) ($1)"
}

# Puts the pointer at (x, y) of the program's display, as a user's mouse does.
move_pointer_to() {
  # The pointer of a nested weston moves by the outer pointer's steps, clamped
  # to its output: pressing it into a corner first puts both at the same place.
  [ "$DESKTOP" = weston ] && DISPLAY=$INPUT xdotool mousemove 0 0 mousemove 1023 767 mousemove 0 0
  DISPLAY=$INPUT xdotool mousemove "$1" "$2"
}

# With another window in front, or the demo minimised, the pointer is the
# user's: it stays where it was put while the demo draws on, flying straight.
expect_free_pointer() {
  local start
  wait_frames 5  # the focus change has reached the program
  start=$(yaw)
  move_pointer_to "$2" "$3"
  wait_frames 30
  [ "$(pointer)" = "$2 $3" ] || fail "pointer taken to $(pointer), not left at $2 $3 ($1)"
  [ "$(milli "$start" "$(yaw)")" = 0 ] || fail "the camera steered from $start to $(yaw) ($1)"
}

# Another X client's window, mapped and in front; OTHER_CENTRE is its centre.
open_other_window() {
  xmessage -geometry 300x150+650+450 "another program" &
  SERVERS+=($!)
  poll 100 eval 'OTHER=$(xdotool search --onlyvisible --classname xmessage 2>/dev/null | head -n 1); [ -n "$OTHER" ]' ||
    fail "the other window did not show"
  read -r x y < <(origin "$OTHER")
  OTHER_CENTRE="$((x + 150)) $((y + 75))"
}

# Brings a window to the front as a user does: openbox is asked through its
# hints (as a task bar does); under weston the user leaves the demo with the
# window switcher (the pointer is locked in it) and comes back with a click.
focus() {
  if [ "$DESKTOP" = openbox ]; then
    xdotool windowactivate --sync "$1"
  elif [ "$1" = "$WINDOW" ]; then
    read -r x y < <(centre)
    move_pointer_to "$x" "$y"
    DISPLAY=$INPUT xdotool click 1
  elif [ "$(xdotool getwindowfocus)" != "$1" ]; then  # a new window has the focus already
    DISPLAY=$INPUT xdotool key super+Tab
  fi
  poll 100 eval '[ "$(xdotool getwindowfocus)" = '"$1"' ]' || fail "window $1 not focused: $(xdotool getwindowfocus)"
}

steer_into_window() {
  read -r x y < <(centre)
  move_pointer_to "$((x + 40))" "$((y + 30))"
}

# ---- the cases ------------------------------------------------------------
RUN_WITH=(env LD_PRELOAD="$LOOK_AT" SKELV_LOOK_AT="$WORK_DIR/look")
start_skelv
wait_for_window
wait_for_line Main.txt "1|[32] Entering main loop."
steer_into_window
case "$DESKTOP:$CASE" in
  *:steer)
    expect_steering "as placed"
    # A window the user moved: the program's coordinates follow it.
    xdotool windowmove --sync "$WINDOW" 401 321
    steer_into_window
    expect_steering "moved"
    "$XCLOSE" "$WINDOW" || fail "xclose failed"
    ;;
  *:unfocused)
    open_other_window
    focus "$OTHER"
    expect_free_pointer "another window focused" $OTHER_CENTRE
    focus "$WINDOW"
    steer_into_window
    expect_steering "focused again"
    "$XCLOSE" "$WINDOW" || fail "xclose failed"
    ;;
  openbox:minimised)
    xdotool windowminimize --sync "$WINDOW"
    expect_free_pointer "minimised" 800 600
    xdotool windowactivate --sync "$WINDOW"
    steer_into_window
    expect_steering "restored"
    "$XCLOSE" "$WINDOW" || fail "xclose failed"
    ;;
  *:keys-*)
    DISPLAY=$INPUT xdotool key $KEYS
    wait_for_line Console.txt "Recieved: '$TYPED'"
    CONSOLE="Console active status: 1"$'\n'"Recieved: '$TYPED'"$'\n'
    "$XCLOSE" "$WINDOW" || fail "xclose failed"
    ;;
  *:altf4) DISPLAY=$INPUT xdotool key alt+F4 ;;
  openbox:wmclose) wmctrl -i -c "$WINDOW" ;;
  *) fail "no case $DESKTOP:$CASE" ;;
esac
expect_clean_exit
check_complete_logs "${CONSOLE:-}"
