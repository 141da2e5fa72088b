# Shared by the end-to-end scripts: a private Xvfb and helpers that never
# wait for ever. Sourced, not run.
set -u

GYRELLE=$1
PARENT_WINDOW=${2:-}
FAILURES=0
XVFB_PID=
STARTED_PIDS=()

fail() {
    echo "FAIL: $*" >&2
    FAILURES=$((FAILURES + 1))
}

check() {  # check DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        fail "$1: expected '$2', got '$3'"
    else
        echo "ok: $1"
    fi
}

cleanup() {
    for pid in "${STARTED_PIDS[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    rm -rf "$WORK"
}

WORK=$(mktemp -d)
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to the fd.
# Extra arguments go to Xvfb (e.g. -extension GLX).
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset "$@" 3>"$WORK/display" 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    for _ in $(seq 100); do
        if [ -s "$WORK/display" ]; then
            export DISPLAY=":$(head -n1 "$WORK/display")"
            return 0
        fi
        sleep 0.05
    done
    echo "Xvfb did not start" >&2
    exit 1
}

# Starts gyrelle with the given arguments in the background; sets SAVER_PID.
start_saver() {
    timeout 60 "$GYRELLE" "$@" 2>"$WORK/saver.err" &
    SAVER_PID=$!
    STARTED_PIDS+=("$SAVER_PID")
}

# Waits until a window with the class and name exists; prints its id. The
# full-screen saver is waited for until it holds the focus: by then it has
# set itself up and taken the cursor position that travel counts from.
wait_for_window() {  # NAME
    for _ in $(seq 400); do
        local id
        id=$(xdotool search --class WindowsScreenSaverClass 2>/dev/null | while read -r w; do
            if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ]; then echo "$w"; fi
        done | head -n1)
        if [ -n "$id" ] && { [ "$1" != "Screen Saver" ] || [ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ]; }; then
            echo "$id"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

running() {  # PID
    kill -0 "$1" 2>/dev/null
}

# Waits up to SECONDS for PID to end; sets STATUS to its exit status, or
# to "running". (Not in a subshell: only this shell can wait for it.)
wait_status() {  # PID SECONDS
    STATUS=running
    for _ in $(seq $(($2 * 20))); do
        if ! running "$1"; then
            wait "$1"
            STATUS=$?
            return
        fi
        sleep 0.05
    done
}

# Lets a few frames go by, so that a wrongly ended saver has time to end.
settle() {
    sleep 0.5
}

finish() {
    if [ "$FAILURES" -ne 0 ]; then
        echo "$FAILURES check(s) failed" >&2
        exit 1
    fi
    exit 0
}

# Covers the screen with red, as a desktop the saver should shatter, and
# waits until it shows.
show_red_desktop() {
    convert -size 64x64 xc:red "$WORK/red.png"
    display -backdrop -background red "$WORK/red.png" >/dev/null 2>&1 &
    STARTED_PIDS+=("$!")
    for _ in $(seq 100); do
        [ "$(red_fraction_of_screen)" = 1 ] && return 0
        sleep 0.1
    done
    echo "the red desktop did not show" >&2
    exit 1
}

# The share of the screen's pixels that are close to pure red, 0 to 1,
# rounded to two places.
red_fraction_of_screen() {
    import -window root "$WORK/screen.png" 2>/dev/null || { echo 0; return; }
    convert "$WORK/screen.png" -fuzz 30% -transparent red -alpha extract -negate \
        -format '%[fx:round(mean*100)/100]' info: 2>/dev/null || echo 0
}

# Watches the screen for SECONDS; succeeds when some look finds red shards
# (at least 5 % of the screen red) while the saver covers it.
red_shards_seen() {  # SECONDS
    for _ in $(seq $(($1 * 5))); do
        local share
        share=$(red_fraction_of_screen)
        if awk -v s="$share" 'BEGIN { exit !(s >= 0.05 && s < 1) }'; then
            echo "ok: red shards cover ${share} of the screen"
            return 0
        fi
        sleep 0.2
    done
    return 1
}
