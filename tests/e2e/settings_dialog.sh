#!/bin/bash
# The real GTK settings dialog of the program under Xvfb, for what only it
# can show (the logic tests cover the rest): Enter saves under the user's
# key; the swatches show the stored colours; Escape leaves the dialog open;
# in the picker Escape confirms and the close box cancels; the dialog's
# close box saves.
. "$(dirname "$0")/common.bash"
. "$(dirname "$0")/../tools/dialog_helpers.sh"
set -eo pipefail
program=$(realpath "$1")
shots="$(dirname "$program")/screenshots/"
export XDG_CONFIG_HOME="$WORK/config"
start_xvfb

check_enter_saves_for_user "$program" /c
check_real_dialogs "$program" /c
