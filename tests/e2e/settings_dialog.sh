#!/bin/bash
# The real GTK settings dialog of the program under Xvfb, for what only it
# can show (the logic tests cover the rest): Enter saves under the user's
# key; the swatches show the stored colours; Escape leaves the dialog open;
# in the picker Escape confirms and the close box cancels; the dialog's
# close box saves.
# Usage: settings_dialog.sh PATH_TO_GYRELLE
set -euo pipefail
program=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
. "$here/../tools/dialog_helpers.sh"
shots="$(dirname "$program")/screenshots/"

config=$(mktemp -d)
export XDG_CONFIG_HOME="$config"
start_private_display
trap 'stop_private_display; rm -rf "$config"' EXIT

check_enter_saves_for_user "$program" /c
check_real_dialogs "$program" /c
