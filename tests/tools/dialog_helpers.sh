# Shared by the dialog end-to-end scripts: a private Xvfb display, waiting
# for windows and colours, clicking at dialog units, the close box, and
# screenshots. Sourced, not run.

# Runs COMMAND until it succeeds, for five minutes at most: the machine may
# be busy, and only a broken program should reach that.
poll() {  # COMMAND...
    local end=$((SECONDS + 300))
    until "$@"; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.1; done
}

# Starts Xvfb on a free display, waits until it is ready and
# exports DISPLAY. HACK: without -noreset Xvfb resets whenever its last
# client leaves, and a dialog started during the reset cannot connect: each
# GTK run here is the display's only client.
start_private_display() {
    local ready
    ready=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$ready" >/dev/null 2>&1 &
    XVFB_PID=$!
    poll test -s "$ready"
    export DISPLAY=":$(cat "$ready")"
    rm -f "$ready"
    [ "$DISPLAY" != ":" ] || { echo "Xvfb did not start" >&2; exit 1; }
}

stop_private_display() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null || true
}

# Prints the id of the window titled exactly $1 once it shows; waits until
# none is shown.
visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .; }
no_visible_window() { ! visible_window "$1" >/dev/null; }
wait_for_window() { poll visible_window "$1" || { echo "window '$1' did not appear" >&2; return 1; }; }
wait_for_window_gone() { poll no_visible_window "$1" || { echo "window '$1' did not close" >&2; return 1; }; }

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
    seen=$(import -window root -crop "1x1+$PX+$PY" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n 1)
    { [ "${6#!}" = "$6" ] && [ "$seen" = "$6" ]; } || { [ "${6#!}" != "$6" ] && [ -n "$seen" ] && [ "$seen" != "${6#!}" ]; }
}
wait_for_colour() {
    local seen
    poll colour_is "$@" && echo "$seen" || { echo "at ($2, $3) the screen shows $seen, expected $6" >&2; return 1; }
}

# The close box: what a window manager sends (WM_PROTOCOLS, WM_DELETE_WINDOW);
# Xvfb runs none, and xdotool has no such command.
click_close_box() {
    python3 - "$1" <<'EOF'
import ctypes, struct, sys
x, window = ctypes.CDLL("libX11.so.6"), int(sys.argv[1])
x.XOpenDisplay.restype, x.XInternAtom.restype = ctypes.c_void_p, ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_char_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
display = x.XOpenDisplay(None)
protocols, delete = (x.XInternAtom(display, name, 0) for name in (b"WM_PROTOCOLS", b"WM_DELETE_WINDOW"))
# An XClientMessageEvent (type 33, format 32), padded to the size of an XEvent.
event = struct.pack("=i4xQi4xQQQi4x5q", 33, 0, 0, 0, window, protocols, 32, delete, 0, 0, 0, 0)
x.XSendEvent(display, window, 0, 0, event.ljust(192, b"\0"))
x.XCloseDisplay(display)
EOF
}

focus_window() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
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
    "$@" & local pid=$!
    local window
    window=$(wait_for_window "$SETTINGS_TITLE")
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
    PICKER=$(wait_for_window "Adjust color")
    wait_for_colour "$PICKER" $PICKER_SAMPLE $PICKER_UNITS "$2" >/dev/null
    click_dialog_units "$PICKER" "$3" "$4" $PICKER_UNITS
    wait_for_colour "$PICKER" $PICKER_SAMPLE $PICKER_UNITS "!$2" >/dev/null
}

# What only the real dialogs show, with the program started as "$@": the
# swatches on screen in the stored colours; Escape leaving the settings
# open; in the picker, Escape confirming and the close box cancelling; the
# settings' close box saving.
check_real_dialogs() {
    "$@" & local pid=$!
    local window sheen expected actual
    window=$(wait_for_window "$SETTINGS_TITLE")
    # shellcheck disable=SC2086
    wait_for_colour "$window" $PROPER_SWATCH $SETTINGS_UNITS "#ACDEFD" >/dev/null
    wait_for_colour "$window" $SHEEN_SWATCH $SETTINGS_UNITS "#5A1E02" >/dev/null
    wait_for_colour "$window" $TILE_SWATCH $SETTINGS_UNITS "#FFFFFF" >/dev/null
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
