#!/bin/bash
# The full-screen saver on a headless sway with two outputs of different
# sizes, the second of scale 2: a vortex on each (its black centre dot at
# that output's centre, in buffer pixels), the scale-2 one drawn at its full
# buffer size; a second start ends at once with 0; an output created while
# it runs gets its vortex; a key ends it with 0. --window makes a window the
# compositor closes; swayidle starts it and a key ends it. As a locker
# starts it (its own connection in WAYLAND_SOCKET, no seat, one output
# named): that output only, and the connection's close ends it with 0. An
# output taken away under it: it runs on and a key still ends it with 0. An
# output the compositor turns off ends it with 0.
. "$(dirname "$0")/common.bash"
start_sway 1280x720 1024x768
output_scale HEADLESS-2 2
# No lightning or meteor brightens a centre dot.
export XDG_CONFIG_HOME=$WORK/config
mkdir -p "$XDG_CONFIG_HOME/gyrelle"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' '[HKEY_CURRENT_USER\Software\Orvanti\Gyrelle Screen Saver]' \
    '"IntensivityOfLightnings"="0"' '"Meteorites_State"="0"' >"$XDG_CONFIG_HOME/gyrelle/registry.reg"

# 1 when the 2x2 pixels at the centre of five quick looks at the output
# are black in at least three (a speck passes over the dot now and then).
dot() {  # NAME OUTPUT
    local i size
    for i in 0 1 2 3 4; do look "$WORK/$1.$i.ppm" "$2"; done
    for i in 0 1 2 3 4; do
        size=$(identify -format '%w/2-1 %h/2-1' "$WORK/$1.$i.ppm") &&
            convert "$WORK/$1.$i.ppm" -crop "2x2+$((${size% *}))+$((${size#* }))" -format '%[fx:maxima*255<1]\n' info:
    done | awk '{ black += $1 } END { print (black >= 3) ? 1 : 0 }'
}
shows_dot() { [ "$(dot "$1" "$2")" = 1 ]; }  # NAME OUTPUT
wait_for_dot() {  # NAME OUTPUT
    wait_until "$CEILING" shows_dot "$1" "$2" && echo "ok: $1: a centre dot on $2" || fail "$1: no centre dot on $2"
}
# Of equal horizontal neighbours, the percentage starting at even x: about
# 50 when drawn at full size, near 100 when each pixel was doubled.
even_pairs() {  # FILE
    convert "$1" -depth 8 rgb:- | python3 -c '
import sys; w = int(sys.argv[1]); raw = sys.stdin.buffer.read(); same = [0, 0]
for y in range(0, len(raw) // (3 * w), 4):
    row = raw[3 * w * y: 3 * w * (y + 1)]
    for x in range(w - 1): same[x % 2] += row[3 * x: 3 * x + 3] == row[3 * x + 3: 3 * x + 6]
print(100 * same[0] // max(1, sum(same)))' "$(identify -format %w "$1")"
}

start_saver /s
wait_for_dot first HEADLESS-1
wait_for_dot scaled HEADLESS-2
check "HEADLESS-2's pixels" 1024x768 "$(identify -format '%wx%h' "$WORK/scaled.0.ppm")"
pairs=$(even_pairs "$WORK/scaled.0.ppm")
[ "$pairs" -lt 70 ] && echo "ok: scale 2 drawn at full size ($pairs% of equal neighbours at even x)" ||
    fail "scale 2 enlarged from half: $pairs% of equal neighbours at even x"
[ "$(compare -metric AE "$WORK/first.4.ppm[1024x720+0+0]" "$WORK/scaled.4.ppm[1024x720+0+0]" null: 2>&1)" != 0 ] &&
    echo "ok: the outputs show different pictures" || fail "both outputs show the same picture"
timeout 60 "$GYRELLE" /s 2>"$WORK/second.err"
check "a second /s exits at once" 0 "$?"
running "$SAVER_PID" && echo "ok: the first runs on" || fail "the first saver ended"
wait_for_dot created "$(create_output)"
press Escape
wait_status "$SAVER_PID"
check "a key ends it" 0 "$STATUS"

start_saver --window
wait_until "$CEILING" sway_focused Gyrelle || fail "--window: no window titled Gyrelle"
sway_do '[app_id="^gyrelle$"] kill'
wait_status "$SAVER_PID"
check "--window: the compositor's close ends it" 0 "$STATUS"

start_idle 1 "$GYRELLE /s; echo \$? >$WORK/idle.status"
wait_for_dot idle HEADLESS-1
kill "${STARTED_PIDS[-1]}"  # no second saver a second after the key
press Escape
wait_until "$CEILING" test -s "$WORK/idle.status"
check "started by swayidle, a key ends it" 0 "$(cat "$WORK/idle.status" 2>/dev/null)"

start=$SECONDS
start_relayed --locker --output HEADLESS-1 -- timeout 600 "$GYRELLE" /s
wait_for_dot locker HEADLESS-1
echo "info: locker: first dot seen after $((SECONDS - start)) s"
check "locker: no vortex on the output not named" 0 "$(dot locker_other HEADLESS-2)"
close_connection
wait_status "$RELAY_PID"
check "locker: the connection's close ends it" 0 "$STATUS"

start_relayed -- timeout 600 "$GYRELLE" /s
wait_for_dot before_removal HEADLESS-1
forget_last_output
settle
running "$RELAY_PID" && echo "ok: an output taken away leaves it running" || fail "ended when an output went"
press Escape
wait_status "$RELAY_PID"
check "a key ends it after the output went" 0 "$STATUS"

start_relayed -- timeout 600 "$GYRELLE" /s
wait_for_dot powered HEADLESS-1
outputs_off
wait_status "$RELAY_PID"
check "an output turned off ends it" 0 "$STATUS"
finish
