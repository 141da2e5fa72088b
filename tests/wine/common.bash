# Shared by the Wine scripts: Gyrelle.scr under Wine on a private Xvfb.
# Sourced, not run.
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/common.bash"

WINE_RUN="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../cmake" && pwd)/wine-run.sh"
SCR=$GYRELLE

# Gyrelle.scr with the given switches, in the foreground; its status in $?.
run_scr() {
    timeout 120 "$WINE_RUN" "$SCR" "$@" >/dev/null 2>&1
}

# Gyrelle.scr in the background; sets SAVER_PID.
start_scr() {
    timeout 120 "$WINE_RUN" "$SCR" "$@" >/dev/null 2>&1 &
    SAVER_PID=$!
    STARTED_PIDS+=("$SAVER_PID")
}

# Wine names its X windows after the Windows title; prints the first id.
wait_for_title() {  # TITLE SECONDS
    for _ in $(seq $(($2 * 10))); do
        local id
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}
