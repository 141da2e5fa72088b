#!/bin/bash
# The X11 side of the command line (the whole grammar is in the logic
# tests): a bad switch and a window that does not exist end with -1
# (status 255); /c owned by another program's window (the one in front,
# or the one named) opens the settings dialog instead of failing on a
# foreign handle.
. "$(dirname "$0")/common.bash"
start_xvfb

for tail in "/x" "/p 123456" "-window-id 0x7fffffff"; do
    # shellcheck disable=SC2086
    timeout "$CEILING" "$GYRELLE" $tail 2>/dev/null
    check "'$tail' exits -1" 255 "$?"
done

dialog_shown() {  # the program under timeout(1) has a visible window
    local program
    program=$(pgrep -P "$SAVER_PID" | head -n1)
    [ -n "$program" ] && xdotool search --onlyvisible --pid "$program" >/dev/null 2>&1
}
dialog_or_end() { dialog_shown || ended "$SAVER_PID"; }
start_other_window
xdotool windowfocus "$OTHER_ID"
for tail in "/c" "/c:$OTHER_ID"; do
    start_saver $tail
    wait_until "$CEILING" dialog_or_end && dialog_shown && echo "ok: '$tail' shows the settings dialog" \
        || fail "'$tail' shows no settings dialog"
    kill "$SAVER_PID" 2>/dev/null
    wait "$SAVER_PID" 2>/dev/null
done
finish
