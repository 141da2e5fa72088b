#!/bin/bash
# A display without GLX: the saver cannot make an OpenGL context, shows the
# one message ("Open GL error") and ends with -1 (255), never hanging or
# crashing.
. "$(dirname "$0")/common.bash"
start_xvfb -extension GLX

box_or_end() {  # sets box to the message box's id, if it shows before the saver ends
    box=$(xdotool search --name '^Open GL error$' 2>>"$LOG" | head -n1)
    [ -n "$box" ] || ended "$SAVER_PID"
}

# Started by a person, the message is a box: OK ends with -1, SIGTERM by
# the signal (once the box's loop never heard it). Started as hosts start
# a display mode (--root), it goes to standard error: no box on the
# host's screen, where nobody may be there to close it.
while read -r tail end status; do
    args=$tail
    [ "$tail" = /p ] && start_other_window </dev/null && args="/p $OTHER_ID"
    # shellcheck disable=SC2086
    start_saver $args </dev/null
    wait_until "$CEILING" box_or_end
    case $end:${box:+box} in
    TERM:box) kill -TERM "$SAVER_PID" ;;
    Return:box) xdotool windowactivate --sync "$box" || xdotool windowfocus --sync "$box" && xdotool key --clearmodifiers Return ;;
    none:) check "'$tail': the line on standard error" "Open GL error: Screen saver can't set an appropriate OpenGL mode" \
        "$(tail -n1 "$WORK/saver.log")" ;;
    *) fail "'$tail': box '$box', expected $end" ;;
    esac
    wait_status "$SAVER_PID"
    check "'$tail' without GLX, ended by $end" "$status" "$STATUS"
done <<'EOF'
/s TERM 143
/p Return 255
--root none 255
EOF
finish
