#!/bin/bash
# The full-screen saver: its window, the single instance, mouse travel.
. "$(dirname "$0")/common.bash"
start_xvfb

start_saver /s
id=$(wait_for_window "Screen Saver") || { fail "no saver window"; finish; }
check "class" '"gyrelle", "WindowsScreenSaverClass"' "$(xprop -id "$id" WM_CLASS | cut -d= -f2 | sed 's/^ //')"
check "title" '"Screen Saver"' "$(xprop -id "$id" _NET_WM_NAME | cut -d= -f2 | sed 's/^ //')"
check "covers the screen from the origin" "1024x768+0+0" "$(window_geometry "$id")"

# A second start finds the first and ends at once with 0.
timeout "$CEILING" "$GYRELLE" /s
check "second /s exits 0" 0 "$?"
running "$SAVER_PID" && echo "ok: first saver still runs" || fail "the second start ended the first"

# Travel 3 + 1 = 4 keeps the saver; 3 + 2 = 5 from the start ends it.
xdotool mousemove_relative 3 1
settle
running "$SAVER_PID" && echo "ok: travel of 4 keeps the saver" || fail "travel of 4 ended the saver"
xdotool mousemove_relative 0 1
wait_status "$SAVER_PID"
check "travel of 5 ends with 0" 0 "$STATUS"
finish
