#!/bin/bash
# The settings dialog of the real program under Xvfb: Enter saves the six
# settings in name order, the lightning follows the keyboard, and a colour
# confirmed in the picker untouched comes back unchanged.
# Usage: settings_dialog.sh PATH_TO_GYRELLE
set -euo pipefail
program=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
. "$here/../tools/dialog_helpers.sh"
shots="$(dirname "$program")/screenshots"
title="Gyrelle Screen Saver Settings"

config=$(mktemp -d)
export XDG_CONFIG_HOME="$config"
start_private_display
trap 'stop_private_display; rm -rf "$config"' EXIT

# The settings section of the registry file, one "name"="text" per line.
saved_settings() {
    local file
    file=$(grep -rl 'Gyrelle Screen Saver\]' "$config" | head -n 1)
    [ -n "$file" ] || { echo "no registry file under $config" >&2; return 1; }
    awk '/^\[/{inside = ($0 ~ /Orvanti\\Gyrelle Screen Saver\]$/); next} inside && /^"/' "$file"
}

expect_saved() {
    local expected actual
    expected=$(printf '"DirectionOfClouds"="0"\n"IntensivityOfLightnings"="%s"\n"LightColor"="138842"\n"Meteorites_ColorOfTile"="16777215"\n"Meteorites_State"="1"\n"ProperColor"="16637612"' "$1")
    actual=$(saved_settings)
    if [ "$actual" != "$expected" ]; then
        printf 'registry holds:\n%s\nexpected:\n%s\n' "$actual" "$expected" >&2
        return 1
    fi
}

# 1. Open and press Enter: "OK" saves the defaults and ends with 1.
"$program" /c & pid=$!
window=$(wait_for_window "$title")
sleep 0.5
screenshot "$shots/settings_dialog.png"
focus_window "$window"
xdotool key Return
expect_exit "$pid" 1
expect_saved 30
echo "Enter saved the defaults"

# 2. The lightning from the keyboard: a click on the scroll bar's right
#    arrow gives it the focus (31), Home goes to 0, three Rights to 3.
"$program" /c & pid=$!
window=$(wait_for_window "$title")
sleep 0.5
click_dialog_units "$window" 250 95 267 174
focus_window "$window"
xdotool key Home Right Right Right
sleep 0.3
xdotool key Return
expect_exit "$pid" 1
expect_saved 3
echo "the keyboard set the lightning to 3"

# 3. The "Sheen" swatch opens the picker; Enter confirms it untouched and
#    the colour stays 90/30/2.
"$program" /c & pid=$!
window=$(wait_for_window "$title")
sleep 0.5
click_dialog_units "$window" 107 140 267 174
picker=$(wait_for_window "Adjust color")
sleep 0.5
screenshot "$shots/color_picker.png"
focus_window "$picker"
xdotool key Return
wait_for_window_gone "Adjust color"
focus_window "$window"
xdotool key Return
expect_exit "$pid" 1
expect_saved 3
echo "the picker kept the colour"
