#!/bin/bash
# The full-screen saver on a red desktop: its window (class, title, the
# whole screen); red shards (a capture taken too late or not at all would
# fly black or show the clouds); a second start ends at once; mouse travel
# of 5 ends it, 4 does not. Then what else ends it: keys and clicks, Alt
# included, and another program taking the focus, not the wheel; the mains
# plugged in or unplugged and every DPMS power-saving level, as Windows'
# power-status broadcast and SC_MONITORPOWER do, while a preview runs on;
# a display server that goes away ends it with 1 (not 0, and not never).
# Xvfb has neither a battery nor DPMS: a power-supply folder laid out as
# /sys/class/power_supply and a file holding the DPMS level stand in,
# named by variables only tests set.
. "$(dirname "$0")/common.bash"
start_xvfb
mkdir -p "$WORK/supply/AC"
echo Mains >"$WORK/supply/AC/type"
echo 1 >"$WORK/supply/AC/online"
export GYRELLE_TEST_POWER_SUPPLY="$WORK/supply" GYRELLE_TEST_MONITOR_POWER="$WORK/monitor"
echo On >"$WORK/monitor"
show_red_desktop

start_looking
start_full_screen || { fail "no saver window"; finish; }
looked && red_shards_seen || fail "no red shards in flight"
id=$(saver_window "Screen Saver")
check "class" '"gyrelle", "WindowsScreenSaverClass"' "$(xprop -id "$id" WM_CLASS | cut -d= -f2 | sed 's/^ //')"
check "title" '"Screen Saver"' "$(xprop -id "$id" _NET_WM_NAME | cut -d= -f2 | sed 's/^ //')"
check "covers the screen from the origin" "1024x768+0+0" "$(window_geometry "$id")"
timeout "$CEILING" "$GYRELLE" /s >>"$WORK/saver.log" 2>&1
check "second /s exits 0" 0 "$?"
running "$SAVER_PID" && echo "ok: first saver still runs" || fail "the second start ended the first"
# Travel 3 + 1 = 4 keeps the saver; 3 + 2 = 5 from the start ends it.
xdotool mousemove_relative 3 1
settle
running "$SAVER_PID" && echo "ok: travel of 4 keeps the saver" || fail "travel of 4 ended the saver"
xdotool mousemove_relative 0 1
wait_status "$SAVER_PID"
check "travel of 5 ends with 0" 0 "$STATUS"

start_other_window
start_saver /p "$OTHER_ID"
PREVIEW_PID=$SAVER_PID
# A row: what ends the saver, once it holds the focus: xdotool's commands,
# "focus" (WM_ACTIVATEAPP), or FILE=TEXT (a power state written).
while read -r input; do
    echo On >"$WORK/monitor"
    start_full_screen || { fail "$input: no saver window"; continue; }
    case $input in
    focus) xdotool windowfocus "$OTHER_ID" ;;
    *=*)
        sleep 1.5  # a poll sees the state as it was
        running "$SAVER_PID" || fail "$input: ended before the change"
        echo "${input#*=}" >"$WORK/${input%=*}" ;;
    click\ 4*)
        xdotool click 4 click 5 click 6 click 7
        settle
        running "$SAVER_PID" && echo "ok: the wheel keeps the saver" || fail "the wheel ended the saver"
        xdotool key a ;;
    *) xdotool $input ;;
    esac
    wait_status "$SAVER_PID"
    check "'$input' ends with 0" 0 "$STATUS"
done <<'END'
click 4 click 5 click 6 click 7 key a
key alt
click 1
focus
supply/AC/online=0
supply/AC/online=1
monitor=Standby
monitor=Suspend
monitor=Off
END
running "$PREVIEW_PID" && echo "ok: the preview runs on" || fail "something ended the preview"
kill "$PREVIEW_PID"

echo On >"$WORK/monitor"
start_full_screen || { fail "no saver window"; finish; }
kill -9 "$XVFB_PID"
{ wait "$XVFB_PID"; } 2>>"$LOG"
XVFB_PID=
wait_status "$SAVER_PID"
# 1 as documented; a write to the dead connection could once have ended it
# by SIGPIPE (141) instead.
check "the lost server ends the saver with 1" 1 "$STATUS"
finish
