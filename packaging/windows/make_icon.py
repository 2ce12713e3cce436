#!/usr/bin/env python3
"""Writes zorbly.ico, the Windows icon, from assets/icon.png.

The icon is one 32x32 picture in 16 colours. The .ico holds it as a classic
4-bit bitmap with its palette (and an all-opaque mask), the form every
version of Windows and every resource compiler reads. The result is kept in
the repository beside this script, so that building for Windows needs no
Python; run this again after changing the icon:

    python3 packaging/windows/make_icon.py

Only the Python standard library is used.
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "..", "assets", "icon.png")
TARGET = os.path.join(HERE, "zorbly.ico")


def read_indexed_png(path):
    """(width, height, palette [(r, g, b)], rows of palette indices) of a
    non-interlaced palette PNG with up to 8 bits per pixel."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    pos, chunks, idat = 8, {}, b""
    while pos < len(data):
        (size,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + size]
        if kind == b"IDAT":
            idat += body
        else:
            chunks[kind] = body
        pos += 12 + size
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    if colour != 3 or depth > 8 or interlace:
        sys.exit(f"{path}: expected a non-interlaced palette PNG")
    plte = chunks[b"PLTE"]
    palette = [tuple(plte[i:i + 3]) for i in range(0, len(plte), 3)]
    raw = zlib.decompress(idat)
    stride = (width * depth + 7) // 8
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):  # undo the filter; one byte per step below 8 bits
            left = line[i - 1] if i else 0
            up, corner = previous[i], previous[i - 1] if i else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + pred) & 0xFF
        previous = line
        per_byte, mask = 8 // depth, (1 << depth) - 1
        rows.append([(line[x // per_byte] >> (8 - depth * (x % per_byte + 1))) & mask for x in range(width)])
    return width, height, palette, rows


def ico_4bit(width, height, palette, rows):
    if len(palette) > 16:
        sys.exit("the icon must have at most 16 colours")
    palette = palette + [(0, 0, 0)] * (16 - len(palette))
    xor = b""
    for row in reversed(rows):  # bitmaps run bottom-up
        packed = bytes((row[x] << 4) | row[x + 1] for x in range(0, width, 2))
        xor += packed + b"\0" * (-len(packed) % 4)
    mask_row = (width + 31) // 32 * 4
    mask = b"\0" * (mask_row * height)  # every pixel opaque
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    image = header + colours + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    width, height, palette, rows = read_indexed_png(SOURCE)
    if (width, height) != (32, 32):
        sys.exit(f"the icon must be 32x32, not {width}x{height}")
    with open(TARGET, "wb") as f:
        f.write(ico_4bit(width, height, palette, rows))
    print(f"wrote {os.path.relpath(TARGET)}")


if __name__ == "__main__":
    main()
