#!/usr/bin/env python3
"""Writes a C++ source that embeds files as the table of EmbeddedResources.h.

Usage: embed_resources.py --output FILE.cpp INPUT...

Each input becomes one entry: its name is the upper-cased file name between double quotes, its
type the upper-cased extension. Only the standard library is used, so any Python 3 builds it.
"""

import argparse
import os
import sys

ALLOWED_TYPES = ("PNG", "JPG", "TTF")


def literal_lines(data, width=96):
    """The bytes as C string-literal lines. Octal escapes are always three digits, so a digit that
    follows one can never be taken as part of it."""
    line = []
    length = 0
    for b in data:
        if 0x20 <= b < 0x7F and b not in (0x22, 0x5C, 0x3F):  # not ", \ or ? (no trigraphs)
            piece = chr(b)
        else:
            piece = "\\%03o" % b
        line.append(piece)
        length += len(piece)
        if length >= width:
            yield '"%s"' % "".join(line)
            line, length = [], 0
    if line or not data:
        yield '"%s"' % "".join(line)


def c_string(text):
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


def main(argv):
    parser = argparse.ArgumentParser(description="Embeds files into a C++ resource table.")
    parser.add_argument("--output", required=True)
    parser.add_argument("inputs", nargs="+")
    args = parser.parse_args(argv)

    entries = {}
    for path in args.inputs:
        base = os.path.basename(path)
        stem, ext = os.path.splitext(base)
        kind = ext[1:].upper()
        if not stem or kind not in ALLOWED_TYPES:
            print("embed_resources: %s: not a PNG, JPG or TTF file" % path, file=sys.stderr)
            return 1
        name = base.upper()
        if name in entries:
            print("embed_resources: %s: a resource named %s is already embedded" % (path, name),
                  file=sys.stderr)
            return 1
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            print("embed_resources: %s: %s" % (path, e.strerror), file=sys.stderr)
            return 1
        entries[name] = (kind, data)

    out = ["// Generated at build time by tools/embed_resources.py; do not edit.",
           '#include "EmbeddedResources.h"',
           "",
           "namespace lumen::canvas {",
           "",
           "namespace {",
           ""]
    names = sorted(entries)
    for i, name in enumerate(names):
        kind, data = entries[name]
        out.append("// %s, %d bytes" % (name, len(data)))
        out.append("const unsigned char kResource%d[] =" % i)
        out.extend("    " + line for line in literal_lines(data))
        out[-1] += ";"
        out.append("")
    out.append("const EmbeddedResource kTable[] = {")
    for i, name in enumerate(names):
        kind, data = entries[name]
        out.append("    {%s, %s, kResource%d, %d}," % (c_string('"' + name + '"'), c_string(kind),
                                                       i, len(data)))
    out.append("};")
    out.append("")
    out.append("}  // namespace")
    out.append("")
    out.append("std::span<const EmbeddedResource> EmbeddedResources() { return kTable; }")
    out.append("")
    out.append("}  // namespace lumen::canvas")
    text = "\n".join(out) + "\n"

    tmp = args.output + ".tmp"
    with open(tmp, "w", encoding="ascii") as f:
        f.write(text)
    os.replace(tmp, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
