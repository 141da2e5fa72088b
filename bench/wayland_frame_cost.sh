#!/bin/bash
# A frame on a Wayland output against the same scene on an X11 window of
# the same size: the saver's own processor time per presented frame (user
# and system, from /proc), with Mesa's llvmpipe, one output of SIZE on a
# headless sway 1.7 and one Xvfb screen of SIZE, taken in turn, ROUNDS
# times, each over SECONDS after a few seconds of warming up. Frames are
# counted by a preloaded counter of the buffer swaps (swap_counter.c), so
# a machine too slow for the timer's rate still gives a cost per frame.
# The compositor's and the X server's own work is not counted: the
# hand-over of the buffer is, on the saver's side.
# Prints each round, and the ratio of the medians and of the least of
# each (target: at most 1.1); the least is the round the machine disturbed
# least.
#
#   bench/wayland_frame_cost.sh [GYRELLE] [SIZE] [SECONDS] [ROUNDS]
set -u
gyrelle=$(realpath "${1:-build/linux/gyrelle}")
size=${2:-1024x768}
seconds=${3:-15}
rounds=${4:-3}
bench=$(cd "$(dirname "$0")" && pwd)
. "$bench/../tests/wayland/common.bash" "$gyrelle"

cc -O2 -shared -fPIC -o "$WORK/swap_counter.so" "$bench/swap_counter.c" -ldl || exit 2
export XDG_CONFIG_HOME=$WORK/config
mkdir -p "$XDG_CONFIG_HOME"

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
frames() { od -An -tu8 "$1" 2>/dev/null | tr -d ' '; }

# One run of the saver where its environment says; prints ms per frame.
cost() {  # NAME VARIABLE=VALUE...
    local name=$1 pid t0 f0 t1 f1
    shift
    rm -f "$WORK/$name.count"
    env "$@" GYRELLE_SWAP_COUNT="$WORK/$name.count" LD_PRELOAD="$WORK/swap_counter.so" \
        "$gyrelle" /s 2>"$WORK/$name.err" &
    pid=$!
    STARTED_PIDS+=("$pid")
    wait_until "$CEILING" test -s "$WORK/$name.count" || { echo "$name: no frame" >&2; tail "$WORK/$name.err" >&2; exit 1; }
    sleep 5
    t0=$(cpu_ticks "$pid") f0=$(frames "$WORK/$name.count")
    sleep "$seconds"
    t1=$(cpu_ticks "$pid") f1=$(frames "$WORK/$name.count")
    kill "$pid"
    wait "$pid" 2>/dev/null
    awk -v t=$((t1 - t0)) -v f=$((f1 - f0)) -v hz="$(getconf CLK_TCK)" -v n="$name" \
        'BEGIN { printf "%s: %d frames, %.2f ms each\n", n, f, 1000 * t / hz / f > "/dev/stderr"; printf "%.3f\n", 1000 * t / hz / f }'
}

start_sway "$size"
wayland=$WAYLAND_DISPLAY
unset WAYLAND_DISPLAY
XVFB_SCREEN=${size}x24 start_xvfb
x11=$DISPLAY
unset DISPLAY

for round in $(seq "$rounds"); do
    cost "x11.$round" DISPLAY="$x11" GYRELLE_BACKEND=x11 >>"$WORK/x11.ms"
    cost "wayland.$round" WAYLAND_DISPLAY="$wayland" GYRELLE_BACKEND=wayland >>"$WORK/wayland.ms"
done
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
least() { sort -n "$1" | head -n 1; }
for of in median least; do
    echo "$of ms per frame at $size: X11 $($of "$WORK/x11.ms"), Wayland $($of "$WORK/wayland.ms")," \
        "ratio $(awk -v w="$($of "$WORK/wayland.ms")" -v x="$($of "$WORK/x11.ms")" 'BEGIN { printf "%.3f", w / x }') (target 1.1)"
done
