#!/usr/bin/env python3
"""Finds the regions of one colour on a screenshot: the game's blocks and buttons, which the
installed-game test clicks and drags like a player.
    screen_regions.py PICTURE.png RED GREEN BLUE MIN-SIZE
prints "left top width height" per connected region of exactly that colour whose width and
height are both at least MIN-SIZE, top to bottom, then left to right."""
import sys

from PIL import Image


def regions(picture, colour, min_size):
    image = picture.convert("RGB")
    width, height = image.size
    pixels = image.load()
    seen = bytearray(width * height)
    found = []
    for y in range(height):
        for x in range(width):
            if seen[y * width + x] or pixels[x, y] != colour:
                continue
            stack = [(x, y)]
            seen[y * width + x] = 1
            left, top, right, bottom = x, y, x, y
            while stack:
                px, py = stack.pop()
                left, top = min(left, px), min(top, py)
                right, bottom = max(right, px), max(bottom, py)
                for nx, ny in ((px + 1, py), (px - 1, py), (px, py + 1), (px, py - 1)):
                    if 0 <= nx < width and 0 <= ny < height and not seen[ny * width + nx] \
                            and pixels[nx, ny] == colour:
                        seen[ny * width + nx] = 1
                        stack.append((nx, ny))
            if right - left + 1 >= min_size and bottom - top + 1 >= min_size:
                found.append((left, top, right - left + 1, bottom - top + 1))
    return sorted(found, key=lambda r: (r[1], r[0]))


def main():
    path, red, green, blue, min_size = sys.argv[1:6]
    for region in regions(Image.open(path), (int(red), int(green), int(blue)), int(min_size)):
        print(*region)


if __name__ == "__main__":
    main()
