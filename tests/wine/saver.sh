#!/bin/bash
# Gyrelle.scr under Wine on two monitors of different sizes side by side,
# 1280x1024 at (0,0) and 1024x768 at (1280,0), which Wine finds in the
# Xinerama of a nested X server (Xephyr; under Xvfb's RandR Wine sees one
# monitor). On a red desktop the shards fly red (Wine's OpenGL front buffer
# of a new window reads black, so the saver must take the desktop from the
# screen); once the opening is over, a vortex on each monitor, its black
# centre dot at (640,512) and at (1792,384), none at the centre of the
# whole (1152,512). A second /s exits 0 at once, a key ends the first with
# 0. A preview follows its parent's new size and ends with 0 when the
# parent goes. Then the Windows side of the command line's exit status
# (the whole grammar is in the logic tests): a bad switch, a preview of no
# window and /a off the legacy platform end with -1 (status 255).
. "$(dirname "$0")/common.bash"
XVFB_SCREEN=2304x1024x24 start_xvfb
Xephyr -displayfd 3 -ac +xinerama -extension RANDR -screen 1280x1024 -screen 1024x768 -nolisten tcp -noreset \
    3>"$WORK/nested" 2>"$WORK/xephyr.log" &
STARTED_PIDS+=("$!")
wait_until "$CEILING" test -s "$WORK/nested" || { fail "Xephyr did not start"; finish; }
export DISPLAY=":$(head -n1 "$WORK/nested")"
# No lightning or meteor brightens the dots. The prefix, shared by the
# Wine tests, gets its values back.
key='HKCU\Software\Orvanti\Gyrelle Screen Saver'
values=(IntensivityOfLightnings Meteorites_State)
on_exit() { for v in "${values[@]}"; do PROGRAM=reg run_scr delete "$key" /v "$v" /f; done; }
for v in "${values[@]}"; do PROGRAM=reg run_scr add "$key" /v "$v" /d 0 /f; done

RED_CROP=256x192+512+416 show_red_desktop
start_looking
start_scr /s
id=$(wait_for_title "Screen Saver") || { fail "no saver window"; finish; }
looked && RED_CROP=256x192+512+416 red_shards_seen || fail "no red shards in flight"
dots_shown "dots at the monitors' centres (640,512), (1792,384), none at (1152,512)" 101 640,512 1152,512 1792,384
run_scr /s
check "second /s exits 0" 0 "$?"
running "$SAVER_PID" && echo "ok: first saver still runs" || fail "the second start ended the first"
xdotool windowfocus "$id" key a 2>>"$LOG"
wait_status "$SAVER_PID"
check "a key ends with 0" 0 "$STATUS"

# The preview's size as its parent reads it (Wine shows no OpenGL drawn in
# a child of another process's window, so no pixel of it can be seen).
child_size_is() {  # WIDTHxHEIGHT
    [ "$(grep '^child' "$WORK/parent.out" | tail -n1 | tr -d '\r')" = "child $1" ]
}
timeout 600 "$WINE_RUN" "$PARENT_WINDOW" "$(winepath -w "$WORK/close-parent" 2>>"$LOG")" >"$WORK/parent.out" 2>>"$LOG" &
STARTED_PIDS+=("$!")
wait_until "$CEILING" test -s "$WORK/parent.out" || { fail "no parent window"; finish; }
parent_x=$(wait_for_title "Gyrelle preview parent") || { fail "parent window not shown"; finish; }
start_scr /p "$(head -n1 "$WORK/parent.out" | tr -d '\r')"
wait_until "$CEILING" child_size_is 300x200 && echo "ok: the preview fills its parent" || fail "no 300x200 preview"
# Once it kept its first size, and the new strip stayed one colour.
xdotool windowsize "$parent_x" 500 400
wait_until "$CEILING" child_size_is 500x400 && echo "ok: the preview follows its grown parent" ||
    fail "the preview did not follow: $(grep '^child' "$WORK/parent.out" | tail -n1)"
touch "$WORK/close-parent"
wait_status "$SAVER_PID"
check "the parent's end ends the preview with 0" 0 "$STATUS"

for tail in "/x" "/p 123456" "/a 1234"; do
    # shellcheck disable=SC2086
    run_scr $tail
    check "'$tail' exits -1" 255 "$?"
done
finish
