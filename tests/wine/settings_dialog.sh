#!/bin/bash
# The real settings dialog of Gyrelle.scr under Wine and Xvfb, for what only
# it can show (the logic tests cover the rest): Enter saves under
# HKEY_CURRENT_USER, never HKEY_LOCAL_MACHINE, where a standard user may not
# write; the swatches show the stored colours; Escape leaves the dialog open;
# in the picker Escape confirms and the close box cancels; the dialog's
# close box saves.
. "$(dirname "$0")/common.bash"
. "$(dirname "$0")/../tools/dialog_helpers.sh"
set -eo pipefail
program=$(realpath "$1")
shots="$(dirname "$program")/screenshots/wine_"
key='Software\Orvanti\Gyrelle Screen Saver'
start_xvfb
for root in HKCU HKLM; do PROGRAM=reg run_scr delete "$root\\$key" /f || :; done

saved_settings() {
    timeout 600 "$WINE_RUN" reg query "$1\\$key" 2>>"$LOG" | tr -d '\r' | awk '$2 == "REG_SZ" { print $1 "=" $3 }'
}

check_enter_saves_for_user "$WINE_RUN" "$program" /c
check_real_dialogs "$WINE_RUN" "$program" /c
