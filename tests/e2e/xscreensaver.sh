#!/bin/bash
# The real XScreenSaver 6 runs the installed Gyrelle once README.md's command
# (gyrelle-xscreensaver-setup) has listed it, on two monitors. From
# nothing: the daemon's first start without ~/.xscreensaver, then the
# command, and -select 1 runs Gyrelle. Over a file of the user's own: every
# line of it is kept (a copy aside first), and the selected mode keeps its
# place. Activated, the daemon runs one "gyrelle --root" per monitor, each
# in a window of that monitor's size with the part of the desktop it saved
# for that window (how a picture is cut and turned is the render tests');
# -deactivate ends them (SIGTERM). Its settings
# tool runs "gyrelle --root --window-id W" in its preview pane, which draws
# and ends with the tool. xsecurelock runs it from the same list.
# XScreenSaver runs no display mode as root, so as root (CI) everything
# runs as nobody, and what it reads lies in WORK.
. "$(dirname "$0")/common.bash"
# XScreenSaver prefers its own folder to PATH: never while the MATE test puts a Gyrelle there.
exec 9>/tmp/gyrelle-hack-dir.lock; flock -s 9
XVFB_SCREEN=1280x480x24 start_xvfb -ac   # the other account may use this private server
xrandr --setmonitor left 640/169x480/127+0+0 screen >>"$LOG" &&
    xrandr --setmonitor right 640/169x480/127+640+0 none >>"$LOG" || { fail "no second monitor"; finish; }
chmod 755 "$WORK"
install_gyrelle "$WORK/prefix"
monitor_settings  # no meteor flare or lightning to wash colour over the shards
cp "$(dirname "$0")/../lsan.supp" "$WORK/"
export HOME="$WORK/home" LSAN_OPTIONS="suppressions=$WORK/lsan.supp:print_suppressions=0" PATH="$WORK/prefix/bin:$PATH"
mkdir -p "$HOME"
AS_USER=()
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$HOME"
    AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
as_user() { "${AS_USER[@]}" "$@" >>"$LOG" 2>&1; }
PROGRAM="$WORK/prefix/libexec/xscreensaver/gyrelle"
gyrelles() {  # PATTERN: the Gyrelles of this install whose arguments match, oldest first
    local pid
    for pid in $(pgrep -f -- "gyrelle $1"); do
        [ "$(readlink "/proc/$pid/exe")" != "$PROGRAM" ] || echo "$pid"
    done | grep .
}
none_left() { ! gyrelles "$1" >>"$LOG"; }  # PATTERN

"${AS_USER[@]}" xscreensaver --no-splash --verbose >"$WORK/daemon.log" 2>&1 &
STARTED_PIDS+=("$!")
wait_until "$CEILING" as_user xscreensaver-command -time || fail "the daemon did not answer"
as_user gyrelle-xscreensaver-setup || fail "the setup command failed"
as_user xscreensaver-command -select 1
wait_until "$CEILING" gyrelles "--root\$" >>"$LOG" && echo "ok: from nothing, Gyrelle is the first mode" ||
    fail "-select 1 ran no Gyrelle"
as_user xscreensaver-command -deactivate
wait_until "$CEILING" none_left "--root\$" || fail "Gyrelle outlived -deactivate"

cat >"$WORK/mine" <<'END'
# my settings
mode:		one
selected:	2
splash:		False
fade:		False
programs:							\
		maze --root				    \n\
  - GL:		superquadrics --root			    \n
lock:		False
END
install -o "$(stat -c %u "$HOME")" -m 600 "$WORK/mine" "$HOME/.xscreensaver"
as_user gyrelle-xscreensaver-setup || fail "the setup command failed over a file"
check "the copy aside" "" "$(cmp "$WORK/mine" "$HOME/.xscreensaver.before-gyrelle" 2>&1)"
check "the user's lines, kept" "" "$(sed 's/\\$//' "$HOME/.xscreensaver" | grep -vxF -f - <(sed 's/\\$//' "$WORK/mine"))"

# The left monitor's desktop red, the right one's blue.
convert -size 640x480 xc:red xc:blue +append "$WORK/desktop.png"
display -window root "$WORK/desktop.png" >>"$LOG" 2>&1
RED_CROP=640x480+0+0 wait_until "$CEILING" red_covers 0.95 >>"$LOG" || { fail "the desktop did not show"; finish; }
start_looking
as_user xscreensaver-command -activate
two_running() { [ "$(gyrelles "--root\$" | wc -l)" = 2 ]; }
wait_until "$CEILING" two_running && echo "ok: one Gyrelle on each monitor" || { fail "not two Gyrelles"; finish; }
looked || fail "the screen stood still"
# Some look shows each monitor's own colour, none the other's: a picture
# cut from the screen XScreenSaver blanked is black, one cut from the
# wrong place shows the other monitor's colour.
own= foreign=
for look in "${LOOKS[@]}"; do
    read -r red_left red_right blue_left blue_right < <(colour_shares "$look" 2x1 25% red blue | tr '\n' ' ')
    awk -v a="$red_left" -v b="$blue_right" 'BEGIN { exit !(a > 0.001 && b > 0.001) }' && own=yes
    awk -v a="$red_right" -v b="$blue_left" 'BEGIN { exit !(a > 0.001 || b > 0.001) }' && foreign+=" $(basename "$look")"
done
check "each monitor's shards show its own part of the saved desktop, never the other's" yes: "$own:$foreign"
as_user xscreensaver-command -deactivate
wait_until "$CEILING" none_left "--root\$" && echo "ok: -deactivate ends Gyrelle" || fail "Gyrelle outlived -deactivate"

"${AS_USER[@]}" xscreensaver-settings >"$WORK/settings.log" 2>&1 &
SETTINGS_PID=$!
STARTED_PIDS+=("$SETTINGS_PID")
wait_until "$CEILING" gyrelles "--root --window-id 0x" >>"$LOG" && echo "ok: the settings tool runs the preview" ||
    { fail "no preview"; finish; }
PANE=$(window_geometry "$(xdotool search --name '^XScreenSaver Settings Preview$' | head -n1)")
wait_until "$CEILING" frames_differ "$PANE" && echo "ok: the preview draws into the pane" || fail "the pane stands still"
kill "$SETTINGS_PID"
wait_until "$CEILING" none_left "--root --window-id" && echo "ok: the preview ends with the tool" ||
    fail "the preview outlived the settings tool"
as_user xscreensaver-command -exit

# xsecurelock reads the same list, and runs modes from the folder it is told.
XSECURELOCK_SAVER=saver_xscreensaver XSECURELOCK_XSCREENSAVER_PATH="$WORK/prefix/libexec/xscreensaver" \
    "${AS_USER[@]}" xsecurelock >"$WORK/xsecurelock.log" 2>&1 & LOCK_PID=$!
STARTED_PIDS+=("$LOCK_PID")
wait_until "$CEILING" gyrelles "--root\$" >>"$LOG" && echo "ok: xsecurelock runs Gyrelle" || fail "xsecurelock ran no Gyrelle"
wait_until "$CEILING" frames_differ && echo "ok: it draws under xsecurelock" || fail "the lock screen stands still"
kill "$LOCK_PID"
wait_until "$CEILING" none_left "--root\$" && echo "ok: Gyrelle ends with xsecurelock" || fail "Gyrelle outlived xsecurelock"
finish
