#!/usr/bin/env python3
"""Reads the manifest and the version resource back from the built program:
the user's own rights, the UTF-8 code page, and the version of the file
VERSION in the manifest, the fixed numbers and the version strings.
Usage: check-program-resources.py EXE VERSION_FILE
"""
import re
import struct
import sys
import xml.etree.ElementTree as ET


def faults(image, version):
    numbers = [int(p) for p in version.split(".")] + [0] * (3 - version.count("."))
    manifest = re.search(rb"<\?xml.*?</assembly>", image, re.S)
    if not manifest:
        return ["no manifest"]
    elements = list(ET.fromstring(manifest.group(0)).iter())
    fixed = image.find(struct.pack("<I", 0xFEEF04BD))
    pair = (numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
    checks = {
        "asInvoker": any(e.get("level") == "asInvoker" for e in elements),
        "activeCodePage UTF-8": any(e.tag.endswith("}activeCodePage") and e.text == "UTF-8" for e in elements),
        "assembly version " + version: elements[1].get("version") == ".".join(map(str, numbers)),
        "fixed versions " + version: fixed > 0 and struct.unpack_from("<4I", image, fixed + 8) == pair * 2,
    }
    for key in ("FileVersion", "ProductVersion"):
        text = [re.escape((t + "\0").encode("utf-16-le")) for t in (key, version)]
        checks[key + " " + version] = re.search(text[0] + rb"(?:\0\0)?" + text[1], image) is not None
    return ["no " + what for what, ok in checks.items() if not ok]


if __name__ == "__main__":
    found = faults(open(sys.argv[1], "rb").read(), open(sys.argv[2]).read().strip())
    for fault in found:
        print("program resources: " + fault, file=sys.stderr)
    sys.exit(1 if found else 0)
