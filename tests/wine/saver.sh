#!/bin/bash
# Gyrelle.scr under Wine on a red desktop: the shards fly red (Wine's
# OpenGL front buffer of a new window reads black, so the saver must take
# the desktop from the screen), a second /s exits 0 at once, a key ends the
# first with 0. Then the Windows side of the command line's exit status
# (the whole grammar is in the logic tests): a bad switch, a preview of no
# window and /a off the legacy platform end with -1 (status 255).
. "$(dirname "$0")/common.bash"
start_xvfb
show_red_desktop

start_scr /s
id=$(wait_for_title "Screen Saver") || { fail "no saver window"; finish; }
red_shards_seen || fail "no red shards in flight"
run_scr /s
check "second /s exits 0" 0 "$?"
running "$SAVER_PID" && echo "ok: first saver still runs" || fail "the second start ended the first"
xdotool windowfocus "$id" 2>/dev/null
xdotool key a
wait_status "$SAVER_PID"
check "a key ends with 0" 0 "$STATUS"

for tail in "/x" "/p 123456" "/a 1234"; do
    # shellcheck disable=SC2086
    run_scr $tail
    check "'$tail' exits -1" 255 "$?"
done
finish
