# A log folder that refuses the logs (mounted read-only, or full) does not
# stop the program: it draws, closes with exit code 0, and says once on
# standard error for each log that fails which file it is and why.
# The folder is mounted in a mount namespace of the program's own (as root).
source "$(dirname "$0")/lib.sh"

# mount options of the folder | the logs that fail | why
rows=(
  "bind,ro|OpenGL.txt MTF.txt QLog.txt MIDI.txt Console.txt Main.txt Sys3DLog.txt|Read-only file system"
  "size=24k|QLog.txt|No space left on device"
)
for row in "${rows[@]}"; do
  IFS='|' read -r options logs reason <<<"$row"
  rm -rf "${WORK_DIR:?}"/*
  mkdir "$WORK_DIR/logs"
  # The folder bound on itself and made read-only, or a small tmpfs, holding
  # links to the data files; the program runs in it.
  RUN_WITH=(unshare -m bash -c 'folder=$PWD/logs options=$1; shift
    [[ $options == bind* ]] || mount -t tmpfs -o "$options" skelv "$folder"
    find . -maxdepth 1 -type l -exec cp -P {} "$folder"/ \;
    if [[ $options == bind* ]]; then mount --bind "$folder" "$folder" && mount -o "remount,$options" "$folder"; fi
    cd "$folder" && exec "$@"' bash "$options")
  start_skelv
  wait_for_window
  poll 300 drawn || fail "$options: window not drawn within 30 s"
  "$XCLOSE" "$WINDOW" || fail "xclose failed"
  expect_clean_exit
  for log in $logs; do
    [ "$(grep -cxF "cannot write $log in $WORK_DIR/logs: $reason" "$WORK_DIR/stderr")" = 1 ] ||
      fail "$options: $log not said once: $(grep -v fluidsynth "$WORK_DIR/stderr")"
  done
  [ "$(grep -c '^cannot write' "$WORK_DIR/stderr")" -le 7 ] || fail "$options: a log said twice"
done
