#!/bin/sh
# The recorder's memory over a long run: its peak resident size after a
# short and after a long run (a leak of even a few bytes a frame shows as
# growth), and the peak of the program's own heap at set-up and in the first
# frames (valgrind's massif, counting only what the program allocates itself,
# not the GL driver's mappings).
#
#   bench/memory_check.sh [GYRELLE] [SIZE] [SHORT] [LONG] [HEAP_FRAMES]
#
# Defaults: build/linux/gyrelle, 1920x1080, 1000, 20000 and 30 frames. The
# recorder renders in software here: see README.md for the time a run takes.
set -eu

gyrelle=${1:-build/linux/gyrelle}
size=${2:-1920x1080}
short=${3:-1000}
long=${4:-20000}
heapFrames=${5:-30}

if [ ! -x /usr/bin/time ]; then
    echo "memory_check.sh needs /usr/bin/time (Debian package time)" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config"
export XDG_CONFIG_HOME="$work/config"
export LIBGL_ALWAYS_SOFTWARE=1

# Peak resident size in kB and wall seconds of one recording of N frames.
record() {
    /usr/bin/time -f '%M %e' -o "$work/time.txt" \
        "$gyrelle" --record "$work/frame.png" --frames "$1" --size "$size" --seed 1 >/dev/null
    cat "$work/time.txt"
}

set -- $(record "$short")
shortKb=$1
shortSeconds=$2
set -- $(record "$long")
longKb=$1
longSeconds=$2
echo "resident peak after $short frames at $size: $shortKb kB ($shortSeconds s)"
echo "resident peak after $long frames at $size: $longKb kB ($longSeconds s)"
echo "growth: $((longKb - shortKb)) kB (limit 2048 kB)"

if command -v valgrind >/dev/null 2>&1; then
    # Every allocation, with its call tree at every snapshot. The program's
    # own heap is what its own code allocates; the GL driver's buffers (the
    # 1920x1080 colour buffer among them) and its JIT are counted apart.
    valgrind --tool=massif --detailed-freq=1 --massif-out-file="$work/massif.out" \
        "$gyrelle" --record "$work/heap.png" --frames "$heapFrames" --size "$size" --seed 1 \
        >/dev/null 2>&1
    python3 - "$work/massif.out" "$heapFrames" "$size" <<'PYTHON'
import re
import sys

path, frames, size = sys.argv[1:4]
snapshots = open(path).read().split("snapshot=")[1:]
best_own = (0, 0, [])
best_total = 0
for snapshot in snapshots:
    total = int(re.search(r"mem_heap_B=(\d+)", snapshot).group(1))
    best_total = max(best_total, total)
    own = 0
    parts = []
    # Top-level entries: the code that called the allocator.
    for line in snapshot.split("\n"):
        match = re.match(r"^ n\d+: (\d+) (.*)", line)
        if match and "(in /" not in match.group(2) and "below massif's threshold" not in match.group(2):
            own += int(match.group(1))
            parts.append((int(match.group(1)), match.group(2)))
    if own > best_own[0]:
        best_own = (own, total, parts)
own, total, parts = best_own
print(f"heap peak over {frames} frames at {size}: {best_total} bytes in all, the program's own "
      f"{own} bytes ({own / 1048576:.1f} MiB) at its peak (limit 16 MiB)")
for amount, where in sorted(parts, reverse=True)[:6]:
    print(f"  {amount:>10}  {where[:110]}")
PYTHON
else
    echo "valgrind not found: no heap peak"
fi
