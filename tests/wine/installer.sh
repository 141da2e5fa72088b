#!/bin/bash
# The NSIS installer built beside Gyrelle.scr, run silently under Wine in a
# prefix of its own: it puts the .scr into the system folder and registers
# itself in Add/Remove Programs, and writes nothing under HKEY_CURRENT_USER
# (it runs elevated, maybe as another account than the user's). A newer
# build installed while Gyrelle runs puts its file in place (a running
# program can be renamed), and Add/Remove Programs names the new version. One
# whose file cannot be written changes nothing. One that cannot even rename
# the installed file (held open) leaves it to the restart; the uninstaller,
# run before that restart as its quiet command line stands, returns once
# done, with 3010, and cancels it, and after the restart (Wine's own, when
# its server starts afresh) nothing of Gyrelle comes back. It takes away
# the saver's choice and settings in the logged-on user's profile too.
. "$(dirname "$0")/common.bash"
INSTALLER="$(dirname "$SCR")/Gyrelle-$VERSION-setup.exe"
SOURCES="$(cd "$(dirname "$0")/../.." && pwd)"
[ -f "$INSTALLER" ] || { fail "no installer at $INSTALLER (target gyrelle_installer)"; finish; }

export WINEPREFIX=$WORK/prefix
trap 'wineserver -k 2>/dev/null; cleanup' EXIT
start_xvfb  # for the running saver; a silent install shows nothing

# Runs a Windows program and waits until every process of the prefix has
# ended (an uninstaller hands over to a copy of itself); its status in $?.
run() {
    timeout 600 "$WINE_RUN" "$@" >/dev/null 2>&1
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
# The current user's registry as text, without the keys Wine's own console
# and crash debugger make when they first run.
user_registry() {
    timeout 600 "$WINE_RUN" reg export HKCU 'C:\hkcu.reg' /y >/dev/null 2>&1
    timeout 600 wineserver -w
    iconv -f UTF-16LE -t UTF-8 "$WINEPREFIX/drive_c/hkcu.reg" 2>/dev/null | tr -d '\r' |
        awk '/^\[/ { wine = /^\[HKEY_CURRENT_USER\\(Console|Software\\Wine)(\\|\])/ } !wine'
}

UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Gyrelle Screen Saver'
SYSTEM_SCR="$WINEPREFIX/drive_c/windows/system32/Gyrelle.scr"
INSTALL_DIR="$WINEPREFIX/drive_c/Program Files/Gyrelle Screen Saver"

run wineboot --init
user_registry >"$WORK/hkcu.before"
run "$INSTALLER" /S
check "installer exits 0" 0 "$?"
cmp -s "$SCR" "$SYSTEM_SCR" && echo "ok: Gyrelle.scr in the system folder" || fail "Gyrelle.scr not in system32"
check "listed in Add/Remove Programs" "Gyrelle Screen Saver" "$(query "$UNINSTALL_KEY" DisplayName)"
check "uninstall command" '"C:\Program Files\Gyrelle Screen Saver\Uninstall.exe"' "$(query "$UNINSTALL_KEY" UninstallString)"

# A newer build (another file: the same program with bytes appended)
# installed while the installed saver runs.
NEWER=9.9
cp "$SCR" "$WORK/Gyrelle.scr" && printf 'newer build' >>"$WORK/Gyrelle.scr"
makensis -V1 -DVERSION=$NEWER -DSCR="$WORK/Gyrelle.scr" -DICON="$SOURCES/resources/gyrelle.ico" \
    -DOUTFILE="$WORK/newer-setup.exe" "$SOURCES/packaging/windows/gyrelle.nsi" >/dev/null || fail "no newer installer"
SCR=$SYSTEM_SCR start_scr /s
wait_for_title "Screen Saver" >/dev/null || fail "the installed saver did not start"
# Not run(): waiting for every process of the prefix would wait for the saver.
timeout 600 "$WINE_RUN" "$WORK/newer-setup.exe" /S >/dev/null 2>&1
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

# A folder in the way of the new file: the write fails, and neither the
# installed file, nor its listed version, nor the restart's list changes.
mkdir "$SYSTEM_SCR.new"
before=$(pending)
run "$INSTALLER" /S
check "a failed write exits 2" 2 "$?"
cmp -s "$WORK/Gyrelle.scr" "$SYSTEM_SCR" && echo "ok: the installed Gyrelle.scr stayed" || fail "Gyrelle.scr changed"
check "listed version after a failed write" "$NEWER" "$(query "$UNINSTALL_KEY" DisplayVersion)"
check "restart's list after a failed write" "$before" "$(pending)"
rmdir "$SYSTEM_SCR.new"

# Another program holds Gyrelle.scr open (not even a rename works) and
# keeps Wine's server running until the restart below: Wine's restart is
# its server's start. Another program's rename waits for the restart too.
timeout 600 "$WINE_RUN" "$PARENT_WINDOW" 'C:\restart' 'C:\windows\system32\Gyrelle.scr' >"$WORK/holder" 2>&1 &
HOLDER=$!
STARTED_PIDS+=("$HOLDER")
wait_until "$CEILING" grep -qs . "$WORK/holder" || fail "Gyrelle.scr not held"
timeout 600 "$WINE_RUN" reg add 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations \
    /t REG_MULTI_SZ /d '\??\C:\other.new\0!\??\C:\other.dll' /f >/dev/null 2>&1
before=$(pending)

# Held open: the (older) file takes the name at the restart, exit 3010.
timeout 600 "$WINE_RUN" "$INSTALLER" /S >/dev/null 2>&1
check "an upgrade left to the restart exits 3010" 194 "$?"
case $(pending) in "$before"*'Gyrelle.scr.new\0!\??\C:\windows\system32\Gyrelle.scr'*) echo "ok: left to the restart" ;;
*) fail "no rename at the restart: '$(pending)'" ;; esac
check "listed version left to the restart" "$VERSION" "$(query "$UNINSTALL_KEY" DisplayVersion)"

# The logged-on user chose Gyrelle and saved settings meanwhile.
timeout 600 "$WINE_RUN" reg add 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE /d 'C:\windows\system32\Gyrelle.scr' /f >/dev/null 2>&1
timeout 600 "$WINE_RUN" reg add 'HKCU\Software\Orvanti\Gyrelle Screen Saver' /v LightColor /d 5 /f >/dev/null 2>&1
timeout 600 "$WINE_RUN" reg add 'HKLM\Software\Orvanti\Gyrelle Screen Saver' /v LightColor /d 5 /f >/dev/null 2>&1
# Run before the restart as a deployment tool runs it, the command line as
# it stands: it returns once done, 3010 for the held file it deletes then.
printf '%s\r\nexit %%errorlevel%%\r\n' "$(query "$UNINSTALL_KEY" QuietUninstallString)" >"$WINEPREFIX/drive_c/q.bat"
timeout 600 "$WINE_RUN" cmd /c 'C:\q.bat' >/dev/null 2>&1
check "quiet uninstall exits 3010" 194 "$?"
check "uninstall entry removed when it returns" "" "$(query "$UNINSTALL_KEY")"
case $(pending) in *Gyrelle.scr.new* | *'!\??\C:\windows\system32\Gyrelle.scr'*) fail "still renamed: $(pending)" ;;
"$before"*) echo "ok: the rename cancelled, the other program's kept" ;;
*) fail "restart's list after the uninstall: '$(pending)'" ;; esac
touch "$WINEPREFIX/drive_c/restart"
wait "$HOLDER"
timeout 600 wineserver -w
run wineboot
[ ! -e "$SYSTEM_SCR" ] && [ ! -e "$SYSTEM_SCR.new" ] && echo "ok: nothing back after the restart" || fail "it is back"
[ ! -e "$INSTALL_DIR" ] && echo "ok: install folder removed" || fail "left: $(ls "$INSTALL_DIR")"
check "no longer the user's saver" "" "$(query 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)"
check "user's settings removed" "" "$(query 'HKCU\Software\Orvanti')"
check "machine's settings removed" "" "$(query 'HKLM\Software\Orvanti')"
finish
