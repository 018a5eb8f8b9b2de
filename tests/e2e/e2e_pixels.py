# Reads screenshots for the end-to-end scripts: counts pixels of a colour class in a rectangle,
# and says where board cells appear in the window when the view is not turned.
# Usage: see the sub-commands at the bottom; pictures are read through ImageMagick's convert.
import math
import subprocess
import sys


def read_picture(path):
    """The picture as (width, height, bytes of RGB triples, row by row from the top)."""
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                          stdout=subprocess.PIPE).stdout
    # A binary PPM header: "P6", width, height, maximum, each followed by one white space;
    # a "#" starts a comment that runs to the end of its line (ImageMagick puts the picture's
    # label there).
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace() or data[at:at + 1] == b"#":
            if data[at:at + 1] == b"#":
                at = data.index(b"\n", at)
            at += 1
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    if fields[0] != b"P6" or fields[3] != b"255":
        raise SystemExit(f"{path}: not an 8-bit RGB picture")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:at + 1 + 3 * width * height]


# Colour classes, on lit colours: lighting scales a colour and a highlight adds white.
def is_red(r, g, b):
    """The winning line: strong red with almost no green or blue (the board's brown has half
    as much green as red, so it is never taken for red)."""
    return r >= 100 and 3 * g < r and 3 * b < r


def is_dark(r, g, b):
    """Black stones, grid lines and the black banner: the unlit black material. The board's
    brown never falls this low, since ambient light keeps at least half of its colour."""
    return max(r, g, b) < 40


CLASSES = {"red": is_red, "dark": is_dark}


def pixels_of_class(picture, test, left, top, width, height):
    """The set of (x, y) inside the rectangle, clipped to the picture, whose colour passes."""
    pic_w, pic_h, rgb = picture
    found = set()
    for y in range(max(top, 0), min(top + height, pic_h)):
        row = y * pic_w * 3
        for x in range(max(left, 0), min(left + width, pic_w)):
            at = row + 3 * x
            if test(rgb[at], rgb[at + 1], rgb[at + 2]):
                found.add((x, y))
    return found


def stone_frame_in_window(window_w, window_h, sx, sy, sz):
    """Where a point of the stone frame shows, in window pixels from the top left, with both
    view angles at 0. The stone frame is the grid's frame moved to (47.85, 52.3, 6), halved
    and turned 90 degrees about x, so its y axis stands up from the board; the grid lies one
    unit below the board, which is scaled by 1.2 about its point (50, 50, 0); the camera looks
    down -z from 150 units with a vertical field of view of 45 degrees."""
    grid = (47.85 + 0.5 * sx, 52.3 - 0.5 * sz, 6.0 + 0.5 * sy)
    eye = (1.2 * (grid[0] - 50.0), 1.2 * (grid[1] - 50.0), 1.2 * (grid[2] - 1.0) - 150.0)
    focal = 1.0 / math.tan(math.radians(45.0 / 2.0))
    aspect = window_w / window_h
    ndc_x = focal / aspect * eye[0] / -eye[2]
    ndc_y = focal * eye[1] / -eye[2]
    return (round((ndc_x + 1.0) / 2.0 * window_w), round((1.0 - ndc_y) / 2.0 * window_h))


def cells_box(window_w, window_h, first, last, margin):
    """The window rectangle "left top width height" that holds the places of the cells from
    first (row, col) to last, with margin cells around them, from the board up to 5 units
    above the stones (the height of the winning line). A cell (r, c) lies at x = 11 (r - 9),
    z = 11 (9 - c) in the stone frame."""
    xs, ys = [], []
    for row in (min(first[0], last[0]) - margin, max(first[0], last[0]) + margin):
        for col in (min(first[1], last[1]) - margin, max(first[1], last[1]) + margin):
            for height in (0.0, 5.0):
                x, y = stone_frame_in_window(window_w, window_h, 11.0 * (row - 9), height,
                                             11.0 * (9 - col))
                xs.append(x)
                ys.append(y)
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "count" and len(argv) == 8:
        # count PICTURE CLASS LEFT TOP WIDTH HEIGHT: pixels of the class in the rectangle
        picture = read_picture(argv[2])
        box = [int(v) for v in argv[4:8]]
        print(len(pixels_of_class(picture, CLASSES[argv[3]], *box)))
    elif command == "newly" and len(argv) == 9:
        # newly BEFORE AFTER CLASS LEFT TOP WIDTH HEIGHT: pixels of the class in AFTER that
        # were not of it in BEFORE, inside the rectangle
        before = read_picture(argv[2])
        after = read_picture(argv[3])
        box = [int(v) for v in argv[5:9]]
        test = CLASSES[argv[4]]
        print(len(pixels_of_class(after, test, *box) - pixels_of_class(before, test, *box)))
    elif command == "cells-box" and len(argv) == 9:
        # cells-box WINDOW_W WINDOW_H ROW1 COL1 ROW2 COL2 MARGIN: "left top width height"
        box = cells_box(int(argv[2]), int(argv[3]), (int(argv[4]), int(argv[5])),
                        (int(argv[6]), int(argv[7])), int(argv[8]))
        print(*box)
    else:
        raise SystemExit("usage: e2e_pixels.py count PICTURE CLASS LEFT TOP WIDTH HEIGHT\n"
                         "       e2e_pixels.py newly BEFORE AFTER CLASS LEFT TOP WIDTH HEIGHT\n"
                         "       e2e_pixels.py cells-box WINDOW_W WINDOW_H ROW1 COL1 ROW2 COL2 "
                         "MARGIN")


if __name__ == "__main__":
    main(sys.argv)
