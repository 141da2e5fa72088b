#!/bin/bash
# Gyrelle.scr /s under Wine: a second start exits 0 at once, a key ends
# the first with 0.
. "$(dirname "$0")/common.bash"
start_xvfb

start_scr /s
id=$(wait_for_title "Screen Saver" 60) || { fail "no saver window"; finish; }
echo "ok: saver window $id"
run_scr /s
check "second /s exits 0" 0 "$?"
running "$SAVER_PID" && echo "ok: first saver still runs" || fail "the second start ended the first"
sleep 1
xdotool windowfocus "$id" 2>/dev/null
xdotool key a
wait_status "$SAVER_PID" 20
check "a key ends with 0" 0 "$STATUS"
finish
