#!/bin/bash
# The NSIS installer built beside Gyrelle.scr, run silently under Wine in a
# prefix of its own: it puts the .scr into the system folder, registers
# itself in Add/Remove Programs and makes Gyrelle the current saver; its
# uninstaller takes all of that away again, the saver's settings included.
. "$(dirname "$0")/common.bash"
INSTALLER="$(dirname "$SCR")/Gyrelle-$VERSION-setup.exe"
[ -f "$INSTALLER" ] || { fail "no installer at $INSTALLER (target gyrelle_installer)"; finish; }

export WINEPREFIX=$WORK/prefix
trap 'wineserver -k 2>/dev/null; cleanup' EXIT
unset DISPLAY  # a silent install shows nothing

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

UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Gyrelle Screen Saver'
SYSTEM_SCR="$WINEPREFIX/drive_c/windows/system32/Gyrelle.scr"
INSTALL_DIR="$WINEPREFIX/drive_c/Program Files/Gyrelle Screen Saver"

run "$INSTALLER" /S
check "installer exits 0" 0 "$?"
cmp -s "$SCR" "$SYSTEM_SCR" && echo "ok: Gyrelle.scr in the system folder" || fail "Gyrelle.scr not in system32"
[ -f "$INSTALL_DIR/Uninstall.exe" ] && echo "ok: uninstaller in Program Files" || fail "no uninstaller"
check "the current saver" 'C:\windows\system32\Gyrelle.scr' "$(query 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)"
check "listed in Add/Remove Programs" "Gyrelle Screen Saver" "$(query "$UNINSTALL_KEY" DisplayName)"
check "listed version" "$VERSION" "$(query "$UNINSTALL_KEY" DisplayVersion)"
check "uninstall command" '"C:\Program Files\Gyrelle Screen Saver\Uninstall.exe"' "$(query "$UNINSTALL_KEY" UninstallString)"

# Settings the saver saved meanwhile go with it.
timeout 600 "$WINE_RUN" reg add 'HKLM\Software\Orvanti\Gyrelle Screen Saver' /v LightColor /d 5 /f >/dev/null 2>&1
run "$INSTALL_DIR/Uninstall.exe" /S
check "uninstaller exits 0" 0 "$?"
[ ! -e "$SYSTEM_SCR" ] && echo "ok: Gyrelle.scr removed" || fail "Gyrelle.scr left in system32"
[ ! -e "$INSTALL_DIR" ] && echo "ok: install folder removed" || fail "left: $(ls "$INSTALL_DIR")"
check "no longer the current saver" "" "$(query 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)"
check "uninstall entry removed" "" "$(query "$UNINSTALL_KEY")"
check "settings removed" "" "$(query 'HKLM\Software\Orvanti')"
finish
