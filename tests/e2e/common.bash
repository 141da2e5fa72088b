# Shared by the end-to-end scripts: a private Xvfb and helpers that wait for
# states, polling, never for a fixed time: a machine busy with other builds
# draws fewer frames a second, so every wait has a ceiling of minutes, not
# seconds. Sourced, not run.
set -u
# Only the X server the script starts: never a Wayland session around it.
unset WAYLAND_DISPLAY WAYLAND_SOCKET

GYRELLE=$1
BUILD=$(dirname "$GYRELLE")
PARENT_WINDOW=${2:-}
FAILURES=0
XVFB_PID=
STARTED_PIDS=()
CEILING=300  # seconds; only a broken program should ever reach it
VERSION=$(sed -n 's/^project(Gyrelle VERSION \([0-9.]*\).*/\1/p' "$(dirname "${BASH_SOURCE[0]}")/../../CMakeLists.txt")

fail() { echo "FAIL: $*" >&2; FAILURES=$((FAILURES + 1)); }

check() {  # DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then fail "$1: expected '$2', got '$3'"; else echo "ok: $1"; fi
}

finish() {
    [ "$FAILURES" -eq 0 ] || { echo "$FAILURES check(s) failed" >&2; exit 1; }
    exit 0
}

cleanup() {
    for pid in "${STARTED_PIDS[@]}"; do kill -9 "$pid" 2>/dev/null; done
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    rm -rf "$WORK"
}
WORK=$(mktemp -d)
trap cleanup EXIT

# Runs COMMAND until it succeeds; fails once SECONDS have passed.
wait_until() {  # SECONDS COMMAND...
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
}

# Xvfb picks a free display itself and writes its number to the fd. Extra
# arguments go to Xvfb (e.g. -extension GLX); XVFB_SCREEN sets the size.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset "$@" 3>"$WORK/display" 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    wait_until "$CEILING" test -s "$WORK/display" || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$WORK/display")"
}

# Starts gyrelle with the given arguments in the background; sets SAVER_PID.
start_saver() {
    timeout 600 "$GYRELLE" "$@" 2>"$WORK/saver.err" &
    SAVER_PID=$!
    STARTED_PIDS+=("$SAVER_PID")
}

# Another program's top-level window; sets OTHER_PID and OTHER_ID.
start_other_window() {
    rm -f "$WORK/other.id"
    "$PARENT_WINDOW" >"$WORK/other.id" &
    OTHER_PID=$!
    STARTED_PIDS+=("$OTHER_PID")
    wait_until "$CEILING" test -s "$WORK/other.id" || { echo "no window of another program" >&2; exit 1; }
    OTHER_ID=$(head -n1 "$WORK/other.id")
}

# Prints the saver window with the name, if there is one. The full-screen
# saver counts once it holds the focus: by then it has set itself up and
# taken the cursor position that travel counts from.
saver_window() {  # NAME
    local w
    for w in $(xdotool search --class WindowsScreenSaverClass 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] || continue
        [ "$1" != "Screen Saver" ] || [ "$(xdotool getwindowfocus 2>/dev/null)" = "$w" ] || return 1
        echo "$w"
        return 0
    done
    return 1
}

window_geometry() {  # WINDOW: WIDTHxHEIGHT+X+Y on the screen
    xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
                             /Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h "+" x "+" y}'
}
wait_for_window() { wait_until "$CEILING" saver_window "$1"; }  # NAME; prints its id

# Starts the full-screen saver and waits until its window holds the focus.
start_full_screen() { start_saver /s && wait_for_window "Screen Saver" >/dev/null; }

running() { kill -0 "$1" 2>/dev/null; }  # PID
ended() { ! running "$1"; }

# Waits for PID to end and sets STATUS to its exit status, or to "running"
# after the ceiling. A shorter wait asked for is raised to the ceiling: how
# long an exit takes on a busy machine (the sanitizers check for leaks at
# exit) is no behaviour of the saver.
wait_status() {  # PID [SECONDS]
    STATUS=running
    wait_until "$CEILING" ended "$1" || return 0
    wait "$1"
    STATUS=$?
}

# cmake --install of the tested build into PREFIX (under DESTDIR when set),
# its manifest kept as WORK/manifest. Installs and cpack rewrite the build
# folder's manifest, and the scripts run in parallel: one at a time.
install_gyrelle() {  # PREFIX
    { flock 8 && cmake --install "$BUILD" --prefix "$1" >"$WORK/install.log" 2>&1 &&
        cp "$BUILD/install_manifest.txt" "$WORK/manifest"; } 8>"$BUILD/install.lock" ||
        { fail "cmake --install: $(tail -n3 "$WORK/install.log")"; finish; }
}

# Gives a saver that wrongly ends on some input the time to do so.
settle() { sleep 1; }

# Gyrelle installed under WORK/prefix and a fresh HOME for XScreenSaver,
# which runs no display mode as root: as root (CI) its programs run as
# nobody (AS_USER, as_user), and what they read lies in WORK.
xscreensaver_account() {
    chmod 755 "$WORK"
    install_gyrelle "$WORK/prefix"
    cp "$(dirname "${BASH_SOURCE[0]}")/../lsan.supp" "$WORK/"
    export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config"
    export LSAN_OPTIONS="suppressions=$WORK/lsan.supp:print_suppressions=0"
    mkdir -p "$HOME"
    AS_USER=()
    if [ "$(id -u)" -eq 0 ]; then
        chown -R nobody:nogroup "$HOME"
        AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    fi
}
as_user() { "${AS_USER[@]}" "$@"; }

# A look at the screen is one raw grab (xwd: the server's pixels as they
# are, a fraction of a second even on a busy machine); every judgement
# (ImageMagick, seconds there) comes afterwards, over saved looks: the
# shards are a picture for only about two seconds.
look() { if [ $# -gt 1 ]; then xwd -silent -id "$2"; else xwd -silent -root; fi >"$1"; }  # FILE [WINDOW]

# Looks once (0000, the screen before), then again and again in the
# background into WORK/looks, keeping a look only where the screen changed
# since the last one kept, until `looked`.
start_looking() {
    rm -rf "$WORK/looks" && mkdir "$WORK/looks" && look "$WORK/looks/0000.xwd"
    (
        n=0 end=$((SECONDS + 2 * CEILING))
        while [ ! -e "$WORK/looks/stop" ] && [ "$SECONDS" -lt "$end" ]; do
            sleep 0.2
            look "$WORK/looks/next" && ! cmp -s "$WORK/looks/next" "$WORK/looks/$(printf %04d $n).xwd" &&
                n=$((n + 1)) && mv "$WORK/looks/next" "$WORK/looks/$(printf %04d $n).xwd"
        done
    ) &
    LOOKS_PID=$! && STARTED_PIDS+=("$!")
}
look_kept() { [ -e "$WORK/looks/$(printf %04d "$1").xwd" ]; }  # NUMBER
# Waits until the screen has changed 20 times more (frames drawn: some
# seconds of them even on a fast machine), then stops looking; LOOKS lists
# the looks kept after 0000, oldest first.
looked() {
    local status=0 kept=("$WORK"/looks/*.xwd)
    wait_until "$CEILING" look_kept $((${#kept[@]} + 19)) || status=1
    touch "$WORK/looks/stop"
    wait "$LOOKS_PID"
    LOOKS=("$WORK"/looks/*[1-9]*.xwd)
    return $status
}

# For each COLOUR, whose channels are each full or empty, the share of each
# cell of a COLUMNSxROWS grid over the look that shows it at any brightness
# (the shards darken with depth): full channels at least FULL, empty ones
# at most 6.5 %. A line per colour, cells left to right, top to bottom.
# After -separate, images 0-2 are the look's channels, 3-5 where they are
# full, 6-8 where empty; a colour is the least of its three.
declare -A MASKS=([red]="3,7,8" [lime]="6,4,8" [blue]="6,7,5" [yellow]="3,4,8" [magenta]="3,7,5" [cyan]="6,4,5")
colour_shares() {  # LOOK[CROP] GRID FULL COLOUR...
    local look=$1 grid=$2 full=$3 colour masks=()
    shift 3
    for colour; do masks+=(\( -clone "${MASKS[$colour]}" -evaluate-sequence min \)); done
    convert "$look" -sample 50% -separate \( -clone 0-2 -threshold "$full" \) \( -clone 0-2 -threshold 6.5% -negate \) \
        "${masks[@]}" -delete 0-8 -scale "$grid!" -append -depth 16 txt:- 2>/dev/null |
        awk -v n=$((${grid%x*} * ${grid#*x})) 'NR > 1 { sub(/^\(/, "", $2); split($2, v, ","); printf "%s%s", v[1] / 65535, (++i % n ? " " : "\n") }'
}

# The share of the middle of the screen (where the shards fly into the
# depth), or of CROP, 0 to 1, that shows the desktop's pure red.
red_share() { colour_shares "$1[${2:-256x192+384+288}]" 1x1 12% red | grep . || echo 0; }  # LOOK [CROP]

# Covers the screen with red, as a desktop for the saver to shatter, and
# waits until it shows.
show_red_desktop() {
    convert -size 64x64 xc:red "$WORK/red.png"
    display -backdrop -background red "$WORK/red.png" >/dev/null 2>&1 &
    STARTED_PIDS+=("$!")
    wait_until "$CEILING" red_covers 0.95 || { echo "the red desktop did not show" >&2; exit 1; }
}

red_covers() {  # LEAST [BELOW [LOOK [CROP]]]: the red share is at least LEAST and below BELOW; a fresh look without LOOK
    local share
    [ $# -ge 3 ] || look "$WORK/screen.xwd" || return 1
    share=$(red_share "${3:-$WORK/screen.xwd}" "${4:-}")
    awk -v s="$share" -v a="$1" -v b="${2:-2}" 'BEGIN { exit !(s >= a && s < b) }' || return 1
    echo "ok: red covers $share of ${4:-the middle of the screen}"
}

# Red shards in flight: some red, not all of it, in one of LOOKS (of the
# middle of the screen, or of CROP).
red_shards_seen() {  # [CROP]
    local file
    for file in "${LOOKS[@]}"; do red_covers 0.001 0.95 "$file" "${1:-}" && return 0; done
    return 1
}

# Two looks half a second apart differ (in CROP, if given): it draws.
frames_differ() {  # [CROP]
    look "$WORK/one.xwd" && sleep 0.5 && look "$WORK/two.xwd" &&
        [ "$(compare -metric AE "$WORK/one.xwd${1:+[$1]}" "$WORK/two.xwd${1:+[$1]}" null: 2>&1)" != 0 ]
}
