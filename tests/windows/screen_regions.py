#!/usr/bin/env python3
"""Finds the regions of one colour on a screenshot: the game's blocks and buttons, which the
installed-game test clicks and drags like a player.
    screen_regions.py PICTURE.png RED GREEN BLUE MIN-SIZE [TOLERANCE]
prints "left top width height" per connected region of that colour (each channel within
TOLERANCE of it, 0 by default: exactly) whose width and height are both at least MIN-SIZE,
top to bottom, then left to right."""
import sys

from PIL import Image


def matcher(colour, tolerance):
    """Whether a pixel is of the colour; an exact match is the quick one."""
    if tolerance == 0:
        return lambda pixel: pixel == colour
    return lambda pixel: all(abs(a - b) <= tolerance for a, b in zip(pixel, colour))


def region_at(pixels, size, start, matches, seen):
    """The bounding box (left, top, width, height) of the connected pixels that match, around
    start."""
    width, height = size
    stack = [start]
    seen[start[1] * width + start[0]] = 1
    left, top, right, bottom = start[0], start[1], start[0], start[1]
    while stack:
        px, py = stack.pop()
        left, top = min(left, px), min(top, py)
        right, bottom = max(right, px), max(bottom, py)
        for nx, ny in ((px + 1, py), (px - 1, py), (px, py + 1), (px, py - 1)):
            if 0 <= nx < width and 0 <= ny < height and not seen[ny * width + nx] \
                    and matches(pixels[nx, ny]):
                seen[ny * width + nx] = 1
                stack.append((nx, ny))
    return left, top, right - left + 1, bottom - top + 1


def regions(picture, colour, min_size, tolerance=0):
    image = picture.convert("RGB")
    width, height = image.size
    pixels = image.load()
    seen = bytearray(width * height)
    matches = matcher(colour, tolerance)
    found = []
    for y in range(height):
        for x in range(width):
            if seen[y * width + x] or not matches(pixels[x, y]):
                continue
            region = region_at(pixels, image.size, (x, y), matches, seen)
            if region[2] >= min_size and region[3] >= min_size:
                found.append(region)
    return sorted(found, key=lambda r: (r[1], r[0]))


def main():
    path, red, green, blue, min_size = sys.argv[1:6]
    tolerance = int(sys.argv[6]) if len(sys.argv) > 6 else 0
    for region in regions(Image.open(path), (int(red), int(green), int(blue)), int(min_size),
                          tolerance):
        print(*region)


if __name__ == "__main__":
    main()
