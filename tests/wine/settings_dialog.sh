#!/bin/bash
# The settings dialog of Gyrelle.scr under Wine and Xvfb: Enter saves the
# six settings, the scroll bar moves the lightning, and a colour confirmed
# in the picker untouched comes back unchanged.
# Usage: settings_dialog.sh PATH_TO_GYRELLE_SCR
set -euo pipefail
program=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
. "$here/../tools/dialog_helpers.sh"
run="$here/../../cmake/wine-run.sh"
shots="$(dirname "$program")/screenshots"
title="Gyrelle Screen Saver Settings"
key='HKLM\Software\Orvanti\Gyrelle Screen Saver'

start_private_display
trap 'stop_private_display' EXIT
"$run" reg delete "$key" /f >/dev/null 2>&1 || true

# "name=text" per setting, in the order the registry lists them.
saved_settings() {
    "$run" reg query "$key" 2>/dev/null | tr -d '\r' |
        awk '$2 == "REG_SZ" { print $1 "=" $3 }'
}

expect_saved() {
    local expected actual
    expected=$(printf 'DirectionOfClouds=0\nIntensivityOfLightnings=%s\nLightColor=138842\nMeteorites_ColorOfTile=16777215\nMeteorites_State=1\nProperColor=16637612' "$1")
    actual=$(saved_settings)
    if [ "$actual" != "$expected" ]; then
        printf 'registry holds:\n%s\nexpected:\n%s\n' "$actual" "$expected" >&2
        return 1
    fi
}

# 1. Enter presses "OK": the defaults are saved and the exit code is 1.
"$run" "$program" /c & pid=$!
window=$(wait_for_window "$title" 60)
sleep 1
screenshot "$shots/wine_settings_dialog.png"
focus_window "$window"
xdotool key Return
expect_exit "$pid" 1
expect_saved 30
echo "Enter saved the defaults"

# 2. The lightning from the scroll bar's right arrow: 30 becomes 31. The
#    bar has no tab stop and takes no focus from a click on Windows, so
#    there is no keyboard path to it in this template.
"$run" "$program" /c & pid=$!
window=$(wait_for_window "$title" 60)
sleep 1
focus_window "$window"
click_dialog_units "$window" 252 95 267 174
sleep 0.5
focus_window "$window"
xdotool key Return
expect_exit "$pid" 1
expect_saved 31
echo "the arrow set the lightning to 31"

# 3. The "Sheen" swatch opens the picker; Enter confirms it untouched.
"$run" "$program" /c & pid=$!
window=$(wait_for_window "$title" 60)
sleep 1
focus_window "$window"
click_dialog_units "$window" 107 140 267 174
picker=$(wait_for_window "Adjust color" 30)
sleep 1
screenshot "$shots/wine_color_picker.png"
focus_window "$picker"
xdotool key Return
wait_for_window_gone "Adjust color"
focus_window "$window"
xdotool key Return
expect_exit "$pid" 1
expect_saved 31
echo "the picker kept the colour"
