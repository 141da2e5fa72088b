#!/bin/bash
# Plugging or unplugging the mains and the monitor's DPMS power saving end
# the full-screen saver, as Windows' power-status broadcast and
# SC_MONITORPOWER do; a preview runs on. Xvfb has neither a battery nor
# DPMS: a power-supply folder laid out as /sys/class/power_supply and a
# file holding the DPMS level stand in, named by variables only tests set.
. "$(dirname "$0")/common.bash"
start_xvfb
mkdir -p "$WORK/supply/AC"
echo Mains >"$WORK/supply/AC/type"
echo 1 >"$WORK/supply/AC/online"
echo On >"$WORK/monitor"
export GYRELLE_TEST_POWER_SUPPLY="$WORK/supply" GYRELLE_TEST_MONITOR_POWER="$WORK/monitor"

start_other_window
start_saver /p "$OTHER_ID"
PREVIEW_PID=$SAVER_PID

ends_full_screen() {  # DESCRIPTION FILE TEXT: writing TEXT to FILE ends it
    start_full_screen || { fail "$1: no saver window"; return; }
    sleep 1.5  # a poll sees the state as it was
    running "$SAVER_PID" || { fail "$1: ended before the change"; return; }
    echo "$3" >"$2"
    wait_status "$SAVER_PID" 20
    check "$1 ends the full-screen saver with 0" 0 "$STATUS"
}
ends_full_screen "unplugging the mains" "$WORK/supply/AC/online" 0
ends_full_screen "plugging the mains in" "$WORK/supply/AC/online" 1
# Every power-saving level ends it, not only Off.
for level in Standby Suspend Off; do
    echo On >"$WORK/monitor"
    ends_full_screen "DPMS taking the monitor to $level" "$WORK/monitor" "$level"
done
running "$PREVIEW_PID" && echo "ok: the preview runs on" || fail "a power event ended the preview"
kill "$PREVIEW_PID"
finish
