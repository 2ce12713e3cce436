#!/usr/bin/env python3
"""Writes zorbly.ico, the Windows icon, from assets/icon.png.

The icon holds the picture at 16, 24, 32, 48, 64 and 256 pixels, each made
from the 32x32 pixel art by ../icon_sizes.py (whole factors, nearest
neighbour). Up to 64 pixels each is a classic 4-bit bitmap with the
picture's 16-colour palette (and an all-opaque mask), the form every version
of Windows and every resource compiler reads; the 256 is a PNG, as Windows
keeps its big icons. The result is kept in the repository beside this
script, so that building for Windows needs no Python; run this again after
changing the icon:

    /usr/bin/python3 packaging/windows/make_icon.py

Run it with Debian's Python; it uses Pillow (python3-pil).
"""

import io
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
from icon_sizes import icon  # noqa: E402

TARGET = os.path.join(HERE, "zorbly.ico")
SIZES = (16, 24, 32, 48, 64, 256)


def bitmap_4bit(im):
    """(BITMAPINFOHEADER, palette, picture, mask) of a palette image with at
    most 16 colours."""
    width, height = im.size
    indices = list(im.getdata())
    if max(indices) >= 16:
        sys.exit("the icon must have at most 16 colours")
    flat = im.getpalette()[:16 * 3]
    palette = [tuple(flat[i:i + 3]) for i in range(0, len(flat), 3)]
    palette += [(0, 0, 0)] * (16 - len(palette))
    rows = [indices[y * width:(y + 1) * width] for y in range(height)]
    xor = b""
    for row in reversed(rows):  # bitmaps run bottom-up
        packed = bytes((row[x] << 4) | row[x + 1] for x in range(0, width, 2))
        xor += packed + b"\0" * (-len(packed) % 4)
    mask_row = (width + 31) // 32 * 4
    mask = b"\0" * (mask_row * height)  # every pixel opaque
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + xor + mask


def png(im):
    out = io.BytesIO()
    im.save(out, format="PNG", optimize=True)
    return out.getvalue()


def ico(pictures):
    """pictures: [(size, bytes, colours, bits a pixel)]"""
    directory = struct.pack("<HHH", 0, 1, len(pictures))
    at = 6 + 16 * len(pictures)
    entries, data = b"", b""
    for size, image, colours, bits in pictures:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(image), at + len(data))
        data += image
    return directory + entries + data


def main():
    pictures = []
    for size in SIZES:
        im = icon(size)
        if size <= 64:
            pictures.append((size, bitmap_4bit(im), 16, 4))
        else:
            pictures.append((size, png(im.convert("RGBA")), 0, 32))
    with open(TARGET, "wb") as f:
        f.write(ico(pictures))
    print(f"wrote {os.path.relpath(TARGET)}")


if __name__ == "__main__":
    main()
