# Background music of a whole run: the program's default audio output is
# pointed, through the ALSA configuration in its environment, at audio_capture,
# which plays the sound card. The music must be heard once its instruments are
# in (within 20 s of the output starting), be loud enough and unclipped;
# closing the window ends the output and the program with exit code 0, and
# "MIDI.txt" tells a normal run. With $2 = stuck the output takes its first
# samples and never another (a sound server that accepts and never answers):
# the program still ends within 2 s of the close, its logs complete.
source "$(dirname "$0")/lib.sh"

CAPTURE_PID=""
on_exit() { [ -z "$CAPTURE_PID" ] || kill "$CAPTURE_PID" 2>/dev/null; }
capture_says() { grep -q "^$1" "$WORK_DIR/capture.out"; }
# A thread of the program waits to write into the full FIFO.
stuck() { grep -qE '^(anon_)?pipe_write$' /proc/"$PID"/task/*/wchan 2>/dev/null; }

export ALSA_CONFIG_PATH=$WORK_DIR/asound.conf
"$BUILD_DIR/audio_capture" "$ALSA_CONFIG_PATH" "$WORK_DIR/speaker.raw" "$([ "${2:-}" = stuck ] && echo 0 || echo 2)" \
  >"$WORK_DIR/capture.out" 2>"$WORK_DIR/capture.err" &
CAPTURE_PID=$!
poll 300 capture_says listening || fail "audio_capture did not start: $(cat "$WORK_DIR/capture.err")"

start_skelv
wait_for_window
wait_for_line MIDI.txt "Playing segment"
if [ "${2:-}" = stuck ]; then
  poll 300 stuck || fail "the audio output did not fill within 30 s"
  "$XCLOSE" "$WINDOW" || fail "xclose failed"
  closed=$(date +%s%N)
  poll 600 eval '! running' || true
  elapsed=$((($(date +%s%N) - closed) / 1000000))
  [ "$elapsed" -le 2000 ] || fail "skelv still running ${elapsed} ms after the close"
  expect_clean_exit
  check_complete_logs
  exit 0
fi
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
