#!/bin/bash
# Two monitors under the real XScreenSaver: its daemon runs one Gyrelle per
# monitor, each in a window of that monitor's size, with the part of the
# desktop it saved for that window. Each monitor's quarters are coloured
# apart (the right monitor's turned half a turn), so a picture cut from the
# wrong place, stretched, or upside down puts a colour in a quarter that is
# not its own: a shard keeps its side of the view axis as it flies.
# Gyrelles started in the same second must draw different scenes; two
# recorders started together show it without a display.
. "$(dirname "$0")/common.bash"

"$GYRELLE" --record "$WORK/a.png" --frames 3 --size 64x48 & first=$!
"$GYRELLE" --record "$WORK/b.png" --frames 3 --size 64x48 & second=$!
wait "$first" && wait "$second" || fail "the recorders failed"
cmp -s "$WORK/a.png" "$WORK/b.png" && fail "two Gyrelles started together drew the same scene" ||
    echo "ok: two Gyrelles started together draw different scenes"

XVFB_SCREEN=2048x768x24 start_xvfb -ac
xrandr --setmonitor left 1024/270x768/203+0+0 screen >/dev/null &&
    xrandr --setmonitor right 1024/270x768/203+1024+0 none >/dev/null || { fail "no second monitor"; finish; }
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
quarter() { echo "-size 512x384 xc:${COLOURS[$1]}"; }
# shellcheck disable=SC2046
convert \( $(quarter 0) $(quarter 1) $(quarter 2) $(quarter 3) +append \) \
        \( $(quarter 4) $(quarter 5) $(quarter 6) $(quarter 7) +append \) -append "$WORK/desktop.png"
display -window root "$WORK/desktop.png"
root_shows() {  # X Y COLOUR: the root's pixel there
    [ "$(convert x:root -crop "1x1+$1+$2" -depth 8 -format '%[hex:p{0,0}]' info: 2>/dev/null)" = "$3" ]
}
wait_until "$CEILING" eval 'root_shows 256 192 FF0000 && root_shows 1792 576 0000FF' ||
    { fail "the desktop did not show"; finish; }

# The share of each quarter's pixels that show COLOUR at any brightness
# (the shards darken with depth): its full channels at least 25 %, its
# empty ones at most 6.5 %. Eight numbers, in the order of COLOURS.
shares_of() {  # COLOUR SNAPSHOT
    local masks=() channel value
    for channel in 0 1 2; do
        value=$(convert xc:"$1" -format "%[fx:${channel} == 0 ? r : (${channel} == 1 ? g : b)]" info:)
        if [ "$value" = 1 ]; then masks+=(\( -clone "$channel" -threshold 25% \))
        else masks+=(\( -clone "$channel" -threshold 6.5% -negate \)); fi
    done
    convert "$2" -separate "${masks[@]}" -delete 0-2 -evaluate-sequence min -scale '4x2!' \
        -depth 16 txt:- | awk 'NR > 1 { sub(/^\(/, "", $2); split($2, v, ","); printf "%s ", v[1] / 65535 }'
}

# Every quarter has shown more of its own colour than of any other of its
# monitor's colours, and some of it, in some look: a shard keeps its side
# of the view axis, so no look can show a quarter another's colour.
QUARTERS_SEEN=()
quarters_right() {
    import -window root "$WORK/snapshot.miff" 2>/dev/null || return 1
    local colour i j own other
    declare -A share
    for colour in "${COLOURS[@]}"; do
        [ -n "${share[$colour]+set}" ] || share[$colour]=$(shares_of "$colour" "$WORK/snapshot.miff")
    done
    for i in 0 1 2 3 4 5 6 7; do
        own=$(echo ${share[${COLOURS[$i]}]} | cut -d' ' -f$((i + 1)))
        awk -v s="$own" 'BEGIN { exit !(s > 0.001) }' || continue
        for j in 0 1 2 3 4 5 6 7; do
            [ $((j % 4 / 2)) -eq $((i % 4 / 2)) ] || continue   # the same monitor
            [ "${COLOURS[$j]}" != "${COLOURS[$i]}" ] || continue
            other=$(echo ${share[${COLOURS[$j]}]} | cut -d' ' -f$((i + 1)))
            awk -v a="$own" -v b="$other" 'BEGIN { exit !(a > b) }' || continue 2
        done
        QUARTERS_SEEN[$i]=1
    done
    [ "${#QUARTERS_SEEN[@]}" -eq 8 ]
}

as_user xscreensaver --no-splash --verbose >"$WORK/daemon.log" 2>&1 &
STARTED_PIDS+=("$!")
wait_until "$CEILING" as_user xscreensaver-command -time >/dev/null 2>&1 || fail "the daemon did not answer"
as_user xscreensaver-command -activate >/dev/null 2>&1
two_running() { [ "$(pgrep -c -f -- "^$PROGRAM --root\$")" = 2 ]; }
wait_until "$CEILING" two_running && echo "ok: one Gyrelle on each monitor" ||
    { fail "not two Gyrelles: $(tail -n5 "$WORK/daemon.log")"; finish; }
wait_until "$CEILING" quarters_right && echo "ok: each quarter of each monitor shows its own part of the desktop" ||
    fail "quarters ${!QUARTERS_SEEN[*]} only: the saved desktops reached the shards cut, stretched or turned wrongly;" \
        "$(grep -i screenshot "$WORK/daemon.log")"
half_changes() {  # X: the monitor at x changes from one look to the next
    import -window root -crop "1024x768+$1+0" "$WORK/one.miff" && sleep 0.5 &&
        import -window root -crop "1024x768+$1+0" "$WORK/two.miff" &&
        [ "$(compare -metric AE "$WORK/one.miff" "$WORK/two.miff" null: 2>&1)" != 0 ]
}
for x in 0 1024; do
    wait_until "$CEILING" half_changes "$x" 2>/dev/null && echo "ok: the monitor at $x draws" || fail "the monitor at $x stands still"
done
as_user xscreensaver-command -exit >/dev/null 2>&1
finish
