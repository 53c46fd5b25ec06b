#!/usr/bin/env python3
"""Turns the program's two icon drawings under resources/art into the PNG
icons of the Linux desktop, from the same text the resource build reads
(tools/make_resources.py parses them; this only writes another format).

Usage: make_icon_pngs.py ART_DIR OUT_DIR

Writes OUT_DIR/<W>x<H>/tavelin.png for each drawing, where W x H is the
drawing's own size: the 16 x 16 small icon the window shows in its title bar
and the 32 x 32 program icon. 8-bit RGBA, transparent where the drawing is,
standard library only (zlib and struct).
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_resources  # noqa: E402

# The window's small icon and the program icon, as the frame class uses them.
DRAWINGS = ["doc_icon.txt", "app_icon.txt"]
COLOURS = dict(make_resources.STANDARD_PALETTE)


def rgba_rows(d):
    rows = []
    for row in d.rows:
        pixels = bytearray()
        for ch in row:
            name = d.legend[ch]
            if name == make_resources.TRANSPARENT:
                pixels += b"\0\0\0\0"
            elif name in COLOURS:
                pixels += bytes(COLOURS[name]) + b"\xff"
            else:
                raise make_resources.ArtError("icon colour %r is not a standard palette colour" % name)
        rows.append(bytes(pixels))
    return rows


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_file(width, height, rows):
    # Colour type 6 (RGBA), 8 bits per sample; every row with filter 0 (none).
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_icon_pngs.py ART_DIR OUT_DIR\n")
        return 2
    art_dir, out_dir = argv[1], argv[2]
    try:
        for source in DRAWINGS:
            d = make_resources.parse_drawing(os.path.join(art_dir, source))
            if d.kind != "icon":
                raise make_resources.ArtError("%s is not an icon" % source)
            target = os.path.join(out_dir, "%dx%d" % (d.width, d.height))
            os.makedirs(target, exist_ok=True)
            make_resources.write_if_changed(os.path.join(target, "tavelin.png"),
                                            png_file(d.width, d.height, rgba_rows(d)))
    except (make_resources.ArtError, ValueError, OSError) as error:
        sys.stderr.write("make_icon_pngs: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
