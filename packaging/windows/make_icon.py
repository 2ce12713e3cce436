#!/usr/bin/env python3
"""Writes zorbly.ico, the Windows icon, from assets/icon.png.

The icon is one 32x32 picture in 16 colours. The .ico holds it as a classic
4-bit bitmap with its palette (and an all-opaque mask), the form every
version of Windows and every resource compiler reads. The result is kept in
the repository beside this script, so that building for Windows needs no
Python; run this again after changing the icon:

    /usr/bin/python3 packaging/windows/make_icon.py

Run it with Debian's Python; it reads the PNG with Pillow (python3-pil).
"""

import os
import struct
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "..", "assets", "icon.png")
TARGET = os.path.join(HERE, "zorbly.ico")


def read_indexed_png(path):
    """(width, height, palette [(r, g, b)], rows of palette indices) of a
    palette PNG with at most 16 colours."""
    try:
        with Image.open(path) as im:
            mode, (width, height) = im.mode, im.size
            indices = list(im.getdata())
            flat = im.getpalette() or []
    except (OSError, SyntaxError) as e:
        sys.exit(f"{path}: cannot read the picture: {e}")
    if mode != "P":
        sys.exit(f"{path}: expected a palette PNG, not mode {mode}")
    if max(indices) >= 16:
        sys.exit("the icon must have at most 16 colours")
    palette = [tuple(flat[i:i + 3]) for i in range(0, min(len(flat), 16 * 3), 3)]
    rows = [indices[y * width:(y + 1) * width] for y in range(height)]
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
