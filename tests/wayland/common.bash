# Shared by the Wayland end-to-end scripts: a private headless compositor
# (sway 1.7, or Weston 10 for one without the layer shell) and what they do
# to it, on top of tests/e2e/common.bash (wait_until, WORK, check, finish,
# start_saver, wait_status; `look` takes its looks with grim here, so
# start_looking, looked and frames_differ work as on X11). Sourced, not run.
WAYLAND_TESTS=$(dirname "${BASH_SOURCE[0]}")
. "$WAYLAND_TESTS/../e2e/common.bash"
# Programs here find no X server: what they show, they show on Wayland.
unset DISPLAY
chmod 755 "$WORK"

# On failure, the tail of every program's output kept in WORK.
wayland_cleanup() {
    local status=$? log
    if [ "$status" -ne 0 ]; then
        for log in "$WORK"/*.log "$WORK"/*.err; do
            [ -s "$log" ] && { echo "--- last lines of $(basename "$log"):"; tail -n 15 "$log"; } >&2
        done
    fi
    cleanup
}
trap wayland_cleanup EXIT

# sway refuses to run as root, so compositors run as nobody, in a private
# runtime folder; root's clients connect through the socket's full path.
compositor_socket() { local s; for s in "$WORK"/run/wayland-*; do [ -S "$s" ] && echo "$s" && return 0; done; return 1; }
start_compositor() {  # NAME COMMAND...: its output in WORK/NAME.log; exports WAYLAND_DISPLAY
    local name=$1
    shift
    mkdir -m 700 "$WORK/run" && chown nobody:nogroup "$WORK/run"
    env XDG_RUNTIME_DIR="$WORK/run" setpriv --reuid=nobody --regid=nogroup --clear-groups "$@" >"$WORK/$name.log" 2>&1 &
    STARTED_PIDS+=("$!")
    export WAYLAND_DISPLAY XDG_RUNTIME_DIR="$WORK/run"
    WAYLAND_DISPLAY=$(wait_until "$CEILING" compositor_socket) || { echo "$name did not start" >&2; exit 1; }
}

# Headless sway with an output per WIDTHxHEIGHT, HEADLESS-1, -2, ... left
# to right, top edges aligned, over a plain #203040 (swaybg). No bar, no
# XWayland. Exports SWAYSOCK for swaymsg.
start_sway() {  # WIDTHxHEIGHT...
    local size x=0 n=0
    {
        echo "xwayland disable"
        echo "output * bg #203040 solid_color"
        for size; do
            n=$((n + 1)) && echo "output HEADLESS-$n pos $x 0 res $size" && x=$((x + ${size%x*}))
        done
    } >"$WORK/sway.config"
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=$# \
        start_compositor sway sway -c "$WORK/sway.config"
    export SWAYSOCK
    SWAYSOCK=$(wait_until "$CEILING" compgen -G "$WORK/run/sway-ipc.*.sock") || { echo "no sway IPC socket" >&2; exit 1; }
    # A keyboard from the start, as in a session: a client takes its
    # wl_keyboard when the seat gets one, so a key from a keyboard that
    # appears only then (press's own) could come before it. This one types
    # nothing: it waits a day first.
    wtype -s 86400000 -k F24 >"$WORK/keyboard.log" 2>&1 &
    STARTED_PIDS+=("$!")
    wait_until "$CEILING" seat_has_keyboard || { echo "the seat has no keyboard" >&2; exit 1; }
}
seat_has_keyboard() { wayland-info 2>&1 | grep -q "capabilities: keyboard"; }

# A sway command; swaymsg's answer goes to WORK/swaymsg.log. It says
# "success" even where the output's change then fails (sway.log tells).
sway_do() { echo "> $*" >>"$WORK/swaymsg.log" && swaymsg "$@" >>"$WORK/swaymsg.log" 2>&1; }
output_names() { swaymsg -t get_outputs -r | jq -r '.[].name'; }
# Adds an output (1920x1080, placed right of the others); prints its name.
create_output() {
    local before
    before=$(output_names)
    sway_do create_output
    output_names | grep -vxF "$before"
}
output_scale() { sway_do output "$1" scale "$2"; }  # NAME SCALE
# Succeeds once a window titled TITLE holds the keyboard focus.
sway_focused() { [ "$(swaymsg -t get_tree -r | jq --arg t "$1" 'any(.. | objects; .name? == $t and .focused?)')" = true ]; }  # TITLE

# One look at one output (grim's buffer pixels: twice the size at scale 2),
# or at all of them (at the largest scale); PPM, quick to write.
look() { grim -t ppm ${2:+-o "$2"} "$1"; }  # FILE [OUTPUT]
# A key typed on sway's virtual keyboard (a keysym name: Escape, Return, a).
press() { wtype -k "$1" >>"$WORK/wtype.log" 2>&1; }  # KEYSYM

# Starts COMMAND on a connection relayed by relay.py (see there), as a
# locker starts its background with --locker; sets RELAY_PID. wait_status
# RELAY_PID gives COMMAND's status.
start_relayed() {  # [--locker] [--output NAME] -- COMMAND...
    "$WAYLAND_TESTS/relay.py" "$@" 2>"$WORK/relay.err" &
    RELAY_PID=$!
    STARTED_PIDS+=("$!")
}
close_connection() { kill -TERM "$RELAY_PID"; }       # the locker's unlock
forget_last_output() { kill -USR1 "$RELAY_PID"; }     # wl_output gone, as if unplugged
outputs_off() { kill -USR2 "$RELAY_PID"; }             # the compositor turns the outputs off

# swayidle runs COMMAND after SECONDS without input (it fires on headless
# sway, which has no input devices; a key from `press` starts the count anew).
start_idle() {  # SECONDS COMMAND
    swayidle -w timeout "$1" "$2" >"$WORK/swayidle.log" 2>&1 &
    STARTED_PIDS+=("$!")
}

# Headless Weston, a compositor without the layer shell, one output
# WIDTHxHEIGHT at SCALE; no seat (no input devices), no screen copy:
# look_weston takes its look through Weston's own screenshooter.
start_weston() {  # WIDTHxHEIGHT [SCALE]
    start_compositor weston weston --backend=headless-backend.so --use-pixman --socket=wayland-1 --idle-time=0 \
        --debug --width="${1%x*}" --height="${1#*x}" --scale="${2:-1}"
}
look_weston() {  # FILE (PNG)
    rm -rf "$WORK/shot" && mkdir "$WORK/shot" &&
        (cd "$WORK/shot" && weston-screenshooter >>"$WORK/screenshooter.log" 2>&1) && mv "$WORK"/shot/*.png "$1"
}
