# Shared by the Wine scripts: Gyrelle.scr under Wine on a private Xvfb.
# Sourced, not run.
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/common.bash"

WINE_RUN="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../cmake" && pwd)/wine-run.sh"
SCR=$GYRELLE
# Wine binds the prefix's desktop process to the display of the program
# that started its server, and a server outlives its last program for a
# while. A saver started beside the server a display-less run left (the
# unit tests) was given no window driver, made no window and ended with 0
# at once. Each script starts a server of its own, on its own display, and
# ends it (cleanup): the Wine tests take turns with the prefix.
WINE_TEST=1
export WINEPREFIX=${WINEPREFIX:-${GYRELLE_WINEPREFIX:-$HOME/.wine-gyrelle}}  # wine-run.sh's
timeout 60 wineserver -k 2>>"$LOG"
timeout "$CEILING" wineserver -w 2>>"$LOG"

# Gyrelle.scr (or another Windows program, as PROGRAM) with the given
# switches, in the foreground; its status in $?. Output: WORK/wine.log.
run_scr() {
    echo "== ${PROGRAM:-$SCR} $*" >>"$WORK/wine.log"
    timeout 600 "$WINE_RUN" "${PROGRAM:-$SCR}" "$@" >>"$WORK/wine.log" 2>&1
}
# The same in the background; sets SAVER_PID.
start_scr() {
    run_scr "$@" &
    SAVER_PID=$!
    STARTED_PIDS+=("$SAVER_PID")
}
wait_for_title() { wait_until "$CEILING" visible_title "$1"; }  # TITLE
