# Shared by the dialog end-to-end scripts, after tests/e2e/common.bash:
# waiting for windows and colours, clicking at dialog units, the close
# box, and screenshots. Sourced, not run.

no_visible_window() { ! visible_title "$1" >>"$LOG"; }
wait_for_title() { wait_until "$CEILING" visible_title "$1" || { echo "window '$1' did not appear" >&2; return 1; }; }
wait_for_window_gone() { wait_until "$CEILING" no_visible_window "$1" || { echo "window '$1' did not close" >&2; return 1; }; }

# Sets PX, PY to the screen point at (x, y) in the dialog units of window
# $1, whose client area is cx x cy units.
units_to_screen() {
    local window=$1 x=$2 y=$3 cx=$4 cy=$5
    eval "$(xdotool getwindowgeometry --shell "$window")"
    PX=$(( X + (WIDTH * x + cx / 2) / cx ))
    PY=$(( Y + (HEIGHT * y + cy / 2) / cy ))
}

click_dialog_units() {
    units_to_screen "$@"
    xdotool mousemove --sync "$PX" "$PY" click 1
}

# Prints the colour (#RRGGBB) on screen at the dialog units given as for
# units_to_screen once it is $6, or, for "!$6", once it is anything else;
# prints what it saw and fails if that never came.
colour_is() {  # as wait_for_colour; sets seen
    units_to_screen "$1" "$2" "$3" "$4" "$5"
    seen=$(import -window root -crop "1x1+$PX+$PY" -depth 8 txt:- 2>>"$LOG" | grep -o '#[0-9A-F]\{6\}' | head -n 1)
    { [ "${6#!}" = "$6" ] && [ "$seen" = "$6" ]; } || { [ "${6#!}" != "$6" ] && [ -n "$seen" ] && [ "$seen" != "${6#!}" ]; }
}
wait_for_colour() {
    local seen
    wait_until "$CEILING" colour_is "$@" && echo "$seen" || { echo "at ($2, $3) the screen shows $seen, expected $6" >&2; return 1; }
}

focus_window() {
    xdotool windowactivate --sync "$1" >>"$LOG" 2>&1 || xdotool windowfocus --sync "$1"
}

# Saves the screen as $1 (a PNG) for a person to look at.
screenshot() {
    mkdir -p "$(dirname "$1")"
    import -window root "$1" && echo "screenshot: $1"
}

# Waits for process $1 and checks its exit code is $2.
expect_exit() {
    local code=0
    wait "$1" || code=$?
    [ "$code" -eq "$2" ] || { echo "exit code $code, expected $2" >&2; return 1; }
}

# The settings dialog, both platforms. Units of its client area, and the
# centres of the controls the scripts use.
SETTINGS_TITLE="Gyrelle Screen Saver Settings"
SETTINGS_UNITS="267 174"
PICKER_UNITS="212 111"
SCROLL_RIGHT_ARROW="251 95" FORWARD_RADIO="30 135" RED_BOX="187 71" PICKER_SAMPLE="187 45"
PROPER_SWATCH="77 140" SHEEN_SWATCH="107 140" TILE_SWATCH="177 140"

# The checks below read the saved settings with `saved_settings ROOT`
# (ROOT HKCU or HKLM): "name=text" per value. On Linux, from the registry
# file; the Wine scripts define their own.
saved_settings() {
    local want="[HKEY_CURRENT_USER\\Software\\Orvanti\\Gyrelle Screen Saver]"
    [ "$1" = HKCU ] || want="[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver]"
    awk -F'"' -v want="$want" '/^\[/ { inside = ($0 == want); next } inside && /^"/ { print $2 "=" $4 }' \
        "$XDG_CONFIG_HOME/gyrelle/registry.reg"
}
SAVED_DEFAULTS="DirectionOfClouds=0
IntensivityOfLightnings=30
LightColor=138842
Meteorites_ColorOfTile=16777215
Meteorites_State=1
ProperColor=16637612"

# Enter presses "OK": the defaults are saved under the user's key, never the
# machine's, where a standard user may not write. The program is "$@".
check_enter_saves_for_user() {
    "$@" >>"$WORK/dialog.log" 2>&1 & local pid=$!
    local window
    window=$(wait_for_title "$SETTINGS_TITLE")
    focus_window "$window"
    xdotool key Return
    expect_exit "$pid" 1
    check_saved_defaults_for_user
}
check_saved_defaults_for_user() {
    local actual
    actual=$(saved_settings HKCU)
    [ "$actual" = "$SAVED_DEFAULTS" ] || { printf 'saved:\n%s\n' "$actual" >&2; return 1; }
    [ -z "$(saved_settings HKLM)" ] || { echo "HKEY_LOCAL_MACHINE was written" >&2; return 1; }
    echo "Enter saved the defaults for the user"
}

# Opens the picker from the sheen swatch of window $1, waits until its
# sample shows $2, clicks its field at units ($3, $4) and waits until the
# sample changes; sets PICKER to its id.
pick_in_picker() {
    click_dialog_units "$1" $SHEEN_SWATCH $SETTINGS_UNITS
    PICKER=$(wait_for_title "Adjust color")
    wait_for_colour "$PICKER" $PICKER_SAMPLE $PICKER_UNITS "$2" >>"$LOG"
    click_dialog_units "$PICKER" "$3" "$4" $PICKER_UNITS
    wait_for_colour "$PICKER" $PICKER_SAMPLE $PICKER_UNITS "!$2" >>"$LOG"
}

# What only the real dialogs show, with the program started as "$@": the
# swatches on screen in the stored colours; Escape leaving the settings
# open; in the picker, Escape confirming and the close box cancelling; the
# settings' close box saving.
check_real_dialogs() {
    "$@" >>"$WORK/dialog.log" 2>&1 & local pid=$!
    local window sheen expected actual
    window=$(wait_for_title "$SETTINGS_TITLE")
    # shellcheck disable=SC2086
    wait_for_colour "$window" $PROPER_SWATCH $SETTINGS_UNITS "#ACDEFD" >>"$LOG"
    wait_for_colour "$window" $SHEEN_SWATCH $SETTINGS_UNITS "#5A1E02" >>"$LOG"
    wait_for_colour "$window" $TILE_SWATCH $SETTINGS_UNITS "#FFFFFF" >>"$LOG"
    screenshot "${shots}settings_dialog.png"
    echo "the swatches show the stored colours"

    # Escape sends IDCANCEL (to a dialog with a focused control: here
    # "Forward", already checked), which the settings ignore: the click
    # after it still reaches the open dialog and moves the lightning to 31.
    focus_window "$window"
    click_dialog_units "$window" $FORWARD_RADIO $SETTINGS_UNITS
    xdotool key Escape
    click_dialog_units "$window" $SCROLL_RIGHT_ARROW $SETTINGS_UNITS

    # Escape in the picker confirms what was picked in the field (once the
    # picker shows the colour, so that it takes the click)...
    pick_in_picker "$window" "#5A1E02" 30 90
    screenshot "${shots}color_picker.png"
    focus_window "$PICKER"
    click_dialog_units "$PICKER" $RED_BOX $PICKER_UNITS
    xdotool key Escape
    wait_for_window_gone "Adjust color"
    sheen=$(wait_for_colour "$window" $SHEEN_SWATCH $SETTINGS_UNITS "!#5A1E02")
    # ...its close box keeps the colour, whatever was picked.
    pick_in_picker "$window" "$sheen" 90 20
    click_close_box "$PICKER"
    wait_for_window_gone "Adjust color"

    click_close_box "$window"
    expect_exit "$pid" 1
    expected=$(sed -e "s/^IntensivityOfLightnings=.*/IntensivityOfLightnings=31/" \
        -e "s/^LightColor=.*/LightColor=$(( 16#${sheen:5:2}${sheen:3:2}${sheen:1:2} ))/" <<<"$SAVED_DEFAULTS")
    actual=$(saved_settings HKCU)
    [ "$actual" = "$expected" ] || { printf 'saved:\n%s\nexpected:\n%s\n' "$actual" "$expected" >&2; return 1; }
    echo "Escape and the close box did what they should in both dialogs"
}
