# When the program cannot run it says why on stderr, escaped for a terminal
# and cut to a line, and exits with code 1, at once or, when the X server never
# answers, after 10 s: no X display (DISPLAY unset, naming no server or a hung
# one, or no descriptor left for the connection), no OpenGL on it (none there,
# or no descriptor left for the GL library's driver), or the connection lost
# while the GL library first asks for its configs.
source "$(dirname "$0")/lib.sh"

# An X server that takes the connection and never answers, on the first
# display number free from 9800 on: another suite may run beside this one.
on_exit() { [ -z "${LISTENER:-}" ] || kill "$LISTENER"; [ -z "${HUNG:-}" ] || rm -f "/tmp/.X11-unix/X$HUNG"; }
mkdir -p /tmp/.X11-unix
python3 -c 'import socket, time
s = socket.socket(socket.AF_UNIX)
for display in range(9800, 9876):
    try:
        s.bind(f"/tmp/.X11-unix/X{display}")
        break
    except OSError:
        pass
else:
    raise SystemExit("no display number free")
s.listen(); print("listening", display, flush=True); time.sleep(600)' >"$WORK_DIR/listener" &
LISTENER=$!
poll 100 grep -q listening "$WORK_DIR/listener" || fail "no hung X server"
read -r _ HUNG <"$WORK_DIR/listener"
long=$(printf '%*s' 100000 '' | tr ' ' x)
# what the program runs under | what stderr says
rows=(
  "env DISPLAY=@long|skelv: cannot open X display '${long:0:100}...'"

  "env -u DISPLAY|skelv: cannot open an X display: DISPLAY is not set"
  "env DISPLAY=:$HUNG|skelv: cannot open X display ':$HUNG': the X server did not answer within 10 s"
  "env DISPLAY=:9876|skelv: cannot open X display ':9876' (is an X server running there?)"
  $'env DISPLAY=\e[2J~:9876|skelv: cannot open X display \'\\x1b[2J~:9876\''
  "prlimit --nofile=6|skelv: cannot open X display '$DISPLAY': too many open files"
  "prlimit --nofile=10|glx: no OpenGL pixel formats: too many open files (see ulimit -n)"
  "env LD_PRELOAD=$FAIL_ALLOC SKELV_DROP_X=1|x11: lost the connection to the X display"
  "env LIBGL_ALWAYS_INDIRECT=1|Failed to create rendering context"
)
for row in "${rows[@]}"; do
  IFS=' ' read -r -a command <<<"${row%%|*}"
  command=("${command[@]/@long/$long}")  # a DISPLAY of 100,000 characters
  [[ $row != *DROP_X* ]] || [ -e "$FAIL_ALLOC" ] || continue  # not in the sanitizer build
  rm -f "$WORK_DIR"/*.txt
  status=0
  (cd "$WORK_DIR" && exec timeout 20 "${command[@]}" "$SKELV" >"$WORK_DIR/stdout" 2>"$WORK_DIR/stderr") ||
    status=$?
  [ "$status" -eq 1 ] || fail "${command[*]}: exit code $status"
  # one line starts with the message: the program's own name, not its path
  starting=$(want="${row#*|}" awk 'index($0, ENVIRON["want"]) == 1' "$WORK_DIR/stderr" | wc -l)
  [ "$starting" = 1 ] && [ "$(wc -l <"$WORK_DIR/stderr")" -lt 10 ] && [ "$(wc -c <"$WORK_DIR/stderr")" -lt 2000 ] &&
    ! grep -q $'\e' "$WORK_DIR/stderr" || fail "${command[*]}: unclear message: $(head "$WORK_DIR/stderr")"
  [[ ${row#*|} != skelv:* ]] || [ ! -e "$WORK_DIR/Main.txt" ] || fail "${command[*]}: Main.txt written"
done
# The one that had a display closed every log as usual (the others wrote none).
file_has Main.txt "1|[54] Running deinitialization code." && file_has OpenGL.txt "Average frame rate: 0 FPS" ||
  fail "logs incomplete without OpenGL: $(cat "$WORK_DIR/Main.txt")"

# Started with descriptors 0 to 2 closed, no log takes their place.
(cd "$WORK_DIR" && exec env -u DISPLAY "$SKELV" <&- >&- 2>&-) || true
[ ! -s "$WORK_DIR/QLog.txt" ] || fail "standard error went into QLog.txt: $(cat "$WORK_DIR/QLog.txt")"
