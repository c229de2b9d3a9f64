# Without a usable General MIDI soundfont (none installed, or one cut short)
# the program runs and closes as usual, exit code 0, and says once, in its
# own words, that the music stays silent; the libraries' own lines stay off
# the terminal. The soundfont folders are a tmpfs of the program's own mount
# namespace (as root), empty or holding the cut soundfont.
source "$(dirname "$0")/lib.sh"

head -c 100000 "$(readlink -f /usr/share/sounds/sf2/default-GM.sf2)" >"$WORK_DIR/cut.sf2"
for soundfont in none cut; do
  RUN_WITH=(unshare -m bash -c 'mount -t tmpfs skelv /usr/share/sounds
    [ "$0" = none ] || { mkdir /usr/share/sounds/sf2; cp cut.sf2 /usr/share/sounds/sf2/default-GM.sf2; }
    exec "$@"' "$soundfont")
  start_skelv
  wait_for_window
  wait_for_line MIDI.txt "Playing segment"
  poll 300 grep -q 'no usable' "$WORK_DIR/stderr" || fail "$soundfont: not said within 30 s"
  "$XCLOSE" "$WINDOW" || fail "xclose failed"
  expect_clean_exit
  [ "$(grep -v 'audio device\|audio output' "$WORK_DIR/stderr")" = "fluidsynth: no usable General MIDI \
soundfont was found; the music stays silent (the package fluid-soundfont-gm provides one)" ] ||
    fail "$soundfont: stderr is not the one line"
done
