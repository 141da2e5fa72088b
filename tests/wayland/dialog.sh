#!/bin/bash
# The settings dialog on sway through GTK's own Wayland backend, without an
# X server: it shows as a window of the compositor's and takes the keyboard;
# Return presses OK and saves the defaults under the user's key, as on X11
# (the rest of the dialog: tests/e2e/settings_dialog.sh).
. "$(dirname "$0")/common.bash"
. "$WAYLAND_TESTS/../tools/dialog_helpers.sh"
export XDG_CONFIG_HOME="$WORK/config" GDK_BACKEND=wayland
start_sway 1024x768
start_saver /c
wait_until "$CEILING" sway_focused "$SETTINGS_TITLE" && echo "ok: the dialog shows, focused" ||
    fail "no focused window '$SETTINGS_TITLE' on sway"
press Return
wait_status "$SAVER_PID"
check "Return ends the dialog with" 1 "$STATUS"
check_saved_defaults_for_user || fail "the settings saved are not the defaults under the user's key"
finish
