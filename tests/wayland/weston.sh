#!/bin/bash
# A compositor without the layer shell (headless Weston): the full-screen
# saver is a full-screen window on the output: its black centre dot at the
# output's centre, its clouds (not Weston's black) in the far corner. A
# compositor lost ends it with 1 and one line.
. "$(dirname "$0")/common.bash"
start_weston 1024x768
start_saver /s
vortex() {
    look_weston "$WORK/full.png" && [ "$(convert "$WORK/full.png" \( -clone 0 -crop 2x2+511+383 \) \
        \( -clone 0 -crop 64x64+960+704 \) -delete 0 -format '%[fx:w==2 ? maxima*255<1 : mean>0.03]' info:)" = 11 ]
}
wait_until "$CEILING" vortex && echo "ok: full screen, the dot at the centre" || fail "no vortex at (512,384)"
kill -KILL "${STARTED_PIDS[0]}"  # the compositor
wait_status "$SAVER_PID"
check "a lost compositor ends it with" 1 "$STATUS"
check "and says so" "gyrelle: the connection to the Wayland compositor was lost" "$(tail -n1 "$WORK/saver.log")"
finish
