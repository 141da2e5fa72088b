#!/bin/bash
# The full-screen saver: its window, the single instance, mouse travel.
. "$(dirname "$0")/common.bash"
start_xvfb

start_saver /s
id=$(wait_for_window "Screen Saver") || { fail "no saver window"; finish; }
check "class" '"gyrelle", "WindowsScreenSaverClass"' "$(xprop -id "$id" WM_CLASS | cut -d= -f2 | sed 's/^ //')"
check "title" '"Screen Saver"' "$(xprop -id "$id" _NET_WM_NAME | cut -d= -f2 | sed 's/^ //')"
check "width covers the screen" 1024 "$(xwininfo -id "$id" | awk '/Width:/ {print $2}')"
check "height covers the screen" 768 "$(xwininfo -id "$id" | awk '/Height:/ {print $2}')"
check "at the origin" "0 0" "$(xwininfo -id "$id" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x, y}')"

# A second start finds the first and ends at once with 0.
timeout 10 "$GYRELLE" /s
check "second /s exits 0" 0 "$?"
running "$SAVER_PID" && echo "ok: first saver still runs" || fail "the second start ended the first"

# Travel 3 + 1 = 4 keeps the saver; 3 + 2 = 5 from the start ends it.
xdotool mousemove_relative 3 1
settle
running "$SAVER_PID" && echo "ok: travel of 4 keeps the saver" || fail "travel of 4 ended the saver"
xdotool mousemove_relative 0 1
wait_status "$SAVER_PID" 5
check "travel of 5 ends with 0" 0 "$STATUS"
finish
