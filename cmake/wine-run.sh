#!/bin/sh
# Runs a cross-built Windows program under Wine with a quiet, private prefix.
: "${WINEPREFIX:=${GYRELLE_WINEPREFIX:-$HOME/.wine-gyrelle}}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
