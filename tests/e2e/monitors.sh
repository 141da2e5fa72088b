#!/bin/bash
# The full-screen saver on one X screen of 2048x768 that `xrandr
# --setmonitor` splits into two monitors: once the opening is over, a
# vortex on each, its black centre dot at that monitor's centre, none at
# the seam, two different pictures. Then the monitors change under it: one
# taken away, the screen shrunk and grown, the monitor back; it runs on,
# its window covers the screen, each monitor has its vortex again, and a
# key ends it with 0.
. "$(dirname "$0")/common.bash"
XVFB_SCREEN=2048x768x24 start_xvfb
xrandr --setmonitor left 1024/270x768/203+0+0 screen >>"$LOG" &&
    xrandr --setmonitor right 1024/270x768/203+1024+0 none >>"$LOG" || { fail "no second monitor"; finish; }
monitor_settings

split_seen() {  # WHEN
    dots_shown "$1: dots at the monitors' centres (512,384), (1536,384), none at the seam" 101 512,384 1024,384 1536,384
    [ "$(compare -metric AE "$WORK/dots.5.xwd[1024x768+0+0]" "$WORK/dots.5.xwd[1024x768+1024+0]" null: 2>&1)" != 0 ] &&
        echo "ok: $1: the two monitors show different pictures" || fail "$1: both monitors show the same picture"
}
window_covers() { [ "$(window_geometry "$id")" = "$1+0+0" ]; }  # WIDTHxHEIGHT

# The pointer rests on the monitor taken away below, which moves it: the
# saver must not take that for the user's hand.
xdotool mousemove 1536 384
start_saver /s
id=$(wait_for_window "Screen Saver") || { fail "no saver window"; finish; }
split_seen "split"
xrandr --delmonitor right >>"$LOG"
# Xvfb cannot keep its output at 2048 pixels on a 1024 screen: xrandr
# switches it off and says so.
xrandr --fb 1024x768 >>"$LOG" 2>&1
wait_until "$CEILING" window_covers 1024x768 && echo "ok: the window follows the shrunk screen" ||
    fail "the window did not follow the shrunk screen"
# The left monitor stays defined throughout.
xrandr --fb 2048x768 && xrandr --output screen --mode 2048x768 &&
    xrandr --setmonitor right 1024/270x768/203+1024+0 none >>"$LOG" || fail "the screen did not grow back"
wait_until "$CEILING" window_covers 2048x768 && echo "ok: the window follows the grown screen" ||
    fail "the window did not follow the grown screen"
split_seen "changed"
running "$SAVER_PID" && echo "ok: the saver runs on" || fail "the saver ended"
xdotool key a
wait_status "$SAVER_PID"
check "a key ends it with 0" 0 "$STATUS"
finish
