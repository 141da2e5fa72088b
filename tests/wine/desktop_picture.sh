#!/bin/bash
# Gyrelle.scr under Wine: Wine's OpenGL front buffer of a new window reads
# black, so the saver takes the desktop from the screen; on a red desktop
# the shards must fly red.
. "$(dirname "$0")/common.bash"
start_xvfb
show_red_desktop

start_scr /s
wait_for_title "Screen Saver" 60 >/dev/null || { fail "no saver window"; finish; }
red_shards_seen 4 || fail "no red shards while the saver starts"
finish
