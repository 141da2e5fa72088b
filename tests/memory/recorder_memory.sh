#!/usr/bin/env bash
# The recorder's memory under the two checkers, with every element active
# (lightning at 100, meteorites on, a desktop picture to shatter):
#   recorder_memory.sh leaks GYRELLE [FRAMES]     LeakSanitizer (the asan build), both directions
#   recorder_memory.sh memcheck GYRELLE [FRAMES]  Valgrind memcheck (the plain build)
# Fails on any leak or memory error outside the system libraries' own,
# which tests/lsan.supp and tests/valgrind.supp name.
set -euo pipefail
mode=$1
gyrelle=$2
tests=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/gyrelle-memory-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
export LIBGL_ALWAYS_SOFTWARE=1
export LSAN_OPTIONS="suppressions=$tests/lsan.supp:print_suppressions=0"

settings() {
    mkdir -p "$XDG_CONFIG_HOME/gyrelle"
    printf '%s\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_LOCAL_MACHINE\Software\Orvanti\Gyrelle Screen Saver]' \
        "\"DirectionOfClouds\"=\"$1\"" '"IntensivityOfLightnings"="100"' '"Meteorites_State"="1"' \
        >"$XDG_CONFIG_HOME/gyrelle/registry.reg"
}

# A desktop picture for the shards, made by the recorder itself.
"$gyrelle" --record "$work/desktop.png" --frames 1 --size 40x30 --seed 3

case $mode in
leaks)  # both directions
    export ASAN_OPTIONS=detect_leaks=1
    for direction in 0 1; do
        settings "$direction"
        "$gyrelle" --record "$work/out.png" --frames "${3:-2000}" --size 64x48 --seed 11 --desktop "$work/desktop.png"
        echo "direction $direction: ${3:-2000} frames, no leak"
    done
    ;;
memcheck)
    # llvmpipe's JIT makes Valgrind slow and noisy; softpipe draws the same.
    # One direction only: Valgrind is slow, and the directions differ only
    # in numbers, which the leak run covers both ways.
    settings 1
    GALLIUM_DRIVER=softpipe valgrind --quiet --error-exitcode=1 --suppressions="$tests/valgrind.supp" \
        "$gyrelle" --record "$work/out.png" --frames "${3:-50}" --size 64x48 --seed 11 --desktop "$work/desktop.png"
    echo "direction 1: ${3:-50} frames, no memory error"
    ;;
*)
    echo "usage: $0 leaks|memcheck GYRELLE [FRAMES]" >&2
    exit 2
    ;;
esac
