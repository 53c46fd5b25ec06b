#!/usr/bin/env python3
"""Reads the manifest and the version resource back from the built program
file: the user's own rights, the UTF-8 code page, per-monitor DPI awareness,
common controls 6, and the version of the file VERSION in the manifest, the
fixed numbers and the strings. Usage: check-program-resources.py EXE VERSION_FILE
"""
import re
import struct
import sys
import xml.etree.ElementTree as ET


def faults(image, version):
    numbers = [int(p) for p in version.split(".")] + [0] * (4 - version.count(".") - 1)
    found = re.search(rb"<\?xml.*?</assembly>", image, re.S)
    if not found:
        return ["no manifest"]
    root = ET.fromstring(found.group(0))
    text = {e.tag.split("}")[1]: (e.text or "").strip() for e in root.iter()}
    attributes = [e.attrib for e in root.iter() if e.tag.endswith("}assemblyIdentity")]
    wanted = [
        ("asInvoker" in [e.get("level") for e in root.iter()], "execution level asInvoker"),
        (text.get("activeCodePage") == "UTF-8", "active code page UTF-8"),
        (text.get("dpiAwareness") == "PerMonitorV2, PerMonitor" and text.get("dpiAware") == "true/pm",
         "per-monitor DPI awareness"),
        (len([e for e in root.iter() if e.tag.endswith("}supportedOS")]) == 5, "Windows Vista to 11"),
        ({"name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0"}.items() <= attributes[-1].items(),
         "common controls 6"),
        (attributes[0].get("version") == ".".join(map(str, numbers)), "assembly version " + version),
    ]
    fixed = image.find(struct.pack("<I", 0xFEEF04BD))
    pair = (numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
    wanted.append((fixed > 0 and struct.unpack_from("<4I", image, fixed + 8) == pair * 2,
                   "fixed file and product version " + version))
    for key, value in (("FileVersion", version), ("ProductVersion", version), ("ProductName", "Tavelin")):
        entry = re.escape(key.encode("utf-16-le")) + rb"\0\0(?:\0\0)?" + re.escape(value.encode("utf-16-le")) + rb"\0\0"
        wanted.append((re.search(entry, image) is not None, "%s %s" % (key, value)))
    return ["not " + what for ok, what in wanted if not ok]


def main(argv):
    version = open(argv[2]).read().strip()
    try:
        found = faults(open(argv[1], "rb").read(), version)
    except (ET.ParseError, IndexError, ValueError, OSError) as error:
        found = ["unreadable: %s" % error]
    for fault in found:
        print("program resources: " + fault, file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
