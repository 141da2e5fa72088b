#!/bin/bash
# The real settings dialog of Gyrelle.scr under Wine and Xvfb, for what only
# it can show (the logic tests cover the rest): Enter saves the six settings
# under HKEY_CURRENT_USER, never HKEY_LOCAL_MACHINE, where a standard user
# may not write; the swatches show the stored colours; Escape leaves the
# dialog open; in the picker Escape confirms and the close box cancels; the
# dialog's close box saves.
# Usage: settings_dialog.sh PATH_TO_GYRELLE_SCR
set -euo pipefail
program=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
. "$here/../tools/dialog_helpers.sh"
run="$here/../../cmake/wine-run.sh"
shots="$(dirname "$program")/screenshots/wine_"
key='Software\Orvanti\Gyrelle Screen Saver'

start_private_display
trap 'stop_private_display' EXIT
for root in HKCU HKLM; do "$run" reg delete "$root\\$key" /f >/dev/null 2>&1 || true; done

# "name=text" per setting under root $1, in the order the registry lists them.
saved_settings() {
    "$run" reg query "$1\\$key" 2>/dev/null | tr -d '\r' | awk '$2 == "REG_SZ" { print $1 "=" $3 }'
}

# 1. Enter presses "OK": the defaults, under the user's key only.
"$run" "$program" /c & pid=$!
window=$(wait_for_window "$SETTINGS_TITLE")
focus_window "$window"
xdotool key Return
expect_exit "$pid" 1
expected='DirectionOfClouds=0
IntensivityOfLightnings=30
LightColor=138842
Meteorites_ColorOfTile=16777215
Meteorites_State=1
ProperColor=16637612'
actual=$(saved_settings HKCU)
[ "$actual" = "$expected" ] || { printf 'saved:\n%s\n' "$actual" >&2; exit 1; }
[ -z "$(saved_settings HKLM)" ] || { echo "HKEY_LOCAL_MACHINE was written" >&2; exit 1; }
echo "Enter saved the defaults for the user"

# 2. Escape, the close boxes and the swatches.
saved_lightning_and_sheen() {
    saved_settings HKCU | awk -F= '$1 == "IntensivityOfLightnings" { l = $2 } $1 == "LightColor" { c = $2 }
        END { print l, c }'
}
saved_lightning_and_sheen=saved_lightning_and_sheen
check_real_dialogs "$run" "$program" /c
