# A headless sway for the Wayland scripts, run as nobody (sway refuses
# root) in a private runtime folder. Sourced after the e2e common.bash.
SWAY_PID=
start_sway() {  # CONFIG-LINE...
    chmod 755 "$WORK"
    mkdir -m 700 "$WORK/run" && chown nobody:nogroup "$WORK/run"
    printf '%s\n' "$@" >"$WORK/sway.conf"
    AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups env -u DISPLAY XDG_RUNTIME_DIR="$WORK/run")
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=2 \
        "${AS_USER[@]}" sway -c "$WORK/sway.conf" >"$WORK/sway.log" 2>&1 &
    SWAY_PID=$!
    STARTED_PIDS+=("$SWAY_PID")
    wait_until "$CEILING" eval 'ls "$WORK/run"/sway-ipc.*.sock >/dev/null 2>&1 && [ -S "$WORK/run/wayland-1" ]' ||
        { echo "sway did not start: $(tail -n5 "$WORK/sway.log")" >&2; exit 1; }
    AS_USER+=(WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$(ls "$WORK/run"/sway-ipc.*.sock)")
}
as_sway() { "${AS_USER[@]}" "$@"; }
start_saver_as_user() {
    "${AS_USER[@]}" timeout 600 "$GYRELLE" "$@" 2>"$WORK/saver.err" &
    SAVER_PID=$!
    STARTED_PIDS+=("$SAVER_PID")
}
# The saver on a connection of its own (relay.py), as a locker starts it.
start_saver_as_user_via_relay() {  # RELAY-OPTION...
    "${AS_USER[@]}" python3 "$(dirname "${BASH_SOURCE[0]}")/relay.py" "$@" -- timeout 600 "$GYRELLE" /s 2>"$WORK/saver.err" &
    SAVER_PID=$!
    STARTED_PIDS+=("$SAVER_PID")
}
