#!/usr/bin/env python3
"""Writes the pictures of a Windows icon file as PNG files, one per size,
for the freedesktop icon theme (share/icons/hicolor/SIZExSIZE/apps).

Usage: ico_to_png.py ICON OUTPUT_DIR SIZE...

Writes OUTPUT_DIR/SIZE.png for each SIZE; a size the icon lacks stops the
build. Pictures stored as PNG are copied as they are; 32-bit bitmaps are
converted with their alpha channel (the AND mask is then redundant).
"""
import os
import struct
import sys
import zlib


def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def bitmap_to_png(dib, size):
    header_size, width, height, planes, bits = struct.unpack_from("<IiiHH", dib, 0)
    if bits != 32 or width != size or abs(height) != 2 * size:
        sys.exit("icon entry %d: only 32-bit bitmaps are converted (got %d bits, %dx%d)"
                 % (size, bits, width, height))
    pixels = dib[header_size:header_size + size * size * 4]
    rows = []
    for y in range(size):
        # Bottom-up rows of BGRA.
        source = pixels[(size - 1 - y) * size * 4:(size - y) * size * 4]
        row = bytearray(b"\0")
        for x in range(size):
            b, g, r, a = source[4 * x:4 * x + 4]
            row += bytes((r, g, b, a))
        rows.append(bytes(row))
    return (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
            + png_chunk(b"IEND", b""))


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        sys.exit("%s is not an icon file" % sys.argv[1])
    entries = {}
    for i in range(count):
        width, height, _, _, _, _, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        entries[width or 256] = data[offset:offset + length]
    os.makedirs(sys.argv[2], exist_ok=True)
    for size in (int(s) for s in sys.argv[3:]):
        if size not in entries:
            sys.exit("%s has no %dx%d picture" % (sys.argv[1], size, size))
        picture = entries[size]
        if not picture.startswith(b"\x89PNG"):
            picture = bitmap_to_png(picture, size)
        with open(os.path.join(sys.argv[2], "%d.png" % size), "wb") as f:
            f.write(picture)


if __name__ == "__main__":
    main()
