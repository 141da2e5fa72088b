#!/bin/bash
# Bad switches end Gyrelle.scr with -1 (status 255) on the real Windows
# interfaces; A is refused off the legacy platform.
. "$(dirname "$0")/common.bash"
start_xvfb

for tail in "/x" "/p" "/p 0" "/p x" "/p:1234" "/p 123456" "/l 99999999999" "/a 1234" "x/s"; do
    # shellcheck disable=SC2086
    run_scr $tail
    check "'$tail' exits -1" 255 "$?"
done
finish
