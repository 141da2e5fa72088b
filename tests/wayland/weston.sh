#!/bin/bash
# A compositor without the layer shell (headless Weston): the full-screen
# saver is a full-screen window on the output, its black centre dot at the
# output's centre; SIGTERM ends it as on X.
. "$(dirname "$0")/common.bash"
start_weston 1024x768
start_saver /s
centre_black() { look_weston "$WORK/full.png" && [ "$(convert "$WORK/full.png" -crop 2x2+511+383 -format '%[fx:maxima*255<1]' info:)" = 1 ]; }
wait_until "$CEILING" centre_black && echo "ok: full screen, the dot at the centre" || fail "no centre dot at (512,384)"
kill -TERM "$SAVER_PID"
wait_status "$SAVER_PID"
check "SIGTERM ends it" 143 "$STATUS"
finish
