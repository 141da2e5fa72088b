#!/bin/bash
# Keys and clicks end the saver, Alt included, and so does another program
# taking the focus; the wheel does not; SIGTERM closes it.
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

# Another program taking the focus ends the saver (WM_ACTIVATEAPP).
"$PARENT_WINDOW" >"$WORK/other.id" &
OTHER_PID=$!
STARTED_PIDS+=("$OTHER_PID")
for _ in $(seq 100); do [ -s "$WORK/other.id" ] && break; sleep 0.05; done
start_saver /s
wait_for_window "Screen Saver" >/dev/null || { fail "no fourth saver window"; finish; }
xdotool windowfocus "$(head -n1 "$WORK/other.id")"
wait_status "$SAVER_PID" 5
check "another program taking the focus ends with 0" 0 "$STATUS"
kill -TERM "$OTHER_PID"

start_saver /s
wait_for_window "Screen Saver" >/dev/null || { fail "no fifth saver window"; finish; }
kill -TERM "$SAVER_PID"
wait_status "$SAVER_PID" 5
check "SIGTERM ends with 0" 0 "$STATUS"
finish
