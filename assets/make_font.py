#!/usr/bin/python3
"""Zorbly's text font: VL Gothic at 12 px, baked into a 1-bit glyph atlas.

The game prints with glyphs drawn once, here, by FreeType's monochrome
renderer, so that its text is the same pixels on every machine whatever
FreeType or font version it runs with.  Running this script rewrites, next
to itself:

    font.png     the atlas: white glyphs on black, one bit per pixel, a grid
                 of equal cells, 32 to a row, in codepoint order after cell 0
    font_map.h   which cell holds which character, and each cell's advance

    python3 assets/make_font.py                 # from the repository root
    python3 assets/make_font.py --font FILE     # another copy of the font

Needs the Debian packages python3-freetype, python3-pil and fonts-vlgothic.
The output depends only on the font file and FreeType's rendering of it; the
same inputs give byte-identical files.

The glyphs are drawn and placed the way SDL_ttf 2.20 does when it renders
text "solid" at size 12, which is how the game printed before: character
size 12 pt at 72 dpi (12 pixels per em), the font's own hinting for the
normal target, FreeType's monochrome renderer; the baseline sits `ascent`
rows below the top of the line's box and each glyph's ink starts bitmap_left
pixels right of the pen.  The line metrics are worked out as SDL_ttf does,
from the font's scaled ascender, descender and line height.  The cells are
taller than that line box where descenders reach below it, so that no ink
is cut off.
"""

import argparse
import os
import sys

try:
    import freetype
    from PIL import Image
except ImportError:
    # A Python of one's own (pyenv, a venv) first on PATH does not see
    # Debian's packages; the system interpreter does.
    system = "/usr/bin/python3"
    if (os.path.exists(system) and not os.environ.get("ZORBLY_MAKE_FONT_SYSTEM")
            and os.path.realpath(sys.executable) != os.path.realpath(system)):
        os.environ["ZORBLY_MAKE_FONT_SYSTEM"] = "1"
        os.execv(system, [system] + sys.argv)
    sys.exit("make_font.py: needs python3-freetype and python3-pil "
             "(apt-get install python3-freetype python3-pil fonts-vlgothic)")

FONT_FILE = "/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf"
PIXEL_SIZE = 12
COLUMNS = 32

# The characters baked, as inclusive ranges; those the font has no glyph for
# are left out.
RANGES = [
    (0x0020, 0x007E),  # printable ASCII
    (0x3000, 0x3000),  # ideographic space
    (0x3041, 0x309F),  # hiragana
    (0x30A0, 0x30FF),  # katakana, the prolonged sound mark included
    (0xFF01, 0xFFEF),  # halfwidth and fullwidth forms
]

# What the runs in font_map.h hold, for its comments.
BLOCK_NAMES = [
    (0x0020, 0x007E, "printable ASCII"),
    (0x3000, 0x3000, "ideographic space"),
    (0x3041, 0x3096, "hiragana"),
    (0x3099, 0x309F, "kana voicing and iteration marks"),
    (0x30A0, 0x30FF, "katakana"),
    (0xFF01, 0xFF5E, "fullwidth ASCII"),
    (0xFF61, 0xFF9F, "halfwidth punctuation and katakana"),
    (0xFFE0, 0xFFE6, "fullwidth signs"),
    (0xFFE8, 0xFFEE, "halfwidth symbols"),
]

HERE = os.path.dirname(os.path.abspath(__file__))
PNG_OUT = os.path.join(HERE, "font.png")
HEADER_OUT = os.path.join(HERE, "font_map.h")


def mul_fix(a, b):
    """FreeType's FT_MulFix: a * b / 0x10000, rounded half away from zero."""
    sign = -1 if (a < 0) != (b < 0) else 1
    return sign * ((abs(a) * abs(b) + 0x8000) >> 16)


def ceil26_6(x):
    """FT_CEIL: a 26.6 fixed-point value rounded up to whole pixels."""
    return -((-x) // 64)


class Glyph:
    def __init__(self, left, top, width, rows, advance, pixels):
        self.left = left        # ink's left edge, right of the pen
        self.top = top          # ink's top edge, above the baseline
        self.width = width
        self.rows = rows
        self.advance = advance  # whole pixels
        self.pixels = pixels    # rows of 0/1, `width` long


def load_glyph(face, index):
    # SDL_ttf's default ("normal") hinting loads with FT_LOAD_TARGET_NORMAL and
    # only its renderer is monochrome. Loading with FT_LOAD_TARGET_MONO gives
    # the same pixels for every character here, but not for the missing-
    # character box, whose sides it moves a pixel apart.
    face.load_glyph(index, freetype.FT_LOAD_DEFAULT | freetype.FT_LOAD_TARGET_NORMAL)
    slot = face.glyph
    slot.render(freetype.FT_RENDER_MODE_MONO)
    bitmap = slot.bitmap
    if bitmap.pixel_mode != freetype.FT_PIXEL_MODE_MONO:
        raise SystemExit("make_font.py: FreeType gave glyph %d in pixel mode %d, not 1-bit"
                         % (index, bitmap.pixel_mode))
    advance = slot.advance.x
    if advance % 64:
        raise SystemExit("make_font.py: glyph %d advances %d/64 px, not whole pixels"
                         % (index, advance))
    buffer, pitch = bitmap.buffer, bitmap.pitch
    pixels = []
    for y in range(bitmap.rows):
        row = buffer[y * pitch:(y + 1) * pitch]
        pixels.append([(row[x >> 3] >> (7 - (x & 7))) & 1 for x in range(bitmap.width)])
    return Glyph(slot.bitmap_left, slot.bitmap_top, bitmap.width, bitmap.rows,
                 advance // 64, pixels)


def runs_of(codepoints):
    """[(first, last, cell)] for codepoints listed in the order of their cells from 1."""
    runs = []
    for cell, cp in enumerate(codepoints, start=1):
        if runs and runs[-1][1] == cp - 1:
            runs[-1][1] = cp
        else:
            runs.append([cp, cp, cell])
    return [tuple(r) for r in runs]


def run_name(first, last):
    return ", ".join(name for lo, hi, name in BLOCK_NAMES if lo <= last and first <= hi)


def header_text(cell_width, cell_height, line_skip, runs, advances):
    out = []
    w = out.append
    w("#pragma once")
    w("// The font atlas assets/font.png: which cell holds which character, and how")
    w("// far each one moves the pen. Generated by assets/make_font.py from VL Gothic")
    w("// at %d px; run it again rather than editing this file." % PIXEL_SIZE)
    w("")
    w("namespace zorbly::font_map {")
    w("")
    w("inline constexpr int cellWidth = %d;   // pixels" % cell_width)
    w("inline constexpr int cellHeight = %d;  // pixels: the height of a printed line's box"
      % cell_height)
    w("inline constexpr int lineSkip = %d;    // how far the next line starts below this one"
      % line_skip)
    w("inline constexpr int columns = %d;     // cells per row of the atlas" % COLUMNS)
    w("inline constexpr int cellCount = %d;  // cells in the atlas, the box for a missing "
      "character included" % len(advances))
    w("")
    w("// Characters first..last are the cells cell, cell + 1, ... in order. Sorted by first.")
    w("struct Run {")
    w("  char32_t first, last;")
    w("  int cell;")
    w("};")
    w("inline constexpr Run runs[] = {")
    entries = ["    {0x%X, 0x%X, %d}," % run for run in runs]
    width = max(len(e) for e in entries)
    for entry, (first, last, _) in zip(entries, runs):
        name = run_name(first, last)
        w(entry.ljust(width) + "  // " + name if name else entry)
    w("};")
    w("")
    w("// How far each cell moves the pen, in pixels; cell 0 is the box drawn for a")
    w("// character that is not in the atlas.")
    w("inline constexpr unsigned char advance[cellCount] = {")
    w("    %d,  // the box for a missing character" % advances[0])
    for first, last, cell in runs:
        count = last - first + 1
        for start in range(0, count, 16):
            n = min(16, count - start)
            values = ", ".join(str(a) for a in advances[cell + start:cell + start + n])
            span = "U+%04X" % (first + start)
            if n > 1:
                span += "..U+%04X" % (first + start + n - 1)
            w("    %s,  // %s" % (values, span))
    w("};")
    w("")
    w("}  // namespace zorbly::font_map")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--font", default=FONT_FILE, help="the VL Gothic Regular file")
    args = parser.parse_args()
    if not os.path.exists(args.font):
        sys.exit("make_font.py: no font at %s (apt-get install fonts-vlgothic)" % args.font)

    face = freetype.Face(args.font)
    if not face.is_scalable:
        sys.exit("make_font.py: %s is not an outline font" % args.font)
    face.set_char_size(0, PIXEL_SIZE * 64, 0, 0)  # 12 pt at 72 dpi: 12 pixels per em

    # The line box, as SDL_ttf works it out for an outline font.
    y_scale = face.size.y_scale
    ascent = ceil26_6(mul_fix(face.ascender, y_scale))
    descent = ceil26_6(mul_fix(face.descender, y_scale))
    box_height = ceil26_6(mul_fix(face.ascender - face.descender, y_scale))
    line_skip = ceil26_6(mul_fix(face.height, y_scale))

    codepoints, glyphs = [], []
    for lo, hi in RANGES:
        for cp in range(lo, hi + 1):
            index = face.get_char_index(cp)
            if index:
                codepoints.append(cp)
                glyphs.append(load_glyph(face, index))
    # Cell 0: the font's own glyph for a character it lacks, a hollow box.
    missing = load_glyph(face, 0)
    if missing.rows == 0:
        sys.exit("make_font.py: the font's missing-character glyph draws nothing")
    cells = [missing] + glyphs

    # Cells hold the whole ink of every glyph: as wide as the widest advance
    # or ink, and as tall as the line box or the deepest descender.
    cell_width = max(max(g.advance, g.left + g.width) for g in cells)
    cell_height = max([box_height] + [ascent - g.top + g.rows for g in cells if g.rows])
    for cp, g in zip([None] + codepoints, cells):
        if g.rows and (g.left < 0 or ascent - g.top < 0):
            what = "U+%04X" % cp if cp is not None else "the missing-character glyph"
            sys.exit("make_font.py: %s has ink left of the pen or above the line box; "
                     "the atlas cannot hold it" % what)

    rows_of_cells = (len(cells) + COLUMNS - 1) // COLUMNS
    atlas = Image.new("1", (COLUMNS * cell_width, rows_of_cells * cell_height), 0)
    put = atlas.load()
    for n, g in enumerate(cells):
        x0 = (n % COLUMNS) * cell_width + g.left
        y0 = (n // COLUMNS) * cell_height + ascent - g.top
        for y, row in enumerate(g.pixels):
            for x, bit in enumerate(row):
                if bit:
                    put[x0 + x, y0 + y] = 1
    atlas.save(PNG_OUT, format="PNG", optimize=False)

    text = header_text(cell_width, cell_height, line_skip, runs_of(codepoints),
                       [g.advance for g in cells])
    with open(HEADER_OUT, "w", encoding="ascii", newline="\n") as f:
        f.write(text)

    print("make_font.py: %s, FreeType %d.%d.%d: %d cells of %dx%d px "
          "(ascent %d, descent %d, line box %d, line skip %d)"
          % (os.path.basename(args.font), *freetype.version(), len(cells),
             cell_width, cell_height, ascent, descent, box_height, line_skip))


if __name__ == "__main__":
    main()
