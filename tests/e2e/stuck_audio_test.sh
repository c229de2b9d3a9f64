# An audio output that takes the first samples and then never another (a
# sound server that accepts and never answers) does not keep the program
# alive: once the window is closed it ends within 2 s, exit code 0, every log
# complete. The output is a FIFO, through the ALSA configuration in the
# program's environment, that is held open and never read.
source "$(dirname "$0")/lib.sh"

HOLDER=""
on_exit() { [ -z "$HOLDER" ] || kill "$HOLDER" 2>/dev/null; }
export ALSA_CONFIG_PATH=$WORK_DIR/asound.conf
printf 'pcm.!default {\n  type file\n  slave.pcm { type null }\n  file "%s"\n  format "raw"\n}\n' \
  "$WORK_DIR/speaker.raw" >"$ALSA_CONFIG_PATH"
mkfifo "$WORK_DIR/speaker.raw"
sleep 600 <>"$WORK_DIR/speaker.raw" &
HOLDER=$!

# A thread of the program waits to write into the full FIFO.
stuck() { grep -qE "^(anon_)?pipe_write$" /proc/"$PID"/task/*/wchan 2>/dev/null; }
start_skelv
wait_for_window
wait_for_line MIDI.txt "Playing segment"
poll 300 stuck || fail "the audio output did not fill within 30 s"
"$XCLOSE" "$WINDOW" || fail "xclose failed"
closed=$(date +%s%N)
poll 600 eval '! running' || true
elapsed=$((($(date +%s%N) - closed) / 1000000))
[ "$elapsed" -le 2000 ] || fail "skelv still running ${elapsed} ms after the close"
expect_clean_exit
check_complete_logs
