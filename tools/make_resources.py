#!/usr/bin/env python3
"""Turns the text drawings under resources/art into the binary icon, cursor
and bitmap files that the resource script includes.

Usage: make_resources.py ART_DIR OUT_DIR

Each drawing is a text file:

    # comments
    kind icon | cursor | bitmap
    size WIDTH HEIGHT
    hotspot X Y                 (cursors only, from the top-left corner)
    legend CHAR COLOUR          (one per character used in the pixels)
    pixels
    <HEIGHT rows of WIDTH characters, top row first>

Colours: icons name one of the 16 standard palette colours or "transparent";
cursors use "black", "white" or "transparent"; bitmaps give "#RRGGBB".

Output (standard library only, little-endian throughout):
  app.ico, doc.ico         4 bpp, standard 16-colour palette, XOR + AND mask
  hand_open.cur, hand_grab.cur, updown.cur
                           1 bpp, hot spot in the directory entry
  about.bmp                8 bpp, 256-entry colour table, uncompressed, bottom-up
"""
import os
import struct
import sys

# The standard 16-colour palette in its usual order, as (red, green, blue).
STANDARD_PALETTE = [
    ("black", (0x00, 0x00, 0x00)),
    ("maroon", (0x80, 0x00, 0x00)),
    ("green", (0x00, 0x80, 0x00)),
    ("olive", (0x80, 0x80, 0x00)),
    ("navy", (0x00, 0x00, 0x80)),
    ("purple", (0x80, 0x00, 0x80)),
    ("teal", (0x00, 0x80, 0x80)),
    ("silver", (0xC0, 0xC0, 0xC0)),
    ("grey", (0x80, 0x80, 0x80)),
    ("red", (0xFF, 0x00, 0x00)),
    ("lime", (0x00, 0xFF, 0x00)),
    ("yellow", (0xFF, 0xFF, 0x00)),
    ("blue", (0x00, 0x00, 0xFF)),
    ("fuchsia", (0xFF, 0x00, 0xFF)),
    ("aqua", (0x00, 0xFF, 0xFF)),
    ("white", (0xFF, 0xFF, 0xFF)),
]
PALETTE_INDEX = {name: i for i, (name, _) in enumerate(STANDARD_PALETTE)}
TRANSPARENT = "transparent"

# Which drawing becomes which output file.
OUTPUTS = [
    ("app_icon.txt", "app.ico"),
    ("doc_icon.txt", "doc.ico"),
    ("hand_open.txt", "hand_open.cur"),
    ("hand_grab.txt", "hand_grab.cur"),
    ("updown.txt", "updown.cur"),
    ("about.txt", "about.bmp"),
]


class ArtError(Exception):
    pass


class Drawing:
    def __init__(self):
        self.kind = None
        self.width = self.height = None
        self.hotspot = None
        self.legend = {}
        self.rows = []


def parse_drawing(path):
    """Reads one drawing file and checks it against its own header."""
    d = Drawing()
    in_pixels = False
    with open(path, encoding="ascii") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\r\n")
            where = "%s:%d" % (path, number)
            if in_pixels:
                if line.strip():
                    d.rows.append(line)
                continue
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            words = line.split()
            if words[0] == "kind" and len(words) == 2:
                d.kind = words[1]
            elif words[0] == "size" and len(words) == 3:
                d.width, d.height = int(words[1]), int(words[2])
            elif words[0] == "hotspot" and len(words) == 3:
                d.hotspot = (int(words[1]), int(words[2]))
            elif words[0] == "legend" and len(words) == 3 and len(words[1]) == 1:
                d.legend[words[1]] = words[2]
            elif words[0] == "pixels" and len(words) == 1:
                in_pixels = True
            else:
                raise ArtError("%s: cannot read %r" % (where, line))
    check_drawing(path, d)
    return d


def check_drawing(path, d):
    if d.kind not in ("icon", "cursor", "bitmap"):
        raise ArtError("%s: kind must be icon, cursor or bitmap" % path)
    if not d.width or not d.height:
        raise ArtError("%s: size missing" % path)
    if len(d.rows) != d.height:
        raise ArtError("%s: %d pixel rows, expected %d" % (path, len(d.rows), d.height))
    for y, row in enumerate(d.rows):
        if len(row) != d.width:
            raise ArtError("%s: row %d has %d pixels, expected %d" % (path, y, len(row), d.width))
        for ch in row:
            if ch not in d.legend:
                raise ArtError("%s: row %d uses %r, which the legend lacks" % (path, y, ch))
    if d.kind == "cursor":
        if d.hotspot is None:
            raise ArtError("%s: a cursor needs a hotspot" % path)
        x, y = d.hotspot
        if not (0 <= x < d.width and 0 <= y < d.height):
            raise ArtError("%s: hot spot outside the image" % path)
    if d.kind in ("icon", "cursor") and (d.width > 256 or d.height > 256):
        raise ArtError("%s: icons and cursors are at most 256 pixels" % path)


def row_stride(width, bits):
    """Bytes per stored row: rows of a DIB are padded to 4 bytes."""
    return ((width * bits + 31) // 32) * 4


def pack_rows(indices, width, bits):
    """Packs rows of pixel values (top row first) into DIB rows, bottom-up."""
    out = bytearray()
    stride = row_stride(width, bits)
    for row in reversed(indices):
        packed = bytearray(stride)
        for x, value in enumerate(row):
            bit = x * bits
            shift = 8 - bits - (bit % 8)
            packed[bit // 8] |= (value & ((1 << bits) - 1)) << shift
        out += packed
    return bytes(out)


def info_header(width, height, bits, image_size, colours_used=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                       image_size, 0, 0, colours_used, 0)


def rgb_quads(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)


def icon_image(d):
    """The DIB of one icon: 4 bpp XOR image on the standard palette, then the AND mask."""
    xor_rows, and_rows = [], []
    for row in d.rows:
        xs, ands = [], []
        for ch in row:
            name = d.legend[ch]
            if name == TRANSPARENT:
                xs.append(0)
                ands.append(1)
            elif name in PALETTE_INDEX:
                xs.append(PALETTE_INDEX[name])
                ands.append(0)
            else:
                raise ArtError("icon colour %r is not a standard palette colour" % name)
        xor_rows.append(xs)
        and_rows.append(ands)
    return masked_image(d, 4, [c for _, c in STANDARD_PALETTE], xor_rows, and_rows)


def cursor_image(d):
    """The DIB of one cursor: 1 bpp XOR image (black, white), then the AND mask."""
    values = {"black": (0, 0), "white": (1, 0), TRANSPARENT: (0, 1)}
    xor_rows, and_rows = [], []
    for row in d.rows:
        xs, ands = [], []
        for ch in row:
            name = d.legend[ch]
            if name not in values:
                raise ArtError("cursor colour %r is not black, white or transparent" % name)
            xs.append(values[name][0])
            ands.append(values[name][1])
        xor_rows.append(xs)
        and_rows.append(ands)
    return masked_image(d, 1, [(0, 0, 0), (0xFF, 0xFF, 0xFF)], xor_rows, and_rows)


def masked_image(d, bits, palette, xor_rows, and_rows):
    xor_bits = pack_rows(xor_rows, d.width, bits)
    and_bits = pack_rows(and_rows, d.width, 1)
    # The height in the header counts both masks, hence twice the image height.
    header = info_header(d.width, d.height * 2, bits, len(xor_bits) + len(and_bits))
    return header + rgb_quads(palette) + xor_bits + and_bits


def directory_file(d, image, resource_type):
    """An .ico (type 1) or .cur (type 2) file holding one image."""
    size_byte = lambda n: 0 if n == 256 else n
    if resource_type == 1:
        colours, field1, field2 = 16, 1, 4          # planes, bits per pixel
    else:
        colours, field1, field2 = 2, d.hotspot[0], d.hotspot[1]
    header = struct.pack("<HHH", 0, resource_type, 1)
    entry = struct.pack("<BBBBHHII", size_byte(d.width), size_byte(d.height), colours, 0,
                        field1, field2, len(image), 6 + 16)
    return header + entry + image


def bitmap_file(d):
    """A .bmp file: 8 bpp, the legend's colours first in a 256-entry table."""
    colours = []
    index = {}
    for ch, value in d.legend.items():
        if len(value) != 7 or not value.startswith("#"):
            raise ArtError("bitmap colour %r is not #RRGGBB" % value)
        rgb = tuple(int(value[i:i + 2], 16) for i in (1, 3, 5))
        index[ch] = len(colours)
        colours.append(rgb)
    if len(colours) > 256:
        raise ArtError("a bitmap holds at most 256 colours")
    colours += [(0, 0, 0)] * (256 - len(colours))
    pixels = pack_rows([[index[ch] for ch in row] for row in d.rows], d.width, 8)
    table = rgb_quads(colours)
    offset = 14 + 40 + len(table)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + info_header(d.width, d.height, 8, len(pixels), 256) + table + pixels


def convert(d):
    if d.kind == "icon":
        return directory_file(d, icon_image(d), 1)
    if d.kind == "cursor":
        return directory_file(d, cursor_image(d), 2)
    return bitmap_file(d)


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_resources.py ART_DIR OUT_DIR\n")
        return 2
    art_dir, out_dir = argv[1], argv[2]
    os.makedirs(out_dir, exist_ok=True)
    try:
        for source, target in OUTPUTS:
            data = convert(parse_drawing(os.path.join(art_dir, source)))
            write_if_changed(os.path.join(out_dir, target), data)
    except (ArtError, ValueError, OSError) as error:
        sys.stderr.write("make_resources: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
