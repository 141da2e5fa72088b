#!/bin/bash
# Bad switches and missing windows end with -1 (status 255) and no window;
# without a display the OpenGL message goes to standard error.
. "$(dirname "$0")/common.bash"
start_xvfb

for tail in "/x" "/p" "/p 0" "/p x" "/p:1234" "/p 123456" "/p 99999999999" "/l 4294967295" "/a" "/a 1234" "x/s"; do
    # shellcheck disable=SC2086
    timeout 10 "$GYRELLE" $tail 2>/dev/null
    check "'$tail' exits -1" 255 "$?"
done
timeout 10 "$GYRELLE" -window-id 0x7fffffff 2>/dev/null
check "-window-id of no window exits -1" 255 "$?"

# /c owned by another program's window (the one in front, or the one
# named) opens the settings dialog instead of failing on a foreign handle.
"$PARENT_WINDOW" >"$WORK/front.id" &
FRONT_PID=$!
STARTED_PIDS+=("$FRONT_PID")
for _ in $(seq 100); do [ -s "$WORK/front.id" ] && break; sleep 0.05; done
xdotool windowfocus "$(head -n1 "$WORK/front.id")"
for tail in "/c" "/c:$(head -n1 "$WORK/front.id")"; do
    start_saver $tail
    shown=no
    for _ in $(seq 200); do
        program_pid=$(pgrep -P "$SAVER_PID" | head -n1)  # under timeout(1)
        if [ -n "$program_pid" ] && xdotool search --onlyvisible --pid "$program_pid" >/dev/null 2>&1; then
            shown=yes
            break
        fi
        running "$SAVER_PID" || break
        sleep 0.05
    done
    check "'$tail' shows the settings dialog" yes "$shown"
    kill "$SAVER_PID" 2>/dev/null
    wait "$SAVER_PID" 2>/dev/null
done
kill -TERM "$FRONT_PID"

DISPLAY= timeout 10 "$GYRELLE" /s 2>"$WORK/nodisplay.err"
check "no display exits -1" 255 "$?"
grep -q "Screen saver can't set an appropriate OpenGL mode" "$WORK/nodisplay.err" \
    && echo "ok: the OpenGL message on standard error" || fail "no OpenGL message: $(cat "$WORK/nodisplay.err")"
DISPLAY= timeout 10 "$GYRELLE" /p 1234 2>/dev/null
check "no display, preview exits -1" 255 "$?"
finish
