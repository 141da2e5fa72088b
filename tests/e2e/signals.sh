#!/bin/bash
# SIGTERM, SIGINT and SIGHUP end a running saver in order (exit 0), full
# screen or preview, and the settings file stays as it was, byte for byte:
# the saver never writes it.
. "$(dirname "$0")/common.bash"
start_xvfb

export XDG_CONFIG_HOME=$WORK/config
settings=$XDG_CONFIG_HOME/gyrelle/registry.reg
mkdir -p "$(dirname "$settings")"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_LOCAL_MACHINE\Software\Orvanti\Gyrelle Screen Saver]' \
    '"IntensivityOfLightnings"="100"' '"Meteorites_State"="1"' '; kept as written' >"$settings"
cp "$settings" "$WORK/settings.before"
inode=$(stat -c %i "$settings")

"$PARENT_WINDOW" >"$WORK/parent.id" &
PARENT_PID=$!
STARTED_PIDS+=("$PARENT_PID")
for _ in $(seq 100); do [ -s "$WORK/parent.id" ] && break; sleep 0.05; done

for signal in TERM INT HUP; do
    for mode in full preview; do
        if [ "$mode" = full ]; then
            start_saver /s
            wait_for_window "Screen Saver" >/dev/null || { fail "SIG$signal: no saver window"; continue; }
        else
            start_saver /p "$(head -n1 "$WORK/parent.id")"
            wait_for_window "Preview" >/dev/null || { fail "SIG$signal: no preview window"; continue; }
        fi
        settle
        kill -"$signal" "$SAVER_PID"
        wait_status "$SAVER_PID" 5
        check "SIG$signal ends the $mode saver with 0" 0 "$STATUS"
    done
done
cmp -s "$WORK/settings.before" "$settings" && echo "ok: the settings file is unchanged" \
    || fail "the settings file changed"
check "the settings file is the same file" "$inode" "$(stat -c %i "$settings")"
check "nothing else in the settings folder" "registry.reg" "$(ls -A "$(dirname "$settings")")"
kill -TERM "$PARENT_PID"
finish
