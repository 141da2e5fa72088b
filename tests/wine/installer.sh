#!/bin/bash
# The NSIS installer built beside Gyrelle.scr, run under Wine in a prefix of
# its own (silently, but for the first, shown until Finish): it puts the .scr into the system folder and registers
# itself in Add/Remove Programs, and writes nothing under HKEY_CURRENT_USER
# (it runs elevated, maybe as another account than the user's). A second
# installer started meanwhile leaves at once. A newer build installed while
# Gyrelle runs puts its file in place (a running program can be renamed),
# and Add/Remove Programs names the new version. One whose write fails part
# way changes nothing and leaves nothing. One that cannot even rename the
# installed file (held open) leaves it to the restart, in the place of a
# Gyrelle.scr.new that nothing waited for; the uninstaller, run before that
# restart as its quiet command line stands, returns once done, with 3010,
# and cancels it, and after the restart (Wine's own, when its server starts
# afresh) nothing of Gyrelle comes back. It takes away the saver's choice
# and settings in the logged-on user's profile too. An install then cancels
# the deletions that an uninstall run in place leaves to the restart.
. "$(dirname "$0")/common.bash"
INSTALLER="$(dirname "$SCR")/Gyrelle-$VERSION-setup.exe"
SOURCES="$(cd "$(dirname "$0")/../.." && pwd)"
[ -f "$INSTALLER" ] || { fail "no installer at $INSTALLER (target gyrelle_installer)"; finish; }

export WINEPREFIX=$WORK/prefix
trap 'wineserver -k 2>/dev/null; cleanup' EXIT
start_xvfb  # for the running saver and the installer shown

# Runs a Windows program and waits until every process of the prefix has
# ended (an uninstaller hands over to a copy of itself); its status in $?.
run() {
    timeout 600 "$WINE_RUN" "$@" >>"$WORK/wine.log" 2>&1
    local status=$?
    timeout 600 wineserver -w
    return $status
}
query() {  # KEY [VALUE]: prints the data, nothing when absent
    timeout 600 "$WINE_RUN" reg query "$1" ${2:+/v "$2"} 2>/dev/null | tr -d '\r' |
        sed -n 's/^    [^ ].*    REG_[A-Z_]*    //p'
}
# The renames and deletions waiting for the restart, "\0" between names.
pending() { query 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations; }
# Keeps Wine's server running, so that nothing counts as a restart, until
# restart(), holding FILE open meanwhile (not even a rename works).
hold() {  # [FILE]
    rm -f "$WINEPREFIX/drive_c/restart"
    timeout 600 "$WINE_RUN" "$PARENT_WINDOW" 'C:\restart' "$@" >"$WORK/holder" 2>&1 &
    HOLDER=$! && STARTED_PIDS+=("$HOLDER")
    wait_until "$CEILING" grep -qs . "$WORK/holder" || fail "Wine's server not held ${1:-}"
}
restart() { touch "$WINEPREFIX/drive_c/restart" && wait "$HOLDER" && timeout 600 wineserver -w && run wineboot; }
# The quiet uninstall command as it stands, run as a deployment tool runs
# it; its status in $?.
quiet_uninstall() {
    printf '%s\r\nexit %%errorlevel%%\r\n' "$(query "$UNINSTALL_KEY" QuietUninstallString)" >"$WINEPREFIX/drive_c/q.bat"
    timeout 600 "$WINE_RUN" cmd /c 'C:\q.bat' >>"$WORK/wine.log" 2>&1
}
# The current user's registry as text, without the keys Wine's own console
# and crash debugger make when they first run.
# HACK: right after a new prefix's wineboot, reg export has once written
# nothing and said nothing; it is asked again until the file is there.
user_registry() {
    rm -f "$WINEPREFIX/drive_c/hkcu.reg"
    wait_until "$CEILING" export_user_registry || fail "reg export wrote no HKCU"
    iconv -f UTF-16LE -t UTF-8 "$WINEPREFIX/drive_c/hkcu.reg" 2>/dev/null | tr -d '\r' |
        awk '/^\[/ { wine = /^\[HKEY_CURRENT_USER\\(Console|Software\\Wine)(\\|\])/ } !wine'
}

export_user_registry() { run reg export HKCU 'C:\hkcu.reg' /y; test -s "$WINEPREFIX/drive_c/hkcu.reg"; }

UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Gyrelle Screen Saver'
SYSTEM_SCR="$WINEPREFIX/drive_c/windows/system32/Gyrelle.scr"
INSTALL_DIR="$WINEPREFIX/drive_c/Program Files/Gyrelle Screen Saver"

# A newer build (another file: the same program with bytes appended).
NEWER=9.9
cp "$SCR" "$WORK/Gyrelle.scr" && printf 'newer build' >>"$WORK/Gyrelle.scr"
makensis -V1 -DVERSION=$NEWER -DSCR="$WORK/Gyrelle.scr" -DICON="$SOURCES/resources/gyrelle.ico" \
    -DOUTFILE="$WORK/newer-setup.exe" "$SOURCES/packaging/windows/gyrelle.nsi" >>"$WORK/wine.log" 2>&1 || fail "no newer installer"

run wineboot --init
user_registry >"$WORK/hkcu.before"
# Installed as a user does it, its window shown until Finish (Return on its
# last page); the newer one, started meanwhile, leaves at once.
timeout 600 "$WINE_RUN" "$INSTALLER" >>"$WORK/wine.log" 2>&1 &
SHOWN=$! && STARTED_PIDS+=("$SHOWN")
shown=$(wait_for_title "Gyrelle Screen Saver Setup.*") || fail "no installer window"
timeout 600 "$WINE_RUN" "$WORK/newer-setup.exe" /S >>"$WORK/wine.log" 2>&1
check "a second installer at once exits 2" 2 "$?"
wait_until "$CEILING" eval 'xdotool windowfocus "$shown" key Return 2>/dev/null; sleep 1; ended "$SHOWN"'
wait_status "$SHOWN"
check "installer exits 0" 0 "$STATUS"
cmp -s "$SCR" "$SYSTEM_SCR" && echo "ok: Gyrelle.scr in the system folder" || fail "Gyrelle.scr not in system32"
check "listed in Add/Remove Programs" "Gyrelle Screen Saver" "$(query "$UNINSTALL_KEY" DisplayName)"
check "uninstall command" '"C:\Program Files\Gyrelle Screen Saver\Uninstall.exe"' "$(query "$UNINSTALL_KEY" UninstallString)"

# The newer build installed while the installed saver runs.
SCR=$SYSTEM_SCR start_scr /s
wait_for_title "Screen Saver" >/dev/null || fail "the installed saver did not start"
# Not run(): waiting for every process of the prefix would wait for the saver.
timeout 600 "$WINE_RUN" "$WORK/newer-setup.exe" /S >>"$WORK/wine.log" 2>&1
status=$?
# In place, the old running file moved aside under a fresh name and
# deleted at the restart. A restart asked for exits 3010, of which Wine
# passes on the low 8 bits, 194.
cmp -s "$WORK/Gyrelle.scr" "$SYSTEM_SCR" && echo "ok: the newer file in place" || fail "the newer file not in place"
case $status:$(pending) in 194:*'\system32\ns'*'.tmp\0') echo "ok: the old one deleted at the restart" ;;
*) fail "exit $status, pending '$(pending)'" ;; esac
running "$SAVER_PID" && echo "ok: the saver ran through the upgrade" || fail "the saver ended during the upgrade"
check "listed version after the upgrade" "$NEWER" "$(query "$UNINSTALL_KEY" DisplayVersion)"
xdotool key a
wait_status "$SAVER_PID"
user_registry >"$WORK/hkcu.after"
diff "$WORK/hkcu.before" "$WORK/hkcu.after" >"$WORK/hkcu.diff" && echo "ok: nothing written under HKCU" ||
    fail "written under HKCU: $(cat "$WORK/hkcu.diff")"

# Another program holds Gyrelle.scr open until the restart below, and
# another program's rename waits for the restart too.
hold 'C:\windows\system32\Gyrelle.scr'
timeout 600 "$WINE_RUN" reg add 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations \
    /t REG_MULTI_SZ /d '\??\C:\other.new\0!\??\C:\other.dll' /f >>"$WORK/wine.log" 2>&1
before=$(pending)

# A write that fails part way (a full disk; here a limit on the size of a
# file) leaves nothing, and neither the installed file, nor its listed
# version, nor the restart's list changes.
(ulimit -f $(($(stat -c %s "$SCR") / 2048)) && trap '' XFSZ && timeout 600 "$WINE_RUN" "$INSTALLER" /S >>"$WORK/wine.log" 2>&1)
check "a failed write exits 2" 2 "$?"
cmp -s "$WORK/Gyrelle.scr" "$SYSTEM_SCR" && [ ! -e "$SYSTEM_SCR.new" ] && echo "ok: Gyrelle.scr stayed, nothing left" ||
    fail "Gyrelle.scr changed or left: $(ls "$SYSTEM_SCR"*)"
check "listed version after a failed write" "$NEWER" "$(query "$UNINSTALL_KEY" DisplayVersion)"
check "restart's list after a failed write" "$before" "$(pending)"

# Held open: the (older) file takes the name at the restart, exit 3010,
# written over a Gyrelle.scr.new that nothing waits for.
printf 'cut off' >"$SYSTEM_SCR.new"
timeout 600 "$WINE_RUN" "$INSTALLER" /S >>"$WORK/wine.log" 2>&1
check "an upgrade left to the restart exits 3010" 194 "$?"
case $(pending) in "$before"*'Gyrelle.scr.new\0!\??\C:\windows\system32\Gyrelle.scr'*) echo "ok: left to the restart" ;;
*) fail "no rename at the restart: '$(pending)'" ;; esac
cmp -s "$SCR" "$SYSTEM_SCR.new" && echo "ok: the .new written over" || fail "the .new left as it was"
check "listed version left to the restart" "$VERSION" "$(query "$UNINSTALL_KEY" DisplayVersion)"

# The logged-on user chose Gyrelle and saved settings meanwhile.
timeout 600 "$WINE_RUN" reg add 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE /d 'C:\windows\system32\Gyrelle.scr' /f >>"$WORK/wine.log" 2>&1
timeout 600 "$WINE_RUN" reg add 'HKCU\Software\Orvanti\Gyrelle Screen Saver' /v LightColor /d 5 /f >>"$WORK/wine.log" 2>&1
timeout 600 "$WINE_RUN" reg add 'HKLM\Software\Orvanti\Gyrelle Screen Saver' /v LightColor /d 5 /f >>"$WORK/wine.log" 2>&1
# Run before the restart as a deployment tool runs it, the command line as
# it stands: it returns once done, 3010 for the held file it deletes then.
quiet_uninstall
check "quiet uninstall exits 3010" 194 "$?"
check "uninstall entry removed when it returns" "" "$(query "$UNINSTALL_KEY")"
case $(pending) in *Gyrelle.scr.new* | *'!\??\C:\windows\system32\Gyrelle.scr'*) fail "still renamed: $(pending)" ;;
"$before"*) echo "ok: the rename cancelled, the other program's kept" ;;
*) fail "restart's list after the uninstall: '$(pending)'" ;; esac
restart
[ ! -e "$SYSTEM_SCR" ] && [ ! -e "$SYSTEM_SCR.new" ] && echo "ok: nothing back after the restart" || fail "it is back"
[ ! -e "$INSTALL_DIR" ] && echo "ok: install folder removed" || fail "left: $(ls "$INSTALL_DIR")"
check "no longer the user's saver" "" "$(query 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)"
check "user's settings removed" "" "$(query 'HKCU\Software\Orvanti')"
check "machine's settings removed" "" "$(query 'HKLM\Software\Orvanti')"

# An uninstall run in place leaves its own Uninstall.exe and folder to the
# restart; an install before that restart cancels their deletion.
hold
timeout 600 "$WINE_RUN" "$INSTALLER" /S >>"$WORK/wine.log" 2>&1 && quiet_uninstall
status=$?
case $status:$(pending) in 0:*'Uninstall.exe\0\0\??\C:\Program Files\Gyrelle Screen Saver\0') echo "ok: Uninstall.exe and its folder left to the restart" ;;
*) fail "exit $status, restart's list after an uninstall: '$(pending)'" ;; esac
timeout 600 "$WINE_RUN" "$INSTALLER" /S >>"$WORK/wine.log" 2>&1
check "an install before the restart exits 0" 0 "$?"
check "restart's list after it" "" "$(pending)"
restart
[ -f "$INSTALL_DIR/Uninstall.exe" ] && cmp -s "$SCR" "$SYSTEM_SCR" && echo "ok: installed after the restart" ||
    fail "after the restart: $(ls "$INSTALL_DIR" "$SYSTEM_SCR" 2>&1)"
[ "$FAILURES" -eq 0 ] || { echo "Wine's output, last lines:" && tail -n 40 "$WORK/wine.log"; } >&2
finish
