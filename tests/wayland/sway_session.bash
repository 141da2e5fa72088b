# A headless compositor for the Wayland scripts, run as nobody (sway refuses
# root) in a private runtime folder, and looks at its outputs. Sourced after
# the e2e common.bash.
start_compositor() {  # COMMAND...
    chmod 755 "$WORK"
    mkdir -m 700 "$WORK/run" && chown nobody:nogroup "$WORK/run"
    AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups env -u DISPLAY XDG_RUNTIME_DIR="$WORK/run")
    "${AS_USER[@]}" "$@" >"$WORK/compositor.log" 2>&1 &
    STARTED_PIDS+=("$!")
    wait_until "$CEILING" test -S "$WORK/run/wayland-1" ||
        { echo "$1 did not start: $(tail -n5 "$WORK/compositor.log")" >&2; exit 1; }
    AS_USER+=(WAYLAND_DISPLAY=wayland-1)
}
start_sway() {  # CONFIG-LINE...
    printf '%s\n' "$@" >"$WORK/sway.conf"
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=2 \
        start_compositor sway -c "$WORK/sway.conf"
    wait_until "$CEILING" eval 'ls "$WORK/run"/sway-ipc.*.sock >/dev/null 2>&1' || { echo "no sway IPC" >&2; exit 1; }
    AS_USER+=(SWAYSOCK="$(ls "$WORK/run"/sway-ipc.*.sock)")
}
as_sway() { "${AS_USER[@]}" "$@"; }
# No lightning or meteor brightens a centre dot; the shards of a plain
# desktop cannot pass for one.
quiet_settings() {
    mkdir -p "$WORK/config/gyrelle"
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_CURRENT_USER\Software\Orvanti\Gyrelle Screen Saver]' \
        '"IntensivityOfLightnings"="0"' '"Meteorites_State"="0"' >"$WORK/config/gyrelle/registry.reg"
    chown -R nobody:nogroup "$WORK/config"
    export XDG_CONFIG_HOME=$WORK/config
}
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
# 1 when the 2x2 pixels at the centre of the looks NAME.*.png are black in
# at least half of them (a speck passes over the dot now and then), else 0.
dot() {  # NAME
    local file size
    for file in "$WORK/$1".*.png; do
        size=$(identify -format '%w %h' "$file") || continue
        set -- $size
        convert "$file" -crop "2x2+$(($1 / 2 - 1))+$(($2 / 2 - 1))" -format '%[fx:maxima*255<1]\n' info:
    done | awk '{ black += $1 } END { print (NR > 0 && black >= NR / 2) ? 1 : 0 }'
}
