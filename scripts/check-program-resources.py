#!/usr/bin/env python3
"""Reads the manifest and the version resource back from the built program
file and checks what Windows takes from them: the user's own rights, the
UTF-8 code page, per-monitor DPI awareness, common controls 6, and a version
equal to the file VERSION in the manifest, the fixed numbers and the strings.

Usage: check-program-resources.py PROGRAM.exe VERSION_FILE
Prints one line per fault and exits 1 when there is any.
"""
import struct
import sys
import xml.etree.ElementTree as ET

RT_VERSION, RT_MANIFEST = 16, 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"


def resources(image):
    """{(type, id): bytes} of the resource tree's first language of each."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    rva, _ = struct.unpack_from("<II", image, optional + 96 + 2 * 8)    # data directory 2
    table = optional + optional_size

    def offset(address):
        for i in range(sections):
            size, start, _, raw = struct.unpack_from("<IIII", image, table + 40 * i + 8)
            if start <= address < start + size:
                return address - start + raw
        raise ValueError("address %#x outside every section" % address)

    root = offset(rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", image, root + directory + 12)
        for i in range(named + numbered):
            yield struct.unpack_from("<II", image, root + directory + 16 + 8 * i)

    found = {}
    for kind, to_names in entries(0):
        for name, to_languages in entries(to_names & 0x7FFFFFFF):
            _, leaf = next(entries(to_languages & 0x7FFFFFFF))
            data, size = struct.unpack_from("<II", image, root + leaf)
            found[(kind, name)] = bytes(image[offset(data):offset(data) + size])
    return found


def version_strings(block):
    """The StringFileInfo values of a VS_VERSIONINFO block, as text."""
    values = {}
    def walk(at, end):
        while at + 6 <= end:
            length, value_length, is_text = struct.unpack_from("<HHH", block, at)
            if length == 0:
                break
            key_end = block.index(b"\0\0", at + 6)
            while (key_end - at) % 2:
                key_end = block.index(b"\0\0", key_end + 1)
            key = block[at + 6:key_end].decode("utf-16-le")
            value_at = (key_end + 2 + 3) & ~3
            if is_text and value_length:
                values[key] = block[value_at:value_at + 2 * value_length].decode("utf-16-le").rstrip("\0")
            children = (value_at + (2 * value_length if is_text else value_length) + 3) & ~3
            walk(children, at + length)
            at = (at + length + 3) & ~3
    walk(0, len(block))
    return values


def check(program, version_text):
    faults = []
    parts = [int(p) for p in version_text.split(".")]
    numbers = parts + [0] * (4 - len(parts))
    found = resources(open(program, "rb").read())

    manifest = found.get((RT_MANIFEST, 1))
    if manifest is None:
        return ["no manifest (RT_MANIFEST 1)"]
    root = ET.fromstring(manifest)
    def one(path):
        element = root.find(path)
        return element if element is not None else ET.Element("missing")
    def setting(name):
        for element in root.iter():
            if element.tag.endswith("}" + name):
                return (element.text or "").strip()
        return None
    level = one(ASM_V3 + "trustInfo//" + ASM_V3 + "requestedExecutionLevel").get("level")
    if level != "asInvoker":
        faults.append("manifest: execution level %r, not asInvoker" % level)
    if setting("activeCodePage") != "UTF-8":
        faults.append("manifest: active code page %r, not UTF-8" % setting("activeCodePage"))
    if setting("dpiAwareness") != "PerMonitorV2, PerMonitor" or setting("dpiAware") != "true/pm":
        faults.append("manifest: DPI awareness %r / %r" % (setting("dpiAwareness"), setting("dpiAware")))
    if len(root.findall(".//{urn:schemas-microsoft-com:compatibility.v1}supportedOS")) != 5:
        faults.append("manifest: not five supportedOS entries (Vista to 11)")
    controls = one(ASM_V1 + "dependency/" + ASM_V1 + "dependentAssembly/" + ASM_V1 + "assemblyIdentity")
    if (controls.get("name"), controls.get("version")) != ("Microsoft.Windows.Common-Controls", "6.0.0.0"):
        faults.append("manifest: no dependency on common controls 6")
    identity = one(ASM_V1 + "assemblyIdentity").get("version")
    if identity != ".".join(map(str, numbers)):
        faults.append("manifest: assembly version %r, VERSION is %s" % (identity, version_text))

    block = found.get((RT_VERSION, 1))
    if block is None:
        return faults + ["no version resource (RT_VERSION 1)"]
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", block, fixed + 8)
    want = (numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
    if fixed < 0 or (file_ms, file_ls) != want or (product_ms, product_ls) != want:
        faults.append("version resource: fixed numbers are not %s" % version_text)
    strings = version_strings(block)
    for key, value in (("FileVersion", version_text), ("ProductVersion", version_text),
                       ("ProductName", "Tavelin")):
        if strings.get(key) != value:
            faults.append("version resource: %s is %r, not %r" % (key, strings.get(key), value))
    for key in ("FileDescription", "LegalCopyright"):
        if not strings.get(key):
            faults.append("version resource: no %s" % key)
    return faults


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: check-program-resources.py PROGRAM.exe VERSION_FILE\n")
        return 2
    version_text = open(argv[2]).read().strip()
    try:
        faults = check(argv[1], version_text)
    except (ValueError, struct.error, ET.ParseError, OSError) as error:
        faults = ["cannot read the resources: %s" % error]
    for fault in faults:
        print("program resources: " + fault, file=sys.stderr)
    if not faults:
        print("program resources: manifest and version %s read back" % version_text)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
