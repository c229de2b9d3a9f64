# A FIFO or a device in place of a data, music or log file is refused without
# waiting on it: the program starts, draws, closes with exit code 0, and the
# file takes the path of a file that cannot be opened.
source "$(dirname "$0")/lib.sh"

# file, what stands in its place, the line that shows it was refused
rows=(
  "Scape.raw fifo MTF.txt:Cannot open file 'Scape.raw'"
  "scape.tex fifo MTF.txt:Cannot open file 'scape.tex'"
  "skelv.rgba fifo MTF.txt:Cannot open file 'skelv.rgba'"
  "sky.raw fifo MTF.txt:Cannot open file 'sky.raw'"
  "Duridaz.mid fifo MIDI.txt:Loading MIDI segment"
  "Console.txt fifo Main.txt:1|[32] Entering main loop."
  "Scape.raw /dev/zero MTF.txt:Cannot open file 'Scape.raw'"
)
for row in "${rows[@]}"; do
  read -r name kind line <<<"$row"
  rm -rf "${WORK_DIR:?}"/*
  if [ "$kind" = fifo ]; then mkfifo "$WORK_DIR/$name"; else ln -s "$kind" "$WORK_DIR/$name"; fi
  start_skelv
  wait_for_window
  wait_for_line Main.txt "1|[32] Entering main loop."
  wait_for_line "${line%%:*}" "${line#*:}"
  ! file_has MIDI.txt "Playing segment" || [ "$name" != Duridaz.mid ] || fail "$name: music played"
  poll 300 drawn || fail "$name as $kind: window not drawn within 30 s"
  "$XCLOSE" "$WINDOW" || fail "xclose failed"
  expect_clean_exit
  check_main_log
  check_sys3d_log
done
