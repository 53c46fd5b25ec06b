#!/usr/bin/env python3
"""The pictures the Explorer handler tests compare with: sample and random
.nfo files, and what tavelin-render makes of them (thumbnails at several
sizes and colours, views scrolled as the preview test scrolls), as PPM files
listed in cases.txt.  Usage: make_cases.py TAVELIN_RENDER EXAMPLES_DIR OUT_DIR"""
import os
import random
import struct
import subprocess
import sys

render, examples, out = sys.argv[1:4]
os.makedirs(out, exist_ok=True)
rng = random.Random(17)
ART = bytes(range(0xB0, 0xE0)) + b" .:-=+*#@|/\\_" + bytes(range(0x41, 0x5B))


def random_line(widest):
    row = bytes(rng.choice(ART) for _ in range(rng.randint(0, widest)))
    return row + b"\t" + row[:3] if rng.random() < 0.1 else row


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
    inputs.append(name)


def ppm(png, name):
    subprocess.run(["convert", png, "-depth", "8", "ppm:" + os.path.join(out, name)], check=True)
    os.remove(png)


inputs = []
for name in sorted(os.listdir(examples)):
    with open(os.path.join(examples, name), "rb") as f:
        write(name, f.read())
shapes = [(1, 3), (5, 40), (40, 80), (300, 79), (60, 200), (2, 1000), (900, 30)]
for i, (lines, widest) in enumerate(shapes):
    write("random%d.nfo" % i, b"".join(random_line(widest) + b"\r\n" for _ in range(lines)))
write("utf8.nfo", "\u2588\u2592\u2591\u2593\u2500\u2550 \u00e9l\u00e8ve\n".encode() * 20)

cases = []
sizes = [32, 96, 128, 256, 1024]
for i, name in enumerate(inputs):
    for size in (sizes[i % 5], sizes[(i + 2) % 5]):
        colors = ["-", "-"] if (i + size) % 3 else ["%06X" % rng.randrange(1 << 24) for _ in range(2)]
        expected = "%s.%d.ppm" % (name, size)
        png = os.path.join(out, "out.png")
        extra = [] if colors[0] == "-" else ["--fg", colors[0], "--bg", colors[1]]
        subprocess.run([render, "-q"] + extra + ["--thumbnail", str(size), os.path.join(out, name), png], check=True)
        ppm(png, expected)
        cases.append("thumb %s %d %s %s %s" % (name, size, colors[0], colors[1], expected))

# ANSI art that only its name makes ANSI art (one colour sequence), 150
# columns of it by the SAUCE record (ASCII, 160 columns) behind the 64 KiB
# that a thumbnail reads.
art = b"\x1b[1;33;44m" + b"".join(bytes(rng.choice(ART) for _ in range(150)) + b"\r\n" for _ in range(500))
with open(os.path.join(out, "wide.ans"), "wb") as f:
    f.write(art + b"\x1aSAUCE00" + b" " * 83 + struct.pack("<IBBH", len(art), 1, 0, 160) + b"\0" * 30)
subprocess.run([render, "-q", "--thumbnail", "256", os.path.join(out, "wide.ans"), os.path.join(out, "out.png")],
               check=True)
ppm(os.path.join(out, "out.png"), "wide.ans.256.ppm")
cases.append("ansi wide.ans 256 wide.ans.256.ppm")

# The preview test's steps, in its order: the start, 3 lines down, 2 wheel
# notches down, a page down, a drag of 40 window pixels up, the pane made
# 100 window pixels lower, a line in twelve touchpad deltas of 10; in a pane of 400 x 300 window pixels at 96 DPI
# ("view") and at 192 ("view2", every logical pixel a 2 x 2 block).
for kind, scale in (("view", 1), ("view2", 2)):
    width, height = 400 // scale, 300 // scale
    page = 16 * (height // 16) - 16
    at = 0
    for step, moved in (("start", 0), ("down3", 48), ("wheel2", 32), ("pagedown", page), ("drag40", 40 // scale),
                        ("lower", 0), ("touchpad1", 16)):
        at += moved
        if step == "lower":
            height -= 100 // scale
        expected = "%s.%s.ppm" % (kind, step)
        png = os.path.join(out, "out.png")
        subprocess.run([render, "-q", "--view", "%dx%d" % (width, height), "--at", str(at), "--scale", str(scale),
                        os.path.join(out, "random4.nfo"), "-o", png], check=True)
        ppm(png, expected)
        cases.append("%s random4.nfo %d %d %s %s" % (kind, width * scale, height * scale, step, expected))

with open(os.path.join(out, "cases.txt"), "w") as f:
    f.write("\n".join(cases) + "\n")
