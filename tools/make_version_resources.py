#!/usr/bin/env python3
"""Makes the program's manifest and the header of its version resource from
the text in the repository, so that both carry the version in VERSION.

Usage: make_version_resources.py VERSION_FILE MANIFEST_TEMPLATE OUT_DIR [ARCH]

Writes to OUT_DIR:
  tavelin.manifest   the template with @VERSION@ as four numbers (1.2.3.0) and
                     @ARCH@ as ARCH (x86, the default, or amd64: the loader
                     refuses a manifest naming another architecture than the
                     program's), its comments and the blanks between its tags
                     dropped
  version.h          TAVELIN_VERSION_NUMBERS (1,2,3,0) and TAVELIN_VERSION_TEXT
                     ("1.2.3") for the VERSIONINFO in resources/tavelin.rc

VERSION holds one to four numbers from 0 to 65535 joined by dots.
"""
import os
import re
import sys

from make_resources import write_if_changed


def version_numbers(text):
    text = text.strip()
    parts = text.split(".")
    if not 1 <= len(parts) <= 4 or not all(re.fullmatch(r"[0-9]{1,5}", p) for p in parts):
        raise ValueError("VERSION is not one to four numbers joined by dots: %r" % text)
    numbers = [int(p) for p in parts]
    if max(numbers) > 65535:
        raise ValueError("VERSION has a number above 65535: %r" % text)
    return text, numbers + [0] * (4 - len(numbers))


def compact_manifest(template, numbers, arch="x86"):
    if "@VERSION@" not in template:
        raise ValueError("the manifest template has no @VERSION@")
    text = template.replace("@VERSION@", ".".join(map(str, numbers))).replace("@ARCH@", arch)
    text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
    text = re.sub(r">\s+<", "><", text.strip())
    return re.sub(r"\s+", " ", text)


def main(argv):
    if len(argv) not in (4, 5) or (len(argv) == 5 and argv[4] not in ("x86", "amd64")):
        sys.stderr.write("usage: make_version_resources.py VERSION_FILE MANIFEST_TEMPLATE OUT_DIR [x86|amd64]\n")
        return 2
    try:
        with open(argv[1], encoding="ascii") as f:
            text, numbers = version_numbers(f.read())
        with open(argv[2], encoding="utf-8") as f:
            manifest = compact_manifest(f.read(), numbers, argv[4] if len(argv) == 5 else "x86")
        os.makedirs(argv[3], exist_ok=True)
        write_if_changed(os.path.join(argv[3], "tavelin.manifest"), manifest.encode("utf-8"))
        header = ("// Made by tools/make_version_resources.py from VERSION.\n"
                  "#define TAVELIN_VERSION_NUMBERS %s\n"
                  "#define TAVELIN_VERSION_TEXT \"%s\"\n" % (",".join(map(str, numbers)), text))
        write_if_changed(os.path.join(argv[3], "version.h"), header.encode("ascii"))
    except (ValueError, OSError, UnicodeError) as error:
        sys.stderr.write("make_version_resources: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
