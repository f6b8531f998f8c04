#!/usr/bin/env python3
"""Counts the dark pixels (every channel below 96) of a rectangle of a screenshot: the ink of
the black text in a message box, which a letter drawn blank does not add to.
    text_ink.py PICTURE.png LEFT TOP WIDTH HEIGHT"""
import sys

from PIL import Image


def main():
    path, left, top, width, height = sys.argv[1:6]
    left, top, width, height = int(left), int(top), int(width), int(height)
    box = Image.open(path).convert("RGB").crop((left, top, left + width, top + height))
    print(sum(1 for pixel in box.getdata() if max(pixel) < 96))


if __name__ == "__main__":
    main()
