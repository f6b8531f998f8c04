#!/usr/bin/env python3
"""Writes a Windows icon file (.ico) holding the given square PNG pictures unchanged, one
entry per size: python3 make_ico.py OUTPUT.ico PICTURE.png..."""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise SystemExit("not a PNG picture")
    return struct.unpack(">II", data[16:24])


def main():
    output, pictures = sys.argv[1], sys.argv[2:]
    images = []
    for path in pictures:
        with open(path, "rb") as picture:
            data = picture.read()
        width, height = png_size(data)
        if width != height or width > 256:
            raise SystemExit(f"{path}: an icon picture is square and at most 256 pixels")
        images.append((width, data))
    # Header, then one 16-byte entry per picture (256 is written as 0), then the pictures.
    offset = 6 + 16 * len(images)
    head = struct.pack("<HHH", 0, 1, len(images))
    entries = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(output, "wb") as ico:
        ico.write(head + entries + b"".join(data for _, data in images))


if __name__ == "__main__":
    main()
