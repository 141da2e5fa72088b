#!/bin/bash
# Gyrelle.scr /s on two monitors of different sizes side by side, 1280x1024
# at (0,0) and 1024x768 at (1280,0), which Wine finds in the Xinerama of a
# nested X server (Xephyr; under Xvfb's RandR Wine sees one monitor): a
# vortex on each, its black centre dot at (640,512) and at (1792,384), none
# at the centre of the whole (1152,512). A key ends it with 0.
. "$(dirname "$0")/common.bash"
. "$(dirname "$0")/../e2e/monitor_looks.bash"
XVFB_SCREEN=2304x1024x24 start_xvfb
Xephyr -displayfd 3 -ac +xinerama -extension RANDR -screen 1280x1024 -screen 1024x768 -nolisten tcp -noreset \
    3>"$WORK/nested" 2>"$WORK/xephyr.log" &
STARTED_PIDS+=("$!")
wait_until "$CEILING" test -s "$WORK/nested" || { fail "Xephyr did not start: $(tail -n2 "$WORK/xephyr.log")"; finish; }
export DISPLAY=":$(head -n1 "$WORK/nested")"
# Shards of a grey desktop cannot pass for the dot; no lightning or meteor
# brightens it. The prefix, shared by the Wine tests, gets its values back.
xsetroot -solid grey50
key='HKCU\Software\Orvanti\Gyrelle Screen Saver'
values=(IntensivityOfLightnings Meteorites_State)
restore() { for v in "${values[@]}"; do timeout 600 "$WINE_RUN" reg delete "$key" /v "$v" /f >/dev/null 2>&1; done; }
trap 'restore; cleanup' EXIT
for v in "${values[@]}"; do timeout 600 "$WINE_RUN" reg add "$key" /v "$v" /d 0 /f >/dev/null 2>&1; done

start_scr /s
id=$(wait_for_title "Screen Saver") || { fail "no saver window"; finish; }
looks both
xdotool windowfocus "$id" 2>/dev/null
xdotool key a
wait_status "$SAVER_PID"
check "a key ends with 0" 0 "$STATUS"
check "dots at the monitors' centres (640,512), (1792,384), none at (1152,512)" 101 \
    "$(dots both 640,512 1152,512 1792,384)"
finish
