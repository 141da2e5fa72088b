#!/bin/bash
# The real XScreenSaver 6 runs the installed Gyrelle once README.md's command
# (gyrelle-xscreensaver-setup) has listed it. From nothing: the daemon's first
# start without ~/.xscreensaver, then the command, and -select 1 runs
# Gyrelle. Over a file of the user's own: every line of it is kept (a copy
# aside first), the selected mode keeps its place, the daemon fades a red
# desktop to black and starts "gyrelle --root" in its own window, whose
# shards must still be red (the desktop it saved), and ends it; its settings
# tool runs "gyrelle --root --window-id W" in its preview pane, with red
# shards too. XScreenSaver runs no display mode as root, so as root (CI)
# everything runs as nobody.
. "$(dirname "$0")/common.bash"
# XScreenSaver prefers its own folder to PATH: never while the MATE test puts a Gyrelle there.
exec 9>/tmp/gyrelle-hack-dir.lock; flock -s 9
start_xvfb -ac   # the other account may use this private server
xscreensaver_account
PROGRAM="$WORK/prefix/libexec/xscreensaver/gyrelle"
export PATH="$WORK/prefix/bin:$PATH"
gyrelle_pid() {  # PATTERN: the newest Gyrelle of this install whose arguments match
    local pid
    for pid in $(pgrep -f -- "gyrelle $1"); do
        [ "$(readlink "/proc/$pid/exe")" != "$PROGRAM" ] || echo "$pid"
    done | tail -n1 | grep .
}

"${AS_USER[@]}" xscreensaver --no-splash >"$WORK/daemon.log" 2>&1 &
STARTED_PIDS+=("$!")
wait_until "$CEILING" as_user xscreensaver-command -time >/dev/null 2>&1 || fail "the daemon did not answer"
as_user gyrelle-xscreensaver-setup >/dev/null || fail "the setup command failed"
as_user xscreensaver-command -select 1 >/dev/null 2>&1
wait_until "$CEILING" gyrelle_pid "--root\$" >/dev/null 2>&1 && echo "ok: from nothing, Gyrelle is the first mode" ||
    fail "-select 1 ran no Gyrelle: $(tail -n5 "$WORK/daemon.log")"
as_user xscreensaver-command -deactivate >/dev/null 2>&1
wait_until "$CEILING" eval '! gyrelle_pid "--root\$"' >/dev/null 2>&1 || fail "Gyrelle outlived -deactivate"

cat >"$WORK/mine" <<'END'
# my settings
mode:		one
selected:	2
splash:		False
programs:							\
		maze --root				    \n\
  - GL:		superquadrics --root			    \n
lock:		False
END
install -o "$(stat -c %u "$HOME")" -m 600 "$WORK/mine" "$HOME/.xscreensaver"
as_user gyrelle-xscreensaver-setup >/dev/null || fail "the setup command failed over a file"
check "the copy aside" "" "$(cmp "$WORK/mine" "$HOME/.xscreensaver.before-gyrelle" 2>&1)"
check "the user's lines, kept" "" "$(sed 's/\\$//' "$HOME/.xscreensaver" | grep -vxF -f - <(sed 's/\\$//' "$WORK/mine"))"

convert -size 8x8 xc:red "$WORK/red.png"
display -window root "$WORK/red.png"
wait_until "$CEILING" red_covers 0.95 >/dev/null || fail "the root is not red"
start_looking
as_user xscreensaver-command -activate >/dev/null 2>&1
wait_until "$CEILING" gyrelle_pid "--root\$" >/dev/null 2>&1 && echo "ok: the daemon runs Gyrelle" ||
    { fail "no Gyrelle: $(tail -n5 "$WORK/daemon.log")"; finish; }
looked && echo "ok: the screen changes from frame to frame" || fail "the screen stands still"
red_shards_seen >/dev/null || fail "no red shards: the saved desktop was not used"
as_user xscreensaver-command -deactivate >/dev/null 2>&1
wait_until "$CEILING" eval '! gyrelle_pid "--root\$"' >/dev/null 2>&1 && echo "ok: -deactivate ends Gyrelle" || fail "Gyrelle outlived -deactivate"

start_looking
"${AS_USER[@]}" xscreensaver-settings >"$WORK/settings.log" 2>&1 &
SETTINGS_PID=$!
STARTED_PIDS+=("$SETTINGS_PID")
wait_until "$CEILING" gyrelle_pid "--root --window-id 0x" >/dev/null 2>&1 && echo "ok: the settings tool runs the preview" ||
    { fail "no preview: $(tail -n5 "$WORK/settings.log")"; finish; }
PANE=$(window_geometry "$(xdotool search --name '^XScreenSaver Settings Preview$' | head -n1)")
looked && red_shards_seen "$PANE" >/dev/null && echo "ok: red shards of the saved desktop in the pane" || fail "no red shards in the pane"
wait_until "$CEILING" frames_differ "$PANE" >/dev/null 2>&1 && echo "ok: the preview draws into the pane" || fail "the pane stands still"
running "$(gyrelle_pid "--root --window-id")" && echo "ok: the preview lives on" || fail "the preview ended"
kill "$SETTINGS_PID"
wait_until "$CEILING" eval '! gyrelle_pid "--root --window-id"' >/dev/null 2>&1 && echo "ok: the preview ends with the tool" ||
    fail "the preview outlived the settings tool"
as_user xscreensaver-command -exit >/dev/null 2>&1

# xsecurelock reads the same list, and runs modes from the folder it is told.
XSECURELOCK_SAVER=saver_xscreensaver XSECURELOCK_XSCREENSAVER_PATH="$WORK/prefix/libexec/xscreensaver" \
    "${AS_USER[@]}" xsecurelock >"$WORK/xsecurelock.log" 2>&1 & LOCK_PID=$!
STARTED_PIDS+=("$LOCK_PID")
wait_until "$CEILING" gyrelle_pid "--root\$" >/dev/null && echo "ok: xsecurelock runs Gyrelle" ||
    fail "xsecurelock ran no Gyrelle: $(tail -n3 "$WORK/xsecurelock.log")"
wait_until "$CEILING" frames_differ >/dev/null 2>&1 && echo "ok: it draws under xsecurelock" || fail "the lock screen stands still"
kill "$LOCK_PID"
wait_until "$CEILING" eval '! gyrelle_pid "--root\$"' >/dev/null && echo "ok: Gyrelle ends with xsecurelock" ||
    fail "Gyrelle outlived xsecurelock"
finish
