#!/bin/bash
# The shards show the desktop as it was when the saver started: on a red
# desktop, red shards fly within the first second.
. "$(dirname "$0")/common.bash"
start_xvfb
show_red_desktop

start_saver /s
wait_for_window "Screen Saver" >/dev/null || { fail "no saver window"; finish; }
red_shards_seen 1 || fail "no red shards in the first second"
kill "$SAVER_PID" 2>/dev/null
finish
