"""The game's icon at every size it ships in, from the 32x32 pixel art in
assets/icon.png. Imported by make_icons.py (the free desktops' and the web
page's PNGs) and windows/make_icon.py (the Windows .ico).

Every size is the picture scaled by a whole factor with nearest neighbour,
with the sky (the picture's own background, palette index 0) around it where
the size is not a multiple of what it is made from:

    16          every other pixel of the 32 (the even ones keep the eye,
                its highlight and the outline)
    22, 24      the 16 in the middle of the sky (a 32 cropped to 24 cuts
                the beak and the feet off)
    32          the picture itself
    48          the 32 in the middle of the sky (sharper than the 16 made
                three times as big)
    64 ... 512  the 32 made 2, 4, 6, 8 or 16 times as big

Every result is a palette image with the picture's own 16 colours.
"""

import os
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "assets", "icon.png")
SKY = 0  # the palette index of the picture's background


def source():
    try:
        im = Image.open(SOURCE)
        im.load()
    except (OSError, SyntaxError) as e:
        sys.exit(f"{SOURCE}: cannot read the picture: {e}")
    if im.mode != "P" or im.size != (32, 32):
        sys.exit(f"{SOURCE}: expected a 32x32 palette picture, not {im.mode} {im.size}")
    return im


def _blank(like, size):
    out = Image.new("P", (size, size), SKY)
    out.putpalette(like.getpalette())
    return out


def _half(im):
    out = _blank(im, im.width // 2)
    src, dst = im.load(), out.load()
    for y in range(out.height):
        for x in range(out.width):
            dst[x, y] = src[2 * x, 2 * y]
    return out


def _centred(im, size):
    out = _blank(im, size)
    out.paste(im, ((size - im.width) // 2, (size - im.height) // 2))
    return out


def _times(im, factor):
    return im.resize((im.width * factor, im.height * factor), Image.NEAREST)


def icon(size):
    """The icon at `size` pixels square, a palette image."""
    im = source()
    if size == 16:
        return _half(im)
    if size in (22, 24):
        return _centred(_half(im), size)
    if size == 48:
        return _centred(im, 48)
    if size % 32 == 0:
        return _times(im, size // 32)
    sys.exit(f"no icon is made at {size} pixels")
