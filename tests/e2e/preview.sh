#!/bin/bash
# The preview fills another program's window, follows its new size, ignores
# input and ends when that window goes, even when it goes before the
# preview's window exists; XScreenSaver's XSCREENSAVER_WINDOW behaves the
# same (its --window-id runs under the real XScreenSaver: xscreensaver.sh).
. "$(dirname "$0")/common.bash"
start_xvfb

grown_strip_drawn() {  # WINDOW: the strip a grown parent added shows clouds, not one colour
    COLOURS=$(look "$WORK/strip.xwd" "$1" && convert "$WORK/strip.xwd[150x150+340+10]" -format '%k' info: 2>>"$LOG" || echo 0)
    [ "$COLOURS" -gt 20 ]
}

run_preview_case() {  # DESCRIPTION ARGUMENTS... (the parent: start_other_window)
    local description=$1
    shift
    start_saver "$@"
    local id
    id=$(wait_for_window "Preview") || { fail "$description: no preview window"; kill "$SAVER_PID"; return; }
    check "$description: fills the parent" "300x200" "$(xwininfo -id "$id" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')"
    check "$description: child of the parent" "$(printf '0x%x' "$OTHER_ID")" "$(xwininfo -id "$id" -tree | awk '/Parent window id:/ {print $4}')"
    xdotool mousemove 100 100 sleep 0.1 mousemove 190 130 click 1 key a
    settle
    running "$SAVER_PID" && echo "ok: $description: input keeps the preview" || fail "$description: input ended the preview"
    # Once the picture kept its first size: the new strip stayed one colour.
    xdotool windowsize "$OTHER_ID" 500 400
    wait_until "$CEILING" grown_strip_drawn "$id" && echo "ok: $description: a grown parent is drawn whole" ||
        fail "$description: the grown strip shows $COLOURS colours"
    kill -USR1 "$OTHER_PID"
    wait_status "$SAVER_PID"
    check "$description: the parent's end ends it with 0" 0 "$STATUS"
    kill -TERM "$OTHER_PID" && wait "$OTHER_PID"
}

start_other_window
run_preview_case "/p" /p "$OTHER_ID"

# --window: the preview in a top-level window of its own, which a window
# manager (evilwm) frames, whose shards are the desktop under it (once the
# frame's black, drawn before the picture was taken), which input does not
# end and the window manager's close button (WM_DELETE_WINDOW) ends with 0.
# Xvfb has no font but the built-in "fixed".
evilwm -fn fixed >>"$LOG" 2>&1 &
WM_PID=$! && STARTED_PIDS+=("$!")
show_red_desktop
start_looking
start_saver --window
if id=$(wait_for_window "Preview"); then
    looked && RED_CROP=$(window_geometry "$id") red_shards_seen || fail "--window: no red shards of the desktop"
    frame=$(xwininfo -id "$id" -tree | awk '/Parent window id:/ {print $4}')
    xprop -id "$frame" WM_STATE | grep -q Normal && echo "ok: --window: a top-level window the window manager manages" ||
        fail "--window: $frame is no managed top-level window"
    xdotool mousemove 100 100 sleep 0.1 mousemove 190 130 click 1 key a
    xdotool windowsize "$frame" 500 400
    wait_until "$CEILING" grown_strip_drawn "$id" && echo "ok: --window: a grown window is drawn whole" ||
        fail "--window: the grown strip shows $COLOURS colours"
    running "$SAVER_PID" && echo "ok: --window: input keeps it" || fail "--window: input ended it"
    click_close_box "$frame"
    wait_status "$SAVER_PID"
    check "--window: closing the window ends it with 0" 0 "$STATUS"
else
    fail "--window: no preview window"
fi
kill "$WM_PID"
start_other_window
XSCREENSAVER_WINDOW=$OTHER_ID run_preview_case "XSCREENSAVER_WINDOW with -root" -root

# The parent destroyed at every moment of the preview's start, before and
# after its window is made: it ends at once (0), or finds no window (255).
# Once a parent gone just before the window was made left it drawing into
# nothing for ever.
for delay in 0 0.02 0.05 0.1 0.15 0.2 0.3 0.5; do
    start_other_window
    start_saver /p "$OTHER_ID"
    sleep "$delay"
    kill -USR1 "$OTHER_PID"
    wait_status "$SAVER_PID"
    case $STATUS in 0 | 255) echo "ok: parent gone after ${delay}s: $STATUS" ;; *) fail "parent gone after ${delay}s: $STATUS" ;; esac
    kill -TERM "$OTHER_PID" && wait "$OTHER_PID"
done
finish
