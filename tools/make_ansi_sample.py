#!/usr/bin/env python3
"""Writes examples/welcome.ans, the ANSI art sample: what the viewer draws of
ANSI art (the 16 colours, bright backgrounds, 24-bit colours, forward moves,
line-drawing and shading glyphs), made from this text so it can be reviewed
and changed as text. Run from the repository's root."""

E = "\x1b["
WIDTH = 78     # rows narrower than the 80 columns, so none wraps before its CR LF


def sgr(*codes):
    return E + ";".join(str(c) for c in codes) + "m"


def line(text=""):
    return text + sgr(0) + "\r\n"


def framed(text, fore=37, bold=False):
    inner = text.center(WIDTH - 4)
    return line(sgr(0, 1, 36, 44) + " \xb3" + sgr(0, 1 if bold else 22, fore, 44) + inner + sgr(0, 1, 36, 44) + "\xb3 ")


def main():
    out = []
    out.append(line(sgr(0, 1, 36, 44) + " \xda" + "\xc4" * (WIDTH - 4) + "\xbf "))
    out.append(framed("T A V E L I N", 33, True))
    out.append(framed("ANSI art, in colour, in every program", 36))
    out.append(line(sgr(0, 1, 36, 44) + " \xc0" + "\xc4" * (WIDTH - 4) + "\xd9 "))
    out.append(line())
    # The sixteen colours as shaded bars.
    bars = ""
    for colour in range(16):
        bars += sgr(0, 1 if colour >= 8 else 22, 30 + colour % 8) + "\xdb\xb2\xb1\xb0"
    out.append(line(E + "7C" + bars))
    out.append(line())
    # A 24-bit gradient under text (the `t` form an editor writes after the VGA colour).
    gradient = ""
    for x in range(WIDTH):
        r, g, b = 255 * x // (WIDTH - 1), 80 + 100 * x // WIDTH, 255 - 255 * x // (WIDTH - 1)
        gradient += sgr(40) + E + "0;%d;%d;%dt" % (r, g, b) + " "
    out.append(gradient + sgr(0) + "\r\n")
    out.append(line())
    # Blocks and half blocks, with forward moves for the runs of blanks.
    for row in range(5):
        text = E + "%dC" % (4 + 2 * row)
        for k in range(6):
            text += sgr(0, 1, 31 + (row + k) % 6, 40 + (k + 2) % 8) + "\xdc\xdf\xdb\xdb" + E + "2C"
        out.append(line(text))
    out.append(line())
    out.append(line(sgr(0, 37) + "  Scroll: " + sgr(1, 33) + "SPACE" + sgr(0, 37) + ", the wheel, the arrows, a drag"
                    + " or the middle button."))
    out.append(line(sgr(0, 37) + "  Copy: " + sgr(1, 33) + "the right button" + sgr(0, 37)
                    + " selects cells, their glyphs go to the clipboard."))
    # Two blank rows (a space touches a row), so the fade at the bottom of
    # a fitted window falls on them rather than on the text.
    out.append(line(" "))
    out.append(line(" "))
    with open("examples/welcome.ans", "wb") as f:
        f.write("".join(out).encode("latin-1"))


if __name__ == "__main__":
    main()
