# Shared by the end-to-end and Wine scripts: a private Xvfb and helpers that
# wait for states, polling, never for a fixed time: a machine busy with
# other builds draws fewer frames a second, so every wait has a ceiling of
# minutes, not seconds. What every program and tool says is kept in the
# work folder; a failing script prints its end with the windows and the
# processes it leaves, and keeps the folder. Sourced, not run.
set -u
# Only the X server the script starts: never a Wayland session around it.
unset WAYLAND_DISPLAY WAYLAND_SOCKET

GYRELLE=$1
BUILD=$(dirname "$GYRELLE")
PARENT_WINDOW=${2:-}
FAILURES=0
XVFB_PID=
STARTED_PIDS=()
CEILING=${GYRELLE_TEST_CEILING:-300}  # seconds; only a broken program should ever reach it (shorter to try planted faults)
VERSION=$(sed -n 's/^project(Gyrelle VERSION \([0-9.]*\).*/\1/p' "$(dirname "${BASH_SOURCE[0]}")/../../CMakeLists.txt")
WORK=$(mktemp -d)
LOG=$WORK/tools.log  # what the tools the script runs say

fail() { echo "FAIL: $*" >&2; FAILURES=$((FAILURES + 1)); }

check() {  # DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then fail "$1: expected '$2', got '$3'"; else echo "ok: $1"; fi
}

finish() {
    FINISHED=1
    [ "$FAILURES" -eq 0 ] || { echo "$FAILURES check(s) failed" >&2; exit 1; }
    exit 0
}

# What a failure leaves to explain it: the end of every program's output,
# the windows on the display, the processes still running (the script's,
# and the Wine prefix's, whose server and desktop are no children of it).
report() {
    local file
    for file in "$WORK"/*.log; do [ ! -s "$file" ] || { echo "---- the end of $file"; tail -n 15 "$file"; }; done
    echo "---- the windows on ${DISPLAY:-no display}"
    timeout 20 xwininfo -root -tree 2>&1 | grep -v 'has no name' | head -n 40
    echo "---- processes still running"
    ps -eo pid,ppid,etime,args | awk -v top=$$ '
        function tree(p,  i, n, k) { n = split(kids[p], k); for (i = 1; i <= n; i++) { print line[k[i]]; tree(k[i]) } }
        NR == 1 { print } { kids[$2] = kids[$2] " " $1; line[$1] = $0 } END { tree(top) }'
    [ -z "${WINE_TEST:-}" ] || for pid in $(pgrep -P 1 -f 'wineserver|C:.windows'); do
        tr '\0' '\n' <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && ps -o pid=,ppid=,etime=,args= -p "$pid"
    done 2>>"$LOG"
}

# A script with more to undo defines on_exit. A script ended by `finish`
# failed if a check did; else by its status.
cleanup() {
    local failed=$? pid
    [ -n "${FINISHED:-}" ] && failed=$FAILURES
    [ "$failed" -eq 0 ] || report >&2
    [ "$(type -t on_exit)" != function ] || on_exit
    for pid in "${STARTED_PIDS[@]}"; do kill -KILL $(pgrep -P "$pid") "$pid" || :; done 2>>"$LOG"
    [ -z "${WINE_TEST:-}" ] || timeout 60 wineserver -k 2>>"$LOG" || :
    [ -z "$XVFB_PID" ] || { kill "$XVFB_PID" && wait "$XVFB_PID"; } 2>>"$LOG" || :
    if [ "$failed" -eq 0 ]; then rm -rf "$WORK"; else echo "kept: $WORK" >&2; fi
}
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
# HACK: without -noreset Xvfb resets whenever its last client leaves, and a
# program started during the reset cannot connect.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset "$@" 3>"$WORK/display" 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    wait_until "$CEILING" test -s "$WORK/display" || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$WORK/display")"
}

# Starts gyrelle with the given arguments in the background, under
# RUN_UNDER if set (e.g. nohup); sets SAVER_PID. Its output: WORK/saver.log.
start_saver() {
    echo "== gyrelle $*" >>"$WORK/saver.log"
    timeout 600 ${RUN_UNDER:-} "$GYRELLE" "$@" >>"$WORK/saver.log" 2>&1 &
    SAVER_PID=$!
    STARTED_PIDS+=("$SAVER_PID")
}

# Another program's top-level window; sets OTHER_PID and OTHER_ID.
start_other_window() {
    "$PARENT_WINDOW" >"$WORK/other.id" 2>>"$LOG" &
    OTHER_PID=$!
    STARTED_PIDS+=("$OTHER_PID")
    wait_until "$CEILING" test -s "$WORK/other.id" || { echo "no window of another program" >&2; exit 1; }
    OTHER_ID=$(head -n1 "$WORK/other.id")
    rm "$WORK/other.id"
}

# Prints the saver window with the name, if there is one. The full-screen
# saver counts once it holds the focus: by then it has set itself up and
# taken the cursor position that travel counts from.
saver_window() {  # NAME
    local w
    for w in $(xdotool search --class WindowsScreenSaverClass 2>>"$LOG"); do
        [ "$(xdotool getwindowname "$w" 2>>"$LOG")" = "$1" ] || continue
        [ "$1" != "Screen Saver" ] || [ "$(xdotool getwindowfocus 2>>"$LOG")" = "$w" ] || return 1
        echo "$w"
        return 0
    done
    return 1
}

# Prints the first shown window titled TITLE (Wine names its X windows
# after the Windows title).
visible_title() { xdotool search --onlyvisible --name "^$1\$" 2>>"$LOG" | head -n1 | grep .; }  # TITLE

# The close box: what a window manager sends (WM_PROTOCOLS, WM_DELETE_WINDOW);
# Xvfb runs none, and xdotool has no such command.
click_close_box() {
    python3 - "$1" <<'EOF'
import ctypes, struct, sys
x, window = ctypes.CDLL("libX11.so.6"), int(sys.argv[1], 0)
x.XOpenDisplay.restype, x.XInternAtom.restype = ctypes.c_void_p, ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_char_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
display = x.XOpenDisplay(None)
protocols, delete = (x.XInternAtom(display, name, 0) for name in (b"WM_PROTOCOLS", b"WM_DELETE_WINDOW"))
# An XClientMessageEvent (type 33, format 32), padded to the size of an XEvent.
event = struct.pack("=i4xQi4xQQQi4x5q", 33, 0, 0, 0, window, protocols, 32, delete, 0, 0, 0, 0)
x.XSendEvent(display, window, 0, 0, event.ljust(192, b"\0"))
x.XCloseDisplay(display)
EOF
}

window_geometry() {  # WINDOW: WIDTHxHEIGHT+X+Y on the screen
    xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
                             /Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h "+" x "+" y}'
}
wait_for_window() { wait_until "$CEILING" saver_window "$1"; }  # NAME; prints its id

# Starts the full-screen saver and waits until its window holds the focus.
start_full_screen() { start_saver /s && wait_for_window "Screen Saver" >>"$LOG"; }

running() { kill -0 "$1" 2>>"$LOG"; }  # PID
ended() { ! running "$1"; }

# Waits for PID to end and sets STATUS to its exit status, or to "running"
# after the ceiling: how long an exit takes on a busy machine (the
# sanitizers check for leaks at exit) is no behaviour of the saver.
wait_status() {  # PID
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

# A look at the screen is one raw grab (xwd: the server's pixels as they
# are, a fraction of a second even on a busy machine); every judgement
# (ImageMagick, seconds there) comes afterwards, over saved looks: the
# shards are a picture for only about two seconds.
look() { if [ $# -gt 1 ]; then xwd -silent -id "$2"; else xwd -silent -root; fi >"$1" 2>>"$LOG"; }  # FILE [WINDOW]

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
        "${masks[@]}" -delete 0-8 -scale "$grid!" -append -depth 16 txt:- 2>>"$LOG" |
        awk -v n=$((${grid%x*} * ${grid#*x})) 'NR > 1 { sub(/^\(/, "", $2); split($2, v, ","); printf "%s%s", v[1] / 65535, (++i % n ? " " : "\n") }'
}

# The share of RED_CROP (the middle of the screen, where the shards fly
# into the depth, unless set), 0 to 1, that shows the desktop's pure red,
# in LOOK or a fresh look: at least LEAST and below BELOW.
red_covers() {  # LEAST [BELOW [LOOK]]
    local share
    [ $# -ge 3 ] || look "$WORK/screen.xwd" || return 1
    share=$(colour_shares "${3:-$WORK/screen.xwd}[${RED_CROP:-256x192+384+288}]" 1x1 12% red | grep . || echo 0)
    awk -v s="$share" -v a="$1" -v b="${2:-2}" 'BEGIN { exit !(s >= a && s < b) }' || return 1
    echo "ok: red covers $share of ${RED_CROP:-the middle of the screen}"
}

# Red as the desktop for the saver to shatter, shown.
show_red_desktop() {
    xsetroot -solid red
    wait_until "$CEILING" red_covers 0.95 || { echo "the red desktop did not show" >&2; exit 1; }
}

# Red shards in flight: some red, not all of it, in one of LOOKS.
red_shards_seen() {
    local file
    for file in "${LOOKS[@]}"; do red_covers 0.001 0.95 "$file" && return 0; done
    return 1
}

# Two looks half a second apart differ (in CROP, if given): it draws.
frames_differ() {  # [CROP]
    look "$WORK/one.xwd" && sleep 0.5 && look "$WORK/two.xwd" &&
        [ "$(compare -metric AE "$WORK/one.xwd${1:+[$1]}" "$WORK/two.xwd${1:+[$1]}" null: 2>&1)" != 0 ]
}

# The monitors scripts: takes rounds of six quick looks until, in the
# majority of a round's looks, the 2x2 pixels around each view centre X,Y
# given (the black centre dot of a view with even sides) are black where
# EXPECTED says 1 and not where it says 0, or the ceiling passes: the
# opening's shards cover the dots for a while. A speck passes over a dot
# now and then; no cloud stays black, and lightning and meteors, which
# brighten it, are off. DOTS is what the last round showed.
dots_round() {  # EXPECTED X,Y...
    local expected=$1 i centre crops=()
    shift
    for centre; do crops+=(\( -clone 0 -crop "2x2+$((${centre%,*} - 1))+$((${centre#*,} - 1))" \)); done
    for i in 0 1 2 3 4 5; do look "$WORK/dots.$i.xwd" && sleep 0.3; done
    DOTS=$(for i in 0 1 2 3 4 5; do convert "$WORK/dots.$i.xwd" "${crops[@]}" -delete 0 -format '%[fx:maxima*255<1]' info: && echo; done |
        awk -v n=$# '{ for (i = 1; i <= n; i++) black[i] += substr($0, i, 1) } END { for (i = 1; i <= n; i++) printf "%d", (black[i] >= NR / 2) }')
    [ "$DOTS" = "$expected" ]
}
dots_shown() {  # DESCRIPTION EXPECTED X,Y...
    DOTS=
    wait_until "$CEILING" dots_round "${@:2}"
    check "$1" "$2" "$DOTS"
}

# The grey desktop and the settings of the monitors scripts (no lightning
# or meteor), as Linux reads them.
monitor_settings() {
    xsetroot -solid grey50
    export XDG_CONFIG_HOME=$WORK/config
    mkdir -p "$XDG_CONFIG_HOME/gyrelle"
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' '[HKEY_CURRENT_USER\Software\Orvanti\Gyrelle Screen Saver]' \
        '"IntensivityOfLightnings"="0"' '"Meteorites_State"="0"' >"$XDG_CONFIG_HOME/gyrelle/registry.reg"
}
