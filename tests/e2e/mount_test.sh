# A folder the program needs, mounted otherwise in a mount namespace of its own
# (as root), does not stop it: it draws, closes with exit code 0, and says once
# on standard error, in its own words, what it lacks. The log folder read-only
# or full: each log that fails, which and why. No usable General MIDI soundfont
# (none, or one cut short): the music stays silent, and the libraries' own
# lines stay off the terminal.
source "$(dirname "$0")/lib.sh"

head -c 100000 "$(readlink -f /usr/share/sounds/sf2/default-GM.sf2)" >"$WORK_DIR/cut.sf2"
silent="fluidsynth: no usable General MIDI soundfont was found; the music stays silent (the package \
fluid-soundfont-gm provides one)"
cannot() { for log in "${@:2}"; do echo "cannot write $log in $WORK_DIR/run: $1"; done; }
# what is mounted | what stderr says besides the missing audio output
rows=(
  "ro|$(cannot "Read-only file system" OpenGL.txt MTF.txt QLog.txt MIDI.txt Console.txt Main.txt Sys3DLog.txt)"
  "full|$(cannot "No space left on device" QLog.txt MIDI.txt)"
  "no-soundfont|$silent"
  "cut-soundfont|$silent"
)
for row in "${rows[@]}"; do
  mount=${row%%|*}
  rm -rf "${WORK_DIR:?}/run" "$WORK_DIR"/*.txt
  mkdir "$WORK_DIR/run"
  # The program runs in run/, which holds links to the data files.
  RUN_WITH=(unshare -m bash -c 'links() { find .. -maxdepth 1 -type l -exec cp -P {} . \;; }; cd run
    case $0 in
      ro) links; mount --bind . . && mount -o remount,bind,ro . && cd . ;;
      full) mount -t tmpfs -o size=24k skelv . && cd . && links ;;
      *) links; mount -t tmpfs skelv /usr/share/sounds && [ $0 = no-soundfont ] ||
        { mkdir /usr/share/sounds/sf2; cp ../cut.sf2 /usr/share/sounds/sf2/default-GM.sf2; } ;;
    esac && exec "$@"' "$mount")
  start_skelv
  wait_for_window
  want=$(sort <<<"${row#*|}")
  said() { [ "$(grep -v 'audio device\|audio output' "$WORK_DIR/stderr" | sort)" = "$want" ]; }
  poll 300 said || fail "$mount: stderr is not as expected"
  "$XCLOSE" "$WINDOW" || fail "xclose failed"
  expect_clean_exit
  said || fail "$mount: stderr is not as expected after the close"
done
