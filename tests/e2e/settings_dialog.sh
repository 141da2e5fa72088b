#!/bin/bash
# The real GTK settings dialog of the program under Xvfb, for what only it
# can show (the logic tests cover the rest): Enter saves the six settings
# under HKEY_CURRENT_USER; the swatches show the stored colours; Escape
# leaves the dialog open; in the picker Escape confirms and the close box
# cancels; the dialog's close box saves.
# Usage: settings_dialog.sh PATH_TO_GYRELLE
set -euo pipefail
program=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
. "$here/../tools/dialog_helpers.sh"
shots="$(dirname "$program")/screenshots/"

config=$(mktemp -d)
export XDG_CONFIG_HOME="$config"
file="$config/gyrelle/registry.reg"
start_private_display
trap 'stop_private_display; rm -rf "$config"' EXIT

# The "name"="text" lines of one section of the registry file.
section() {
    awk -v want="[$1\\Software\\Orvanti\\Gyrelle Screen Saver]" '/^\[/ { inside = ($0 == want); next }
        inside && /^"/' "$file"
}

# 1. Enter presses "OK": the defaults, under the user's key only.
"$program" /c & pid=$!
window=$(wait_for_window "$SETTINGS_TITLE")
focus_window "$window"
xdotool key Return
expect_exit "$pid" 1
expected='"DirectionOfClouds"="0"
"IntensivityOfLightnings"="30"
"LightColor"="138842"
"Meteorites_ColorOfTile"="16777215"
"Meteorites_State"="1"
"ProperColor"="16637612"'
actual=$(section HKEY_CURRENT_USER)
[ "$actual" = "$expected" ] || { printf 'saved:\n%s\n' "$actual" >&2; exit 1; }
[ -z "$(section HKEY_LOCAL_MACHINE)" ] || { echo "HKEY_LOCAL_MACHINE was written" >&2; exit 1; }
echo "Enter saved the defaults for the user"

# 2. Escape, the close boxes and the swatches.
saved_lightning_and_sheen() {
    section HKEY_CURRENT_USER | awk -F'"' '$2 == "IntensivityOfLightnings" { l = $4 } $2 == "LightColor" { c = $4 }
        END { print l, c }'
}
saved_lightning_and_sheen=saved_lightning_and_sheen
check_real_dialogs "$program" /c
