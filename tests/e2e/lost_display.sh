#!/bin/bash
# A display server that goes away ends the saver with 1, not with 0 and not never.
. "$(dirname "$0")/common.bash"
start_xvfb

start_full_screen || { fail "no saver window"; finish; }
kill -9 "$XVFB_PID" 2>/dev/null
{ wait "$XVFB_PID"; } 2>/dev/null
XVFB_PID=
wait_status "$SAVER_PID"
# 1 as documented; a write to the dead connection could once have ended it
# by SIGPIPE (141) instead.
check "the lost server ends the saver with 1" 1 "$STATUS"
finish
