#!/bin/bash
# A display without GLX: the saver cannot make an OpenGL context, shows the
# one message ("Open GL error") and ends with -1 (255), never hanging or
# crashing. With no display at all, every mode names the display instead
# (once the settings dialog ended silently and /s blamed OpenGL).
. "$(dirname "$0")/common.bash"
for args in "" -c /s -root; do
    # shellcheck disable=SC2086
    said=$(DISPLAY=:9999 "$GYRELLE" $args 2>&1)
    check "'$args' without a display" "255 gyrelle: cannot open display \":9999\"" "$? $said"
done
start_xvfb -extension GLX

box_or_end() {  # sets box to the message box's id, if it shows before the saver ends
    box=$(xdotool search --name '^Open GL error$' 2>/dev/null | head -n1)
    [ -n "$box" ] || ended "$SAVER_PID"
}

for tail in "/s" "/p"; do
    args=$tail
    [ "$tail" = /p ] && start_other_window && args="/p $OTHER_ID"
    # shellcheck disable=SC2086
    start_saver $args
    wait_until "$CEILING" box_or_end
    if [ -n "$box" ]; then
        echo "ok: '$tail' shows the OpenGL message"
        xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
        xdotool key --clearmodifiers Return
    else
        fail "'$tail': no OpenGL message box ($(cat "$WORK/saver.err"))"
    fi
    wait_status "$SAVER_PID" 10
    check "'$tail' without GLX exits -1" 255 "$STATUS"
done
finish
