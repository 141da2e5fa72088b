#!/bin/bash
# A display server that goes away ends the saver, not with 0 and not never.
. "$(dirname "$0")/common.bash"
start_xvfb

start_full_screen || { fail "no saver window"; finish; }
kill -9 "$XVFB_PID" 2>/dev/null
{ wait "$XVFB_PID"; } 2>/dev/null
XVFB_PID=
wait_status "$SAVER_PID"
[ "$STATUS" != running ] && [ "$STATUS" != 0 ] && echo "ok: ended with $STATUS" || fail "after the server died: $STATUS"
finish
