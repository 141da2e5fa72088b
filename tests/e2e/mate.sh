#!/bin/bash
# MATE's screen saver runs the installed Gyrelle: its screen-saver entry is
# listed as the theme "screensavers-gyrelle", mate-screensaver --no-daemon
# starts it on --activate, it draws, and --deactivate ends it. MATE runs a
# display mode only from its own folders, so the program goes to
# /usr/libexec/xscreensaver for the run (root only) and the rest of the
# install, entry included, is read from a staging copy.
[ -n "${GYRELLE_PRIVATE_BUS:-}" ] || GYRELLE_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
. "$(dirname "$0")/common.bash"
[ "$(id -u)" -eq 0 ] || { echo "SKIP: putting the program in /usr/libexec/xscreensaver needs root"; finish; }
HACK=/usr/libexec/xscreensaver/gyrelle
# Other scripts run beside this one, some in the same folder; the XScreenSaver test would run this HACK.
exec 9>/tmp/gyrelle-hack-dir.lock; flock 9
[ ! -e "$HACK" ] || { echo "SKIP: $HACK is there already (an installed Gyrelle); left alone"; finish; }
DESTDIR="$WORK/root" install_gyrelle /usr
on_exit() { rm -f "$HACK"; }
cp "$WORK/root$HACK" "$HACK"
export XDG_DATA_DIRS="$WORK/root/usr/share:/usr/share" HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" NO_AT_BRIDGE=1
# The settings store (dconf) is started by the bus, with the bus's own home.
dbus-update-activation-environment HOME XDG_CONFIG_HOME XDG_DATA_DIRS NO_AT_BRIDGE
gsettings set org.mate.screensaver mode single
gsettings set org.mate.screensaver themes "['screensavers-gyrelle']"
gsettings set org.mate.screensaver lock-enabled false
start_xvfb
mate-screensaver --no-daemon --debug >"$WORK/mate.log" 2>&1 & MATE_PID=$!
STARTED_PIDS+=("$MATE_PID")
saver() { pgrep -P "$MATE_PID" -x gyrelle; }
wait_until "$CEILING" mate-screensaver-command --query >>"$LOG" 2>&1 || { fail "mate-screensaver did not answer"; finish; }
mate-screensaver-command --activate >>"$LOG"
wait_until "$CEILING" saver >>"$LOG" && echo "ok: MATE runs Gyrelle" ||
    { fail "no Gyrelle: $(grep -e "command for job" -e "No command" "$WORK/mate.log" | tail -n2)"; finish; }
wait_until "$CEILING" frames_differ && echo "ok: the screen changes from frame to frame" || fail "the screen stands still"
mate-screensaver-command --deactivate >>"$LOG"
wait_until "$CEILING" eval '! saver' >>"$LOG" && echo "ok: --deactivate ends Gyrelle" ||
    fail "Gyrelle outlived --deactivate"
finish
