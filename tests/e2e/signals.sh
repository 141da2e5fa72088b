#!/bin/bash
# SIGTERM, SIGINT and SIGHUP end a running saver in order, full screen or
# preview: it cleans up, then the signal ends it (the shell's 128 + N, as
# for any display program), and the settings file stays as it was, byte
# for byte and the same file: the saver never writes it.
. "$(dirname "$0")/common.bash"
start_xvfb
start_other_window

export XDG_CONFIG_HOME=$WORK/config
settings=$XDG_CONFIG_HOME/gyrelle/registry.reg
mkdir -p "$(dirname "$settings")"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_LOCAL_MACHINE\Software\Orvanti\Gyrelle Screen Saver]' \
    '"IntensivityOfLightnings"="100"' '"Meteorites_State"="1"' '; kept as written' >"$settings"
cp "$settings" "$WORK/settings.before"
inode=$(stat -c %i "$settings")

for signal in TERM:143 INT:130 HUP:129; do
    status=${signal#*:} signal=${signal%:*}
    for mode in "Screen Saver:/s" "Preview:/p $OTHER_ID"; do
        # shellcheck disable=SC2086
        start_saver ${mode#*:}
        wait_for_window "${mode%%:*}" >/dev/null || { fail "SIG$signal: no ${mode%%:*} window"; continue; }
        settle
        kill -"$signal" "$SAVER_PID"
        wait_status "$SAVER_PID"
        check "SIG$signal ends '${mode#*:}' by the signal" "$status" "$STATUS"
    done
done
cmp -s "$WORK/settings.before" "$settings" && echo "ok: the settings file is unchanged" || fail "the settings file changed"
check "the settings file is the same file" "$inode" "$(stat -c %i "$settings")"
check "nothing else in the settings folder" "registry.reg" "$(ls -A "$(dirname "$settings")")"
finish
