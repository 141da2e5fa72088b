#!/bin/bash
# A compositor without the layer shell (Weston, headless): the full-screen
# saver is a full-screen window on the output, its centre dot at the
# output's centre; SIGTERM ends it as on X.
. "$(dirname "$0")/../e2e/common.bash"
. "$(dirname "$0")/sway_session.bash"
start_compositor weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 --socket=wayland-1 \
    --idle-time=0 --debug
quiet_settings
start_saver_as_user /s
# weston-screenshooter writes its picture into the folder it runs in.
look_weston() {
    rm -f "$WORK/run"/wayland-screenshot-*.png
    (cd "$WORK/run" && as_sway weston-screenshooter) && mv "$WORK/run"/wayland-screenshot-*.png "$WORK/$1.png"
}
weston_dot() { local i; for i in 0 1 2 3 4; do look_weston "full.$i"; done; [ "$(dot full)" = 1 ]; }
wait_until "$CEILING" weston_dot || fail "no centre dot at (512,384); saver: $(tail -n3 "$WORK/saver.err")"
kill -TERM "$SAVER_PID"
wait_status "$SAVER_PID"
check "SIGTERM ends it" 143 "$STATUS"
finish
