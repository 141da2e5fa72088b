#!/bin/bash
# SIGTERM, SIGINT and SIGHUP end a running saver in order, full screen or
# preview: it cleans up, then the signal ends it (the shell's 128 + N, as
# for any display program), and the settings file stays as it was, byte
# for byte and the same file: the saver never writes it. A signal ignored
# at the start stays ignored; the recorder leaves no partial file.
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

# Under nohup(1) SIGHUP is ignored from the start and stays so: the saver
# runs on until SIGTERM ends it.
for row in TERM:143 INT:130 HUP:129 HUP:143:nohup; do
    IFS=: read -r signal status prefix <<<"$row"
    for mode in "Screen Saver:/s" "Preview:/p $OTHER_ID"; do
        # shellcheck disable=SC2086
        RUN_UNDER=$prefix start_saver ${mode#*:}
        wait_for_window "${mode%%:*}" >>"$LOG" || { fail "SIG$signal: no ${mode%%:*} window"; continue; }
        settle
        kill -"$signal" "$SAVER_PID"
        [ -z "$prefix" ] || { settle && running "$SAVER_PID" && kill -TERM "$SAVER_PID"; }
        wait_status "$SAVER_PID"
        check "SIG$signal ${prefix:+under $prefix }ends '${mode#*:}' by the signal" "$status" "$STATUS"
    done
done

# The recorder, a background job of this script and so with SIGINT
# ignored, records on through SIGINT; SIGTERM ends it and leaves nothing
# behind, not even the partial file (once 15 MB were left).
"$GYRELLE" --record "$WORK/long.gif" --frames 10000000 --size 16x16 >>"$WORK/saver.log" 2>&1 &
recorder=$! && STARTED_PIDS+=("$recorder")
wait_until "$CEILING" test -s "$WORK/long.gif.part" && kill -INT "$recorder" && settle && running "$recorder" && kill -TERM "$recorder" || fail "the recorder did not record on through SIGINT"
wait_status "$recorder"
check "SIGTERM ends the recorder by the signal, no file left" "143" "$STATUS$(ls "$WORK"/long.gif* 2>>"$LOG")"
cmp -s "$WORK/settings.before" "$settings" && echo "ok: the settings file is unchanged" || fail "the settings file changed"
check "the settings file is the same file" "$inode" "$(stat -c %i "$settings")"
check "nothing else in the settings folder" "registry.reg" "$(ls -A "$(dirname "$settings")")"
finish
