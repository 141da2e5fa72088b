# Shared by the Wine scripts: Gyrelle.scr under Wine on a private Xvfb.
# Sourced, not run.
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/common.bash"

WINE_RUN="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../cmake" && pwd)/wine-run.sh"
SCR=$GYRELLE

# Gyrelle.scr with the given switches, in the foreground; its status in $?.
run_scr() {
    timeout 600 "$WINE_RUN" "$SCR" "$@" >/dev/null 2>&1
}

# Gyrelle.scr in the background; sets SAVER_PID.
start_scr() {
    timeout 600 "$WINE_RUN" "$SCR" "$@" >/dev/null 2>&1 &
    SAVER_PID=$!
    STARTED_PIDS+=("$SAVER_PID")
}

# Wine names its X windows after the Windows title; prints the first id.
visible_title() {  # TITLE
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 | grep .
}
wait_for_title() {  # TITLE
    wait_until "$CEILING" visible_title "$1"
}
