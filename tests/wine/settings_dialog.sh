#!/bin/bash
# The real settings dialog of Gyrelle.scr under Wine and Xvfb, for what only
# it can show (the logic tests cover the rest): Enter saves under
# HKEY_CURRENT_USER, never HKEY_LOCAL_MACHINE, where a standard user may not
# write; the swatches show the stored colours; Escape leaves the dialog open;
# in the picker Escape confirms and the close box cancels; the dialog's
# close box saves.
# Usage: settings_dialog.sh PATH_TO_GYRELLE_SCR
set -euo pipefail
program=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
. "$here/../tools/dialog_helpers.sh"
run="$here/../../cmake/wine-run.sh"
shots="$(dirname "$program")/screenshots/wine_"
key='Software\Orvanti\Gyrelle Screen Saver'

start_private_display
trap 'stop_private_display' EXIT
for root in HKCU HKLM; do "$run" reg delete "$root\\$key" /f >/dev/null 2>&1 || true; done

saved_settings() {
    "$run" reg query "$1\\$key" 2>/dev/null | tr -d '\r' | awk '$2 == "REG_SZ" { print $1 "=" $3 }'
}

check_enter_saves_for_user "$run" "$program" /c
check_real_dialogs "$run" "$program" /c
