# Background music of a whole run: the program's default audio output is
# pointed, through the ALSA configuration in its environment, at audio_capture,
# which plays the sound card. The music must be heard within a second of the
# output starting, be loud enough and unclipped; closing the window ends the
# output and the program with exit code 0, and "MIDI.txt" tells a normal run.
source "$(dirname "$0")/lib.sh"

CAPTURE=$BUILD_DIR/audio_capture
CAPTURE_PID=""
SECONDS_TO_HEAR=2

stop_capture() {
  if [ -n "$CAPTURE_PID" ]; then kill "$CAPTURE_PID" 2>/dev/null || true; fi
}
trap 'stop_capture; cleanup' EXIT

capture_says() { grep -q "^$1" "$WORK_DIR/capture.out"; }
capture_errors() { cat "$WORK_DIR/capture.err"; }

# Starts the sound card and points the default output of programs started
# from here on at it.
start_capture() {
  export ALSA_CONFIG_PATH=$WORK_DIR/asound.conf
  "$CAPTURE" "$ALSA_CONFIG_PATH" "$WORK_DIR/speaker.raw" "$SECONDS_TO_HEAR" \
    >"$WORK_DIR/capture.out" 2>"$WORK_DIR/capture.err" &
  CAPTURE_PID=$!
  poll 50 capture_says listening || fail "audio_capture did not start: $(capture_errors)"
}

# Waits for audio_capture's verdict on all it heard; fails with its reasons.
expect_good_audio() {
  local status=0
  wait "$CAPTURE_PID" || status=$?
  CAPTURE_PID=""
  sed 's/^/  audio_capture: /' "$WORK_DIR/capture.out"
  [ "$status" -eq 0 ] || fail "the music (audio_capture status $status): $(capture_errors)"
}

start_capture
start_skelv
wait_for_window
wait_for_line MIDI.txt "Playing segment"
poll 100 capture_says heard || fail "no $SECONDS_TO_HEAR s of audio output within 10 s: $(capture_errors)"

"$XCLOSE" "$WINDOW" || fail "xclose failed"
expect_clean_exit
expect_good_audio

printf '%s\n' "Creating performance" "Creating loader" "Got here" "Loading MIDI segment" \
  "Playing segment" | cmp -s - "$WORK_DIR/MIDI.txt" || fail "MIDI.txt: '$(cat "$WORK_DIR/MIDI.txt")'"
check_complete_logs
