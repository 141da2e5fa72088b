#!/bin/bash
# Two monitors under the real XScreenSaver: its daemon runs one Gyrelle per
# monitor, each in a window of that monitor's size, with the part of the
# desktop it saved for that window. Each monitor's quarters are coloured
# apart (the right monitor's turned half a turn), so a picture cut from the
# wrong place, stretched, or upside down puts a colour in a quarter that is
# not its own: a shard keeps its side of the view axis as it flies.
. "$(dirname "$0")/common.bash"

XVFB_SCREEN=1280x480x24 start_xvfb -ac
xrandr --setmonitor left 640/169x480/127+0+0 screen >/dev/null &&
    xrandr --setmonitor right 640/169x480/127+640+0 none >/dev/null || { fail "no second monitor"; finish; }
xscreensaver_account
PROGRAM="$WORK/prefix/libexec/xscreensaver/gyrelle"
cat >"$HOME/.xscreensaver" <<END
mode: one
selected: 0
lock: False
splash: False
fade: False
programs: GL: $PROGRAM --root \n\\
END
# No meteor flare or lightning to wash colour over the shards.
mkdir -p "$XDG_CONFIG_HOME/gyrelle"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' '[HKEY_CURRENT_USER\Software\Orvanti\Gyrelle Screen Saver]' \
    '"IntensivityOfLightnings"="0"' '"Meteorites_State"="0"' >"$XDG_CONFIG_HOME/gyrelle/registry.reg"
chown -R nobody:nogroup "$HOME" 2>/dev/null

# Quarters, left to right and top to bottom on the whole screen (4 x 2).
COLOURS=(red lime magenta cyan blue yellow yellow blue)
quarter() { echo "-size 320x240 xc:${COLOURS[$1]}"; }
# shellcheck disable=SC2046
convert \( $(quarter 0) $(quarter 1) $(quarter 2) $(quarter 3) +append \) \
        \( $(quarter 4) $(quarter 5) $(quarter 6) $(quarter 7) +append \) -append "$WORK/desktop.png"
display -window root "$WORK/desktop.png"
root_shows() {  # X Y COLOUR: the root's pixel there
    [ "$(convert x:root -crop "1x1+$1+$2" -depth 8 -format '%[hex:p{0,0}]' info: 2>/dev/null)" = "$3" ]
}
wait_until "$CEILING" eval 'root_shows 160 120 FF0000 && root_shows 1120 360 0000FF' ||
    { fail "the desktop did not show"; finish; }

# Every quarter has shown more of its own colour than of any other of its
# monitor's colours, and some of it, in some look: a shard keeps its side
# of the view axis, so no look can show a quarter another's colour. The
# share of a colour: its full channels at least 25 %.
QUARTERS_SEEN=()
quarters_right() {  # LOOK
    local i j own shares=()
    mapfile -t shares < <(colour_shares "$1" 4x2 25% "${COLOURS[@]}")  # a line per quarter's colour
    for i in 0 1 2 3 4 5 6 7; do
        own=$(cut -d' ' -f$((i + 1)) <<<"${shares[$i]}")
        awk -v s="$own" 'BEGIN { exit !(s > 0.001) }' || continue
        for j in 0 1 2 3 4 5 6 7; do
            [ $((j % 4 / 2)) -eq $((i % 4 / 2)) ] || continue   # the same monitor
            [ "${COLOURS[$j]}" != "${COLOURS[$i]}" ] || continue
            awk -v a="$own" -v b="$(cut -d' ' -f$((i + 1)) <<<"${shares[$j]}")" 'BEGIN { exit !(a > b) }' || continue 2
        done
        QUARTERS_SEEN[$i]=1
    done
    [ "${#QUARTERS_SEEN[@]}" -eq 8 ]
}

as_user xscreensaver --no-splash --verbose >"$WORK/daemon.log" 2>&1 &
STARTED_PIDS+=("$!")
wait_until "$CEILING" as_user xscreensaver-command -time >/dev/null 2>&1 || fail "the daemon did not answer"
start_looking
as_user xscreensaver-command -activate >/dev/null 2>&1
two_running() { [ "$(pgrep -c -f -- "^$PROGRAM --root\$")" = 2 ]; }
wait_until "$CEILING" two_running && echo "ok: one Gyrelle on each monitor" ||
    { fail "not two Gyrelles: $(tail -n5 "$WORK/daemon.log")"; finish; }
looked || fail "the screen stood still"
for look in "${LOOKS[@]}"; do quarters_right "$look" && break; done &&
    echo "ok: each quarter of each monitor shows its own part of the desktop" ||
    fail "quarters ${!QUARTERS_SEEN[*]} only: the saved desktops reached the shards cut, stretched or turned wrongly;" \
        "$(grep -i screenshot "$WORK/daemon.log")"
for x in 0 640; do
    wait_until "$CEILING" frames_differ "640x480+$x+0" && echo "ok: the monitor at $x draws" || fail "the monitor at $x stands still"
done
as_user xscreensaver-command -exit >/dev/null 2>&1
finish
