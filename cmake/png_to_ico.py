#!/usr/bin/env python3
"""Packs PNG renditions of an icon, square, up to 256 pixels, into one Windows
.ico file, each kept as PNG, as Windows since Vista reads them.

usage: png_to_ico.py OUTPUT.ico INPUT.png..."""
import struct
import sys


def size_of(png):
    if png[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("png_to_ico.py: not a PNG file")
    return struct.unpack(">II", png[16:24])  # the IHDR chunk's width and height


def main(output, inputs):
    images = [open(path, "rb").read() for path in inputs]
    header = struct.pack("<HHH", 0, 1, len(images))  # reserved, icon, count
    offset = len(header) + 16 * len(images)
    entries, data = b"", b""
    for png in images:
        width, height = size_of(png)
        # 256 is written as 0; colour count 0, reserved, 1 plane, 32 bits.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(png), offset)
        offset += len(png)
        data += png
    with open(output, "wb") as ico:
        ico.write(header + entries + data)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__.split("usage: ")[1])
    main(sys.argv[1], sys.argv[2:])
