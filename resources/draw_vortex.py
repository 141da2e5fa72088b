#!/usr/bin/env python3
"""Draws the vortex picture behind the logo bitmap and the icon.

Writes a binary PPM of the given size: a dark funnel of spiral cloud arms
in the default cloud colours, brighter towards the rim. Usage:
    draw_vortex.py WIDTH HEIGHT OUT.ppm
The checked-in resources are made from it with ImageMagick:
    draw_vortex.py 150 100 logo.ppm && convert logo.ppm -type TrueColor BMP3:logo.bmp
    draw_vortex.py 256 256 icon.ppm && convert icon.ppm -define icon:auto-resize=256,48,32,16 gyrelle.ico
"""
import math
import sys

SHEEN = (90, 30, 2)
PROPER = (172, 222, 253)


def pixel(u, v):
    # u, v in [-1, 1]; polar position in the funnel.
    r = math.hypot(u, v)
    if r > 1.0:
        return (0, 0, 0)
    a = math.atan2(v, u)
    # Logarithmic spiral arms: constant phase along r = exp(twist * a).
    phase = a * 3 + math.log(max(r, 1e-3)) * 7.0
    arms = 0.5 + 0.5 * math.cos(phase)
    depth = r ** 0.8
    t = arms * depth
    mix = min(1.0, max(0.0, t))
    colour = tuple(SHEEN[i] * (1 - mix) + PROPER[i] * mix for i in range(3))
    fade = min(1.0, (1.0 - r) * 8.0)  # soft rim
    return tuple(int(c * depth * fade + 0.5) for c in colour)


def main():
    width, height, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    scale = 0.5 * min(width, height) * 0.96
    rows = bytearray()
    for y in range(height):
        for x in range(width):
            # Four samples per pixel for smooth arms.
            acc = [0, 0, 0]
            for sx, sy in ((0.25, 0.25), (0.75, 0.25), (0.25, 0.75), (0.75, 0.75)):
                p = pixel((x + sx - width / 2) / scale, (y + sy - height / 2) / scale)
                for i in range(3):
                    acc[i] += p[i]
            rows += bytes(int(c / 4 + 0.5) for c in acc)
    with open(out, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(rows)


if __name__ == "__main__":
    main()
