#!/usr/bin/env python3
"""Writes the icon's PNGs into packaging/icons/ from assets/icon.png:

    zorbly-N.png for N in 16 22 24 32 48 64 128 256   the free desktops' hicolor theme
    zorbly-192.png, zorbly-512.png                     the web page's manifest

How each size is made: icon_sizes.py. They are kept in the repository, so
that a release needs no Python; run this again after changing the icon:

    /usr/bin/python3 packaging/make_icons.py

Run it with Debian's Python; it uses Pillow (python3-pil).
"""

import os

from icon_sizes import HERE, icon

DESKTOP = (16, 22, 24, 32, 48, 64, 128, 256)
WEB = (192, 512)


def main():
    folder = os.path.join(HERE, "icons")
    os.makedirs(folder, exist_ok=True)
    for size in DESKTOP + WEB:
        path = os.path.join(folder, f"zorbly-{size}.png")
        icon(size).save(path, optimize=True)
        print(f"wrote {os.path.relpath(path)}")


if __name__ == "__main__":
    main()
