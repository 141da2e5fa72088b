#!/bin/bash
# Keys and clicks end the saver, Alt included, and so does another program
# taking the focus; the wheel does not. (Signals: signals.sh.)
. "$(dirname "$0")/common.bash"
start_xvfb
start_other_window

for input in "click 4 click 5 click 6 click 7 key a" "key alt" "click 1" "focus"; do
    start_full_screen || { fail "$input: no saver window"; continue; }
    case $input in
    focus) xdotool windowfocus "$OTHER_ID" ;;  # WM_ACTIVATEAPP
    click\ 4*)
        xdotool click 4 click 5 click 6 click 7
        settle
        running "$SAVER_PID" && echo "ok: the wheel keeps the saver" || fail "the wheel ended the saver"
        xdotool key a ;;
    *) xdotool $input ;;
    esac
    wait_status "$SAVER_PID"
    check "'$input' ends with 0" 0 "$STATUS"
done
finish
