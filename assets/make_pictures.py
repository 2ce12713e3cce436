#!/usr/bin/env python3
"""Writes Zorbly's sprites and window icon from the pixel art in assets/art/.

    /usr/bin/python3 assets/make_pictures.py
    /usr/bin/python3 assets/make_pictures.py --preview /tmp/preview.png   # 8x contact sheet

Each picture is a text file, assets/art/NAME.txt, and becomes assets/NAME.png.
The colours are in assets/art/palettes.txt, which says how palettes are
written. A picture file looks like this:

    # The chick's shot: a short white bar, flies to the right.
    palettes: laser
    size: 8 x 3
    figure: columns 4-7, rows 0-2
    png: rgb

    ....WWWW
    ....WWWW
    ....WWWW

Lines starting with '#' say what the picture is. Then:

    palettes:  the palettes whose colours it uses, separated by commas
    size:      width x height in pixels
    figure:    the box the figure occupies: the first and last column and row
               (counting from 0) holding a pixel that is not black
    png:       "rgb" (8-bit truecolour) or "palette" (at most 16 colours,
               stored with 4 bits a pixel, in the order they first appear)

After one blank line come the rows, one character a pixel; '.' is black.

Every picture is checked before anything is written: its size, that each
character is in one of its palettes, its figure box, and for "png: palette"
its number of colours. A mistake stops the script with one line naming the
file and line. Needs Pillow (Debian: python3-pil).
"""

import os
import re
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
ART = os.path.join(HERE, "art")
PALETTES = os.path.join(ART, "palettes.txt")
BLACK = (0, 0, 0)
KEYS = ("palettes", "size", "figure", "png")


class ArtError(Exception):
    """A mistake in a palette or picture file; the message says where."""


def where(path, line=None):
    name = os.path.relpath(path)
    return name if line is None else f"{name}:{line}"


# ---------------------------------------------------------------------------
# reading
# ---------------------------------------------------------------------------

def read_palettes(path):
    """{palette name: {character: (r, g, b)}} from the palette file."""
    palettes, current = {}, None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            at = where(path, number)
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            if line.startswith("[") and line.endswith("]"):
                name = line[1:-1].strip()
                if name in palettes:
                    raise ArtError(f"{at}: palette [{name}] is defined twice")
                current = palettes[name] = {}
                continue
            if current is None:
                raise ArtError(f"{at}: a colour before the first [palette] line")
            fields = line.split(None, 4)
            if len(fields) < 5:
                raise ArtError(f"{at}: expected 'character red green blue what-it-is'")
            char, red, green, blue, _what = fields
            if len(char) != 1 or char == ".":
                raise ArtError(f"{at}: {char!r} is not one character other than '.'")
            if char in current:
                raise ArtError(f"{at}: {char!r} is defined twice in this palette")
            try:
                rgb = tuple(int(v) for v in (red, green, blue))
            except ValueError:
                rgb = ()
            if len(rgb) != 3 or not all(0 <= v <= 255 for v in rgb):
                raise ArtError(f"{at}: red, green and blue must be numbers from 0 to 255")
            current[char] = rgb
    return palettes


def parse_header(path, header, palettes):
    """The picture's settings from its {key: (line number, text)} header."""
    for key in KEYS:
        if key not in header:
            raise ArtError(f"{where(path)}: no '{key}:' line")

    number, text = header["palettes"]
    colours, source = {".": BLACK}, {}
    for name in (n.strip() for n in text.split(",")):
        if name not in palettes:
            raise ArtError(f"{where(path, number)}: no palette [{name}] in {where(PALETTES)}")
        for char, rgb in palettes[name].items():
            if char in source:
                raise ArtError(f"{where(path, number)}: {char!r} is in both "
                               f"[{source[char]}] and [{name}]")
            source[char] = name
            colours[char] = rgb

    number, text = header["size"]
    m = re.fullmatch(r"(\d+)\s*x\s*(\d+)", text)
    if not m:
        raise ArtError(f"{where(path, number)}: size must read 'WIDTH x HEIGHT'")
    size = (int(m[1]), int(m[2]))

    number, text = header["figure"]
    m = re.fullmatch(r"columns (\d+)-(\d+), rows (\d+)-(\d+)", text)
    if not m:
        raise ArtError(f"{where(path, number)}: figure must read 'columns A-B, rows C-D'")
    figure = (int(m[1]), int(m[2]), int(m[3]), int(m[4]))

    number, text = header["png"]
    if text not in ("rgb", "palette"):
        raise ArtError(f"{where(path, number)}: png must be 'rgb' or 'palette'")

    return {"colours": colours, "size": size, "figure": figure, "png": text}


def read_picture(path, palettes):
    """One picture file, checked: {"colours", "size", "figure", "png", "rows"}."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    header, number = {}, 0
    for number, line in enumerate(lines, 1):
        if line == "":
            break
        if line.startswith("#"):
            continue
        key, colon, text = line.partition(":")
        if not colon or key not in KEYS:
            raise ArtError(f"{where(path, number)}: expected one of "
                           + ", ".join(k + ":" for k in KEYS))
        if key in header:
            raise ArtError(f"{where(path, number)}: a second '{key}:' line")
        header[key] = (number, text.strip())
    else:
        raise ArtError(f"{where(path)}: no blank line before the rows")
    pic = parse_header(path, header, palettes)
    pic["rows"] = lines[number:]
    pic["first_row_line"] = number + 1
    check(path, pic)
    return pic


# ---------------------------------------------------------------------------
# checking
# ---------------------------------------------------------------------------

def check(path, pic):
    """Raise ArtError unless the rows match the picture's header."""
    width, height = pic["size"]
    rows, colours = pic["rows"], pic["colours"]
    if len(rows) != height:
        raise ArtError(f"{where(path)}: {len(rows)} rows drawn, size says {height}")
    xs, ys = [], []
    for y, row in enumerate(rows):
        at = where(path, pic["first_row_line"] + y)
        if len(row) != width:
            raise ArtError(f"{at}: row is {len(row)} pixels wide, size says {width}")
        for x, char in enumerate(row):
            if char not in colours:
                raise ArtError(f"{at}: {char!r} in column {x} is in none of its palettes")
            if colours[char] != BLACK:
                xs.append(x)
                ys.append(y)
    if not xs:
        raise ArtError(f"{where(path)}: the picture is all black")
    got = (min(xs), max(xs), min(ys), max(ys))
    if got != pic["figure"]:
        raise ArtError(f"{where(path)}: the figure occupies columns %d-%d, rows %d-%d; "
                       "its header says columns %d-%d, rows %d-%d" % (got + pic["figure"]))
    if pic["png"] == "palette":
        used = {colours[char] for row in rows for char in row}
        if len(used) > 16:
            raise ArtError(f"{where(path)}: {len(used)} colours, at most 16 fit a 4-bit palette")


# ---------------------------------------------------------------------------
# pictures
# ---------------------------------------------------------------------------

def image(pic):
    """The picture as a Pillow image: RGB, or a palette image for "png: palette"."""
    pixels = [pic["colours"][char] for row in pic["rows"] for char in row]
    if pic["png"] == "rgb":
        im = Image.new("RGB", pic["size"])
        im.putdata(pixels)
        return im
    order = list(dict.fromkeys(pixels))  # colours in the order they first appear
    index = {rgb: i for i, rgb in enumerate(order)}
    im = Image.new("P", pic["size"])
    im.putpalette([v for rgb in order for v in rgb])
    im.putdata([index[rgb] for rgb in pixels])
    return im


def save(im, path):
    if im.mode == "P":
        im.save(path, bits=4, compress_level=9)  # a 16-entry palette, 4 bits a pixel
    else:
        im.save(path, compress_level=9)


def preview(images, path, scale=8, gap=2, max_width=1600):
    """All pictures at `scale`x, side by side (wrapping), on dark grey."""
    big = [im.convert("RGB").resize((im.width * scale, im.height * scale), Image.NEAREST)
           for im in images]
    margin = gap * scale
    lines, line, width = [], [], margin
    for im in big:
        if line and width + im.width + margin > max_width:
            lines.append(line)
            line, width = [], margin
        line.append(im)
        width += im.width + margin
    lines.append(line)
    sheet_w = max(margin + sum(im.width + margin for im in ln) for ln in lines)
    sheet_h = margin + sum(max(im.height for im in ln) + margin for ln in lines)
    sheet = Image.new("RGB", (sheet_w, sheet_h), (48, 48, 52))
    top = margin
    for ln in lines:
        left = margin
        for im in ln:
            sheet.paste(im, (left, top))
            left += im.width + margin
        top += max(im.height for im in ln) + margin
    sheet.save(path)


# ---------------------------------------------------------------------------

def main(argv):
    if argv and not (len(argv) == 2 and argv[0] == "--preview"):
        print("usage: make_pictures.py [--preview SHEET.png]", file=sys.stderr)
        return 2
    try:
        palettes = read_palettes(PALETTES)
        names = sorted(f[:-4] for f in os.listdir(ART)
                       if f.endswith(".txt") and f != "palettes.txt")
        pictures = {n: read_picture(os.path.join(ART, n + ".txt"), palettes) for n in names}
    except (ArtError, OSError, UnicodeDecodeError) as e:
        print(f"make_pictures.py: {e}", file=sys.stderr)
        return 1
    images = {name: image(pic) for name, pic in pictures.items()}
    try:
        if argv:
            preview(images.values(), argv[1])
            print("preview written to", argv[1])
            return 0
        for name, im in images.items():
            save(im, os.path.join(HERE, name + ".png"))
            print("wrote", name + ".png")
    except (OSError, ValueError) as e:
        print(f"make_pictures.py: cannot write: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
