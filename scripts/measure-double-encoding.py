#!/usr/bin/env python3
# Measures the rule for double-encoded art (document/text_encoding.cpp) on two
# sets, through tavelin-render -v: prose that must never be restored (the
# translated manuals, installation guide and program messages Debian ships,
# each page as it is and upper-cased) and generated art of the shapes real
# .nfo files hold, each double-encoded through Windows-1252 and Latin-1, with
# and without a byte order mark, that should come back. Nothing is stored:
# both sets are written to a temporary folder and removed.
#
#   scripts/measure-double-encoding.py [--render build/release/tavelin-render]
#       [--root DIR]...
#
# A root is a folder laid out like / (usr/share/man/<lang>, ...); / is always
# one. Translated manuals not installed can be unpacked into a root with
# `apt-get download manpages-de ... && dpkg -x <deb> ROOT`.
import argparse
import glob
import gzip
import os
import random
import re
import struct
import subprocess
import sys
import tempfile

LANGUAGES = ["ca", "cs", "da", "de", "es", "fi", "fr", "hu", "is", "it", "nb", "nl", "pl", "pt", "pt_BR",
             "ro", "sv", "tr"]
WINDOWS_1252 = [0x20AC, 0x81, 0x201A, 0x192, 0x201E, 0x2026, 0x2020, 0x2021, 0x2C6, 0x2030, 0x160, 0x2039,
                0x152, 0x8D, 0x17D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                0x2DC, 0x2122, 0x161, 0x203A, 0x153, 0x9D, 0x17E, 0x178]
WORDS = [b"release", b"notes", b"of", b"the", b"group", b"install", b"run", b"enjoy", b"greets", b"Name",
         b"Size", b"Date", b"crack", b"supplier", b"Title", b"Info", b"disks"]


def message_strings(path):
    """The translated strings of a .mo file, one after another."""
    data = open(path, "rb").read()
    order = "<" if struct.unpack("<I", data[:4])[0] == 0x950412DE else ">"
    count, translations = struct.unpack(order + "I4xI", data[8:20])
    out = []
    for i in range(1, count):
        length, offset = struct.unpack(order + "2I", data[translations + 8 * i:translations + 8 * i + 8])
        out.append(data[offset:offset + length].replace(b"\0", b"\n"))
    return b"\n".join(out)


def prose_pages(roots):
    for root in roots:
        for lang in LANGUAGES:
            for path in glob.glob(f"{root}/usr/share/man/{lang}/**/*", recursive=True):
                if os.path.isfile(path) and not os.path.islink(path):
                    data = open(path, "rb").read()
                    yield lang, gzip.decompress(data) if path.endswith(".gz") else data
            for path in glob.glob(f"{root}/usr/share/doc/installation-guide-*/{lang}/*.html"):
                yield lang, open(path, "rb").read()
            for path in glob.glob(f"{root}/usr/share/locale/{lang}/LC_MESSAGES/*.mo"):
                yield lang, message_strings(path)


def art(rnd):
    """Art of one of six shapes: block logos with bullets, text in a double
    frame, between single rules; single-line frames broken by titles, bullet
    lists without blocks, title rules over labels against the frame."""
    pick = rnd.randrange
    word = lambda: WORDS[pick(len(WORDS))]
    words = lambda n: b" ".join(word() for _ in range(n))
    rows, against = [], pick(4)      # how many rows of four have a label against the frame
    shape = pick(6)
    if shape == 0:
        rows += [bytes(b"\xDB\xDF\xDC\xDD\xDE\xB0\xB1\xB2 "[pick(9)] for _ in range(20 + pick(50)))
                 for _ in range(4 + pick(10))]
        rows += [b"  \xFE " + words(3 + pick(6)) + b" \xFA\xFA\xFA" for _ in range(3 + pick(20))]
    elif shape == 1:
        rows = [b"\xC9" + b"\xCD" * 60 + b"\xBB"] + [b"\xBA " + words(2 + pick(5)) for _ in range(10 + pick(60))]
        rows.append(b"\xC8" + b"\xCD" * 60 + b"\xBC")
    elif shape == 2:
        rows = [b"\xC4" * 40] + [b"\xB3 " + words(2 + pick(5)) for _ in range(5 + pick(40))] + [b"\xC4" * 40]
    elif shape == 3:
        rows = [b"\xDA\xC4 " + word() + b" \xC4\xC4 " + word() + b" \xC4\xBF"]
        rows += [b"\xB3" + word() + b":  " + word() + b"\xB3" if pick(4) < against else
                 b"\xB3 " + word() + b" \xB3 " + words(1 + pick(3)) + b" \xB3" for _ in range(4 + pick(20))]
        rows.append(b"\xC0\xC4\xD9 " + word() + b" \xC0\xC4\xD9")
    elif shape == 4:
        bullet = b"\xFE\xF9\xFA"[pick(3):][:1]
        rows = [b"\xF9\xFA " + words(2) + b" \xFA\xF9"]
        rows += [b"  " + bullet + (b"" if pick(4) < against else b" ") + words(1 + pick(5))
                 for _ in range(4 + pick(20))]
    else:
        rows = [b"\xC4\xC4\xC4 " + word().upper() + b" \xC4\xC4\xC4"]
        rows += [b"\xBA" + word() + b"\xBA " + words(1 + pick(4)) if pick(4) < against else
                 b"\xFE " + words(1 + pick(4)) for _ in range(4 + pick(20))]
    return shape, b"\r\n".join(rows) + b"\r\n"


def double_encoded(data, latin1):
    return "".join(chr(WINDOWS_1252[b - 0x80]) if not latin1 and 0x80 <= b < 0xA0 else chr(b)
                   for b in data).encode()


def readings(render, paths):
    """How tavelin-render -v read each file, by path."""
    found = {}
    for start in range(0, len(paths), 400):
        run = subprocess.run([render, "-v", "-q", "--text"] + paths[start:start + 400],
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        for line in run.stderr.decode(errors="replace").splitlines():
            match = re.match(r"tavelin-render: (.*) -> .*?, read as (.*)$", line)
            if match:
                found[match.group(1)] = match.group(2)
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--render", default="build/release/tavelin-render")
    parser.add_argument("--root", action="append", default=[])
    parser.add_argument("--art", type=int, default=600, help="art files before encoding")
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        prose, languages = [], set()
        for n, (lang, data) in enumerate(prose_pages(["/"] + options.root)):
            try:
                text = data.decode()
            except UnicodeDecodeError:
                continue
            if max(data, default=0) < 0x80:
                continue
            languages.add(lang)
            for upper, page in ((False, data), (True, text.upper().encode())):
                path = f"{folder}/prose-{lang}-{n}{'-upper' if upper else ''}.txt"
                open(path, "wb").write(page)
                prose.append(path)
        rnd, arts = random.Random(437), []
        for n in range(options.art):
            shape, picture = art(rnd)
            for latin1 in (False, True):
                for mark in (b"", b"\xEF\xBB\xBF"):
                    path = f"{folder}/art-{shape}-{n}-{'latin1' if latin1 else 'w1252'}{'-bom' if mark else ''}.nfo"
                    open(path, "wb").write(mark + double_encoded(picture, latin1))
                    arts.append((shape, path))
        read = readings(options.render, prose + [path for _, path in arts])
    restored = [path for path in prose if "restored" in read.get(path, "")]
    print(f"prose: {len(prose)} pages ({len(prose) // 2} and upper-cased) in {len(languages)} languages, "
          f"{len(restored)} restored")
    for path in restored:
        print("  restored:", os.path.basename(path))
    total = sum("restored" in read.get(path, "") for _, path in arts)
    print(f"art: {total} of {len(arts)} restored")
    for shape in range(6):
        files = [path for s, path in arts if s == shape]
        print(f"  shape {shape}: {sum('restored' in read.get(p, '') for p in files)} of {len(files)}")
    return 1 if restored else 0


if __name__ == "__main__":
    sys.exit(main())
