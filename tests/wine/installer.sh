#!/bin/bash
# The NSIS installer built beside Gyrelle.scr, run silently under Wine in a
# prefix of its own: it puts the .scr into the system folder, registers
# itself in Add/Remove Programs and makes Gyrelle the current saver; its
# uninstaller takes all of that away again, the saver's settings included.
set -u
SCR=$1
HERE=$(cd "$(dirname "$0")" && pwd)
WINE_RUN="$HERE/../../cmake/wine-run.sh"
VERSION=$(sed -n 's/^project(Gyrelle VERSION \([0-9.]*\).*/\1/p' "$HERE/../../CMakeLists.txt")
INSTALLER="$(dirname "$SCR")/Gyrelle-$VERSION-setup.exe"
FAILURES=0

fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
ok() { echo "ok: $*"; }

[ -f "$INSTALLER" ] || { echo "FAIL: no installer at $INSTALLER (target gyrelle_installer)"; exit 1; }

export WINEPREFIX
WINEPREFIX=$(mktemp -d)
cleanup() {
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
unset DISPLAY  # a silent install shows nothing

# Runs a Windows program and waits until every process of the prefix has
# ended (an uninstaller hands over to a copy of itself).
run() {
    timeout 180 "$WINE_RUN" "$@" >/dev/null 2>&1
    local status=$?
    timeout 60 wineserver -w
    return $status
}
query() {  # KEY [VALUE]: prints the data, nothing when absent
    local output
    if [ $# -eq 2 ]; then
        output=$(timeout 60 "$WINE_RUN" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r')
    else
        output=$(timeout 60 "$WINE_RUN" reg query "$1" 2>/dev/null | tr -d '\r')
    fi
    echo "$output" | sed -n 's/^    [^ ].*    REG_[A-Z_]*    //p'
}

UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Gyrelle Screen Saver'
SYSTEM_SCR="$WINEPREFIX/drive_c/windows/system32/Gyrelle.scr"
INSTALL_DIR="$WINEPREFIX/drive_c/Program Files/Gyrelle Screen Saver"

run "$INSTALLER" /S && ok "installer exits 0" || fail "installer exit status $?"
cmp -s "$SCR" "$SYSTEM_SCR" && ok "Gyrelle.scr in the system folder" || fail "Gyrelle.scr not in system32"
[ -f "$INSTALL_DIR/Uninstall.exe" ] && ok "uninstaller in Program Files" || fail "no uninstaller"
[ "$(query 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)" = 'C:\windows\system32\Gyrelle.scr' ] \
    && ok "Gyrelle is the current saver" || fail "SCRNSAVE.EXE: $(query 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)"
[ "$(query "$UNINSTALL_KEY" DisplayName)" = "Gyrelle Screen Saver" ] \
    && ok "listed in Add/Remove Programs" || fail "no uninstall entry"
[ "$(query "$UNINSTALL_KEY" DisplayVersion)" = "$VERSION" ] && ok "listed as version $VERSION" || fail "DisplayVersion"
[ "$(query "$UNINSTALL_KEY" UninstallString)" = '"C:\Program Files\Gyrelle Screen Saver\Uninstall.exe"' ] \
    && ok "uninstall command" || fail "UninstallString: $(query "$UNINSTALL_KEY" UninstallString)"

# Settings the saver saved meanwhile go with it.
timeout 60 "$WINE_RUN" reg add 'HKLM\Software\Orvanti\Gyrelle Screen Saver' /v LightColor /d 5 /f >/dev/null 2>&1

run "$INSTALL_DIR/Uninstall.exe" /S && ok "uninstaller exits 0" || fail "uninstaller exit status $?"
[ ! -e "$SYSTEM_SCR" ] && ok "Gyrelle.scr removed" || fail "Gyrelle.scr left in system32"
[ ! -e "$INSTALL_DIR" ] && ok "install folder removed" || fail "left: $(ls "$INSTALL_DIR")"
[ -z "$(query 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)" ] && ok "no longer the current saver" || fail "SCRNSAVE.EXE left"
[ -z "$(query "$UNINSTALL_KEY")" ] && ok "uninstall entry removed" || fail "uninstall entry left"
[ -z "$(query 'HKLM\Software\Orvanti')" ] && ok "settings removed" || fail "settings key left"

[ "$FAILURES" -eq 0 ]
