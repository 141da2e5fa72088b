# Shared by the dialog end-to-end scripts: a private Xvfb display, waiting
# for windows, clicking at dialog units, and screenshots. Sourced, not run.

# Starts Xvfb on the first free display from 90 up and exports DISPLAY.
start_private_display() {
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
            XVFB_PID=$!
            export DISPLAY=":$n"
            for _ in $(seq 50); do
                [ -e "/tmp/.X11-unix/X$n" ] && return 0
                sleep 0.1
            done
            kill "$XVFB_PID" 2>/dev/null
        fi
    done
    echo "no free X display" >&2
    exit 1
}

stop_private_display() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null || true
}

# Prints the id of the window whose title is exactly $1, waiting up to
# $2 seconds (default 20); fails if none shows.
wait_for_window() {
    local limit=$(( ${2:-20} * 10 ))
    for _ in $(seq "$limit"); do
        local id
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "window '$1' did not appear" >&2
    return 1
}

# Waits until no visible window is titled $1 (up to 20 s).
wait_for_window_gone() {
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "window '$1' did not close" >&2
    return 1
}

# Clicks the point (x, y), given in the dialog units of a dialog whose
# client area is cx x cy units, in window $1.
click_dialog_units() {
    local window=$1 x=$2 y=$3 cx=$4 cy=$5
    eval "$(xdotool getwindowgeometry --shell "$window")"
    local px=$(( X + (WIDTH * x + cx / 2) / cx ))
    local py=$(( Y + (HEIGHT * y + cy / 2) / cy ))
    xdotool mousemove --sync "$px" "$py" click 1
}

focus_window() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
    sleep 0.2
}

# Saves the screen as $1 (a PNG) for a person to look at.
screenshot() {
    mkdir -p "$(dirname "$1")"
    import -window root "$1" && echo "screenshot: $1"
}

# Waits for process $1 and checks its exit code is $2.
expect_exit() {
    local code=0
    wait "$1" || code=$?
    if [ "$code" -ne "$2" ]; then
        echo "exit code $code, expected $2" >&2
        return 1
    fi
}
