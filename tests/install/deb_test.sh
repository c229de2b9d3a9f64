# The Debian package as a user gets it: built by CPack, lintian-clean, its
# program hardened, its menu entry valid, unpacked into a private root and started through its
# launcher by an ordinary user with a fresh home folder.
# Usage: deb_test.sh <build>/skelv
source "$(dirname "$0")/../e2e/lib.sh"

(cd "$BUILD_DIR" && umask 022 && cpack -G DEB >cpack.log 2>&1) || fail "cpack could not build the package; see $BUILD_DIR/cpack.log"
deb=$BUILD_DIR/skelv_${VERSION}_$(dpkg --print-architecture).deb
lintian --fail-on error,warning "$deb" 2>/dev/null || fail "lintian: $(lintian "$deb" 2>/dev/null)"
chmod 755 "$WORK_DIR"
root=$WORK_DIR/root home=$WORK_DIR/home data=$WORK_DIR/root/usr/share/skelv
state=$home/.local/state/skelv
dpkg-deb -x "$deb" "$root"
# The program loads FluidSynth itself, so the package must name it.
dpkg-deb -f "$deb" Depends | grep -qw libfluidsynth3 || fail "the package does not depend on libfluidsynth3"
# Hardened as built and as packaged (a sanitizer build checks its calls its own way).
grep -q '^SKELV_SANITIZE:BOOL=ON' "$BUILD_DIR/CMakeCache.txt" && except=--nofortify || except=
hardening-check -q --nocfprotection $except "$BUILD_DIR/skelv" "$root/usr/lib/skelv/skelv" || fail "not hardened"
desktop-file-validate "$root/usr/share/applications/skelv.desktop" || fail "the menu entry is not valid"
mkdir -m 755 "$home" "$WORK_DIR/read-only-home"
uid=$(id -u) as_user=()
if [ "$uid" -eq 0 ]; then
  uid=$(id -u nobody) as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  chown nobody "$home" "$WORK_DIR/read-only-home"
fi
chmod 555 "$WORK_DIR/read-only-home"
# The unpacked launcher, as that user, in a bare environment. (start_skelv also
# links the data files into WORK_DIR: the launcher changes into its own folder.)
SKELV=$root/usr/bin/skelv RUN_WITH=(env -i -C / DISPLAY="$DISPLAY" HOME="$home" "${as_user[@]}")

# One run, closed by the window manager's close request: the state folder
# then holds the five data links and the seven complete logs.
run_launcher() {
  start_skelv
  wait_for_window
  "$XCLOSE" "$WINDOW" || fail "xclose failed"
  expect_clean_exit
  [ "$(ls "$state" | wc -l)" -eq 12 ] || fail "the state folder holds: $(ls "$state")"
  cp "$state"/*.txt "$WORK_DIR/"
  check_complete_logs
}

touch "$WORK_DIR/before"
run_launcher
# Other processes make and delete temporary files during the scan: one that
# vanishes between find reading its name and looking at it is skipped.
written=$({ find "$root" "$home" -newer "$WORK_DIR/before"
  find /tmp /var/tmp -xdev -ignore_readdir_race -path "$WORK_DIR" -prune -o -newer "$WORK_DIR/before" \
    -user "$uid" -print; } |
  grep -v "^$state/" | sort)
[ "$written" = "$(printf '%s\n' "$home" "$home/.local" "$home/.local/state" "$state")" ] ||
  fail "the launcher wrote outside its state folder: $written"

# A second start over the existing folder, with the data folder read-only.
chmod -R a-w "$data"
run_launcher

# Arguments and broken set-ups: a clear line, and nothing of the user's removed.
# The third argument takes the place of HOME=... in the environment.
expect_refusal() { # expect_refusal STATUS TEXT VARIABLE=VALUE ARGS...
  local out status=0
  out=$("${RUN_WITH[@]/#HOME=*/$3}" "$SKELV" "${@:4}" 2>&1) || status=$?
  [ "$status" -eq "$1" ] && grep -qF -- "$2" <<<"$out" || fail "skelv ${*:4}: status $status, '$out'"
}
expect_refusal 0 "$state" "HOME=$home" --help
expect_refusal 0 'in /x\ny/.local/state/skelv and' 'HOME=/x\ny' --help
expect_refusal 2 "$state" "HOME=$home" --fast
expect_refusal 1 "cannot create" "HOME=$WORK_DIR/read-only-home"
# A relative XDG_STATE_HOME is ignored, and without HOME nothing is written.
expect_refusal 1 "neither XDG_STATE_HOME nor HOME is set" "XDG_STATE_HOME=state"
chmod u+w "$data" && rm "$data/sky.raw"
expect_refusal 1 "share/skelv/sky.raw is missing" "HOME=$home"
[ "$(ls "$state" | wc -l)" -eq 12 ] || fail "a failed start changed the state folder: $(ls "$state")"
chmod -R u+w "$root"
echo "deb: $(basename "$deb"): lintian clean, menu entry valid, two starts and six refusals as an ordinary user"
