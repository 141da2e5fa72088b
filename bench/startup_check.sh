#!/bin/sh
# Start to first frame: the time from exec until the recorder has presented
# its one frame, in software at 1920x1080 by default. strace stamps the exec
# and the moment the recorder opens its output to write the frame (it opens
# it once before rendering, to fail early, and again after the first frame
# is presented and read back); the PNG compression after that is left out.
# With --seccomp-bpf strace stops the program only at those two calls, so
# the tracing itself costs next to nothing.
# Prints each run and the median.
#
#   bench/startup_check.sh [GYRELLE] [SIZE] [RUNS]
set -eu

gyrelle=${1:-build/linux/gyrelle}
size=${2:-1920x1080}
runs=${3:-9}

if ! command -v strace >/dev/null 2>&1; then
    echo "startup_check.sh needs strace (Debian package strace)" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config"
export XDG_CONFIG_HOME="$work/config"
export LIBGL_ALWAYS_SOFTWARE=1

n=0
while [ "$n" -lt "$runs" ]; do
    strace -f --seccomp-bpf -ttt -e trace=execve,openat -o "$work/trace.txt" \
        "$gyrelle" --record "$work/one.png" --frames 1 --size "$size" --seed 1 >/dev/null
    awk -v part="$work/one.png.part" '
        /execve\(/ && start == "" { start = $2 }
        index($0, "\"" part "\"") { opens++; if (opens == 2) { printf "%.1f\n", ($2 - start) * 1000; exit } }
    ' "$work/trace.txt" >>"$work/times.txt"
    n=$((n + 1))
done
echo "start to first frame at $size, ms per run: $(tr '\n' ' ' <"$work/times.txt")"
echo "median: $(sort -n "$work/times.txt" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }') ms (limit 250 ms)"
