# Background music of a whole run: the program's default audio output is
# pointed, through the ALSA configuration in its environment, at audio_capture,
# which plays the sound card. The music must be heard once its instruments are
# in (within 20 s of the output starting), be loud enough and unclipped;
# closing the window ends the output and the program with exit code 0, and
# "MIDI.txt" tells a normal run.
source "$(dirname "$0")/lib.sh"

CAPTURE_PID=""
on_exit() { [ -z "$CAPTURE_PID" ] || kill "$CAPTURE_PID" 2>/dev/null; }
capture_says() { grep -q "^$1" "$WORK_DIR/capture.out"; }

export ALSA_CONFIG_PATH=$WORK_DIR/asound.conf
"$BUILD_DIR/audio_capture" "$ALSA_CONFIG_PATH" "$WORK_DIR/speaker.raw" 2 \
  >"$WORK_DIR/capture.out" 2>"$WORK_DIR/capture.err" &
CAPTURE_PID=$!
poll 300 capture_says listening || fail "audio_capture did not start: $(cat "$WORK_DIR/capture.err")"

start_skelv
wait_for_window
wait_for_line MIDI.txt "Playing segment"
poll 600 capture_says heard || fail "no 2 s of music within 60 s: $(cat "$WORK_DIR/capture.err")"
"$XCLOSE" "$WINDOW" || fail "xclose failed"
expect_clean_exit

status=0
wait "$CAPTURE_PID" || status=$?
CAPTURE_PID=""
sed 's/^/  audio_capture: /' "$WORK_DIR/capture.out"
[ "$status" -eq 0 ] || fail "the music (audio_capture status $status): $(cat "$WORK_DIR/capture.err")"
expect_log MIDI.txt $'Creating performance\nCreating loader\nGot here\nLoading MIDI segment\nPlaying segment\n'
check_complete_logs
