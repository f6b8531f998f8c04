#!/usr/bin/env python3
"""Checks that a screenshot of the Windows game shows coloured buttons as the Debian game
draws them in docs/screenshots/.
    buttons_as_on_debian.py SCREEN.png DEBIAN.png X,Y [X,Y...]
Each X,Y is a point of DEBIAN.png inside a button, beside its caption. The colour there and
the stretch of that colour around the point (each channel within 8 of it) make the button's
look; the screenshot must hold a stretch of the same colour at least nine tenths as wide and
as tall. Prints one line per point and exits with 1 when any is missing."""
import sys

from PIL import Image

from screen_regions import matcher, region_at, regions

TOLERANCE = 8


def main():
    screen = Image.open(sys.argv[1])
    debian = Image.open(sys.argv[2]).convert("RGB")
    missing = 0
    for point in sys.argv[3:]:
        x, y = (int(v) for v in point.split(","))
        colour = debian.getpixel((x, y))
        _, _, width, height = region_at(debian.load(), debian.size, (x, y),
                                        matcher(colour, TOLERANCE),
                                        bytearray(debian.size[0] * debian.size[1]))
        found = [r for r in regions(screen, colour, min(width, height) * 9 // 10, TOLERANCE)
                 if r[2] * 10 >= width * 9 and r[3] * 10 >= height * 9]
        if found:
            print(f"{point}: {colour} {width}x{height} as on Debian, at {found[0][:2]}")
        else:
            print(f"{point}: {colour} {width}x{height} as on Debian: not on the screen")
            missing += 1
    sys.exit(1 if missing else 0)


if __name__ == "__main__":
    main()
