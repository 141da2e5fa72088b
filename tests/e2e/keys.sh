#!/bin/bash
# Keys end the saver, Alt included; the wheel does not; SIGTERM closes it.
. "$(dirname "$0")/common.bash"
start_xvfb

start_saver /s
wait_for_window "Screen Saver" >/dev/null || { fail "no saver window"; finish; }
xdotool click 4 click 5 click 6 click 7
settle
running "$SAVER_PID" && echo "ok: the wheel keeps the saver" || fail "the wheel ended the saver"
xdotool key a
wait_status "$SAVER_PID" 5
check "a key ends with 0" 0 "$STATUS"

start_saver /s
wait_for_window "Screen Saver" >/dev/null || { fail "no second saver window"; finish; }
xdotool key alt
wait_status "$SAVER_PID" 5
check "Alt ends with 0" 0 "$STATUS"

start_saver /s
wait_for_window "Screen Saver" >/dev/null || { fail "no third saver window"; finish; }
xdotool click 1
wait_status "$SAVER_PID" 5
check "a click ends with 0" 0 "$STATUS"

start_saver /s
wait_for_window "Screen Saver" >/dev/null || { fail "no fourth saver window"; finish; }
kill -TERM "$SAVER_PID"
wait_status "$SAVER_PID" 5
check "SIGTERM ends with 0" 0 "$STATUS"
finish
