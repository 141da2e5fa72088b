#!/bin/bash
# The command line as the user meets it, without a display and with one
# (every refusal is in the command line's unit tables): a bad argument is
# named before any display is needed, a missing display by every mode
# (once the settings dialog ended silently and /s blamed OpenGL), a window
# that does not exist once the display is open, each on one line with its
# status; /c owned by
# another program's window (the one in front, or the one named) opens the
# settings dialog instead of failing on a foreign handle.
. "$(dirname "$0")/common.bash"

refusal_table() {  # one row a case: ARGUMENTS|STATUS|LINE
    local arguments status line out
    while IFS='|' read -r arguments status line; do
        # shellcheck disable=SC2086
        out=$(timeout "$CEILING" "$GYRELLE" $arguments 2>&1 >>"$LOG")
        check "'$arguments' ($DISPLAY) exits $status" "$status" "$?"
        check "'$arguments' ($DISPLAY) says why" "gyrelle: $line" "$out"
    done
}

DISPLAY=:nothing refusal_table <<'EOF'
--frames 1 --fps --bogus|2|unknown option '--bogus' (see gyrelle --help)
--window|255|cannot open display ":nothing"
|255|cannot open display ":nothing"
-c|255|cannot open display ":nothing"
/s|255|cannot open display ":nothing"
-root|255|cannot open display ":nothing"
EOF
start_xvfb
refusal_table <<'EOF'
/p 123456|255|no window 123456 to draw into
-window-id 0x7fffffff|255|no window 0x7fffffff to draw into
--record x.png --frames 1 -root|2|option '-root' does not go with the recorder
EOF

dialog_shown() {  # the program under timeout(1) has a visible window
    local program
    program=$(pgrep -P "$SAVER_PID" | head -n1)
    [ -n "$program" ] && xdotool search --onlyvisible --pid "$program" >>"$LOG" 2>&1
}
dialog_or_end() { dialog_shown || ended "$SAVER_PID"; }
start_other_window
xdotool windowfocus "$OTHER_ID"
for tail in "/c" "/c:$OTHER_ID"; do
    start_saver $tail
    wait_until "$CEILING" dialog_or_end && dialog_shown && echo "ok: '$tail' shows the settings dialog" \
        || fail "'$tail' shows no settings dialog"
    kill "$SAVER_PID" && wait "$SAVER_PID"
done
finish
