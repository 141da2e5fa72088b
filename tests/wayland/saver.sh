#!/bin/bash
# The full-screen saver on a headless sway with two outputs of different
# sizes, the second of scale 2: a vortex on each (its black centre dot at
# that output's centre, in buffer pixels), the scale-2 one drawn at its full
# buffer size; a second start ends at once with 0; an output created while
# it runs gets its vortex; a key ends it with 0. swayidle starts it, and a
# key ends it with 0; --window makes a window the compositor closes. Then as
# a locker starts it (its own connection in WAYLAND_SOCKET, no seat, one
# output named): that output only, and the connection's close ends it with
# 0. Then an output taken away under it: it runs on and a key still ends it
# with 0.
. "$(dirname "$0")/../e2e/common.bash"
. "$(dirname "$0")/sway_session.bash"
start_sway 'output HEADLESS-1 pos 0 0 res 1280x720' 'output HEADLESS-2 pos 1280 0 res 1024x768 scale 2'
quiet_settings

# Five quick looks at one output, judged afterwards.
looks() {  # NAME OUTPUT
    local i
    for i in 0 1 2 3 4; do as_sway grim -o "$2" - >"$WORK/$1.$i.png" && sleep 0.3; done
}
shows_dot() { looks "$1" "$2"; [ "$(dot "$1")" = 1 ]; }  # NAME OUTPUT
# Waits until the output shows a dot; fails naming what it saw.
wait_for_dot() {  # NAME OUTPUT
    wait_until "$CEILING" shows_dot "$1" "$2" ||
        fail "$1: no centre dot on $2 (looks kept: $(ls "$WORK/$1".*.png 2>/dev/null | wc -l)); saver: $(tail -n3 "$WORK/saver.err")"
}
# Of horizontal neighbours, how often equal ones start at even x, in
# percent of all equal ones: about 50 when drawn at full size, near 100
# when every pixel was doubled from half the size.
even_pairs() {  # FILE
    convert "$1" -depth 8 rgb:- | python3 -c '
import sys; w = int(sys.argv[1]); raw = sys.stdin.buffer.read(); same = [0, 0]
for y in range(0, len(raw) // (3 * w), 4):
    row = raw[3 * w * y: 3 * w * (y + 1)]
    for x in range(w - 1): same[x % 2] += row[3 * x: 3 * x + 3] == row[3 * x + 3: 3 * x + 6]
print(100 * same[0] // max(1, sum(same)))' "$(identify -format %w "$1")"
}

start_saver_as_user /s
wait_for_dot first HEADLESS-1
wait_for_dot scaled HEADLESS-2
[ "$(identify -format '%wx%h' "$WORK/scaled.0.png")" = 1024x768 ] || fail "HEADLESS-2 is not 1024x768 pixels"
pairs=$(even_pairs "$WORK/scaled.0.png")
[ "$pairs" -lt 70 ] && echo "ok: scale 2 drawn at full size ($pairs% of equal neighbours at even x)" ||
    fail "scale 2 enlarged from half: $pairs% of equal neighbours at even x"
[ "$(compare -metric AE "$WORK/first.4.png[1024x720+0+0]" "$WORK/scaled.4.png[1024x720+0+0]" null: 2>&1)" != 0 ] &&
    echo "ok: the outputs show different pictures" || fail "both outputs show the same picture"

as_sway timeout 60 "$GYRELLE" /s 2>"$WORK/second.err"
check "a second /s exits at once" 0 "$?"
running "$SAVER_PID" && echo "ok: the first runs on" || fail "the first saver ended: $(tail -n3 "$WORK/saver.err")"

as_sway swaymsg create_output >/dev/null
wait_for_dot created HEADLESS-3
as_sway wtype -s 1000 -k Escape
wait_status "$SAVER_PID"
check "a key ends it" 0 "$STATUS"

# --window: a window of its own, closed by the compositor.
start_saver_as_user --window
gyrelle_window() { as_sway swaymsg '[app_id="^gyrelle$" title="^Gyrelle$"] focus' >/dev/null 2>&1; }
wait_until "$CEILING" gyrelle_window || fail "--window: no window titled Gyrelle: $(tail -n3 "$WORK/saver.err")"
as_sway swaymsg '[app_id=gyrelle] kill' >/dev/null
wait_status "$SAVER_PID"
check "--window: the compositor's close ends it" 0 "$STATUS"

# swayidle starts it once the seat is idle for a second.
"${AS_USER[@]}" swayidle timeout 1 "$GYRELLE /s; echo \$? >$WORK/run/idle.status" 2>"$WORK/swayidle.err" &
STARTED_PIDS+=("$!")
wait_for_dot idle HEADLESS-1
# Gone before the key, it starts no second saver a second after it.
kill "${STARTED_PIDS[-1]}"
as_sway wtype -s 1000 -k Escape
wait_until "$CEILING" test -s "$WORK/run/idle.status"
check "started by swayidle, a key ends it" 0 "$(cat "$WORK/run/idle.status" 2>/dev/null)"

# As swaylock-plugin starts it; the relay stands for the locker.
start=$SECONDS
start_saver_as_user_via_relay --locker --output HEADLESS-1
wait_for_dot locker HEADLESS-1
echo "info: locker: first dot seen after $((SECONDS - start)) s"
looks locker_other HEADLESS-2
check "locker: no vortex on the output not named" 0 "$(dot locker_other)"
kill -TERM "$SAVER_PID"
wait_status "$SAVER_PID"
check "locker: the connection's close ends it" 0 "$STATUS"

start_saver_as_user_via_relay
wait_for_dot before_removal HEADLESS-1
kill -USR1 "$SAVER_PID"
settle
running "$SAVER_PID" && echo "ok: an output taken away leaves it running" || fail "ended when an output went: $(tail -n3 "$WORK/saver.err")"
as_sway wtype -s 1000 -k Escape
wait_status "$SAVER_PID"
check "a key ends it after the output went" 0 "$STATUS"
finish
