#!/bin/bash
# The shards show the desktop as it was when the saver started: on a red
# desktop, red shards fly (a capture taken too late or not at all would fly
# black or show the clouds).
. "$(dirname "$0")/common.bash"
start_xvfb
show_red_desktop

start_looking
start_full_screen || { fail "no saver window"; finish; }
looked && red_shards_seen || fail "no red shards in flight"
finish
