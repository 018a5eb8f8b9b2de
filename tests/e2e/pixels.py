# Reads window grabs (binary PPM) for the end-to-end tests. Prints, for one picture,
#   red COUNT LEFT TOP RIGHT BOTTOM X-TOP X-BOTTOM   the winning line: strong red with little
#                                      green or blue (X-TOP, X-BOTTOM: where its top and bottom
#                                      rows start, so a line's slant shows)
#   dark COUNT ...                     black stones, grid and banner; the lit board never this dark
#   light COUNT ...                    white stones and banner where they face the light
#   violet COUNT ...                   the marks of black's forbidden points under renju
# and, given a picture before it, the same for the pixels that are dark now and were not then.
# With --differ, the number of pixels in which two pictures of one size differ by more than
# TOLERANCE in a channel, leaving out the winning line and three pixels around it in either.
# With --menu, whether a grab of freeglut's menu window shows each entry's text where the entry
# is (below); exits 1 if not.
# Usage: pixels.py PICTURE [BEFORE]   or   pixels.py --differ TOLERANCE PICTURE OTHER
#        pixels.py --menu PICTURE LABEL...
import re
import sys


def read_ppm(path):  # binary PPM: "P6", comment lines, width, height, 255, one white space
    with open(path, "rb") as f:
        data = f.read()
    header = re.match(rb"P6\s+(?:#.*\n\s*)*(\d+)\s+(\d+)\s+255\s", data)
    width, height = int(header[1]), int(header[2])
    pixels = data[header.end():header.end() + 3 * width * height]
    return width, pixels[0::3], pixels[1::3], pixels[2::3]


def mask(channel, test):  # one byte a pixel: 1 where the channel's value passes
    return int.from_bytes(channel.translate(bytes(int(test(v)) for v in range(256))), "big")


def report(name, bits, width, length):
    flags = bits.to_bytes(length, "big")
    rows = [y for y in range(length // width) if b"\x01" in flags[y * width:(y + 1) * width]]
    if not rows:
        return print(name, 0, -1, -1, -1, -1, -1, -1)
    cols = [flags.find(b"\x01", y * width, (y + 1) * width) - y * width for y in rows]
    ends = [flags.rfind(b"\x01", y * width, (y + 1) * width) - y * width for y in rows]
    print(name, bin(bits).count("1"), min(cols), rows[0], max(ends), rows[-1], cols[0], cols[-1])


def dark(picture):
    return mask(picture[1], lambda v: v < 41) & mask(picture[2], lambda v: v < 41) & \
        mask(picture[3], lambda v: v < 41)


def red(picture):
    return mask(picture[1], lambda v: v >= 100) & mask(picture[2], lambda v: v < 34) & \
        mask(picture[3], lambda v: v < 34)


def light(picture):
    return mask(picture[1], lambda v: v >= 245) & mask(picture[2], lambda v: v >= 245) & \
        mask(picture[3], lambda v: v >= 245)


def violet(picture):
    return mask(picture[1], lambda v: 60 <= v < 240) & mask(picture[2], lambda v: v < 90) & \
        mask(picture[3], lambda v: v >= 120)


def differ(tolerance, one, other):
    width, size = one[0], len(one[1])
    near_red = red(one) | red(other)
    for _ in range(3):  # three pixels around, one step at a time (a pixel is a byte of the mask)
        near_red |= near_red << 8 | near_red >> 8 | near_red << 8 * width | near_red >> 8 * width
    apart = 0
    for a, b in zip(one[1:], other[1:]):
        apart |= int.from_bytes(bytes(int(abs(x - y) > tolerance) for x, y in zip(a, b)), "big")
    return bin(apart & ~near_red & ((1 << 8 * size) - 1)).count("1")


def menu(picture, labels):
    """freeglut draws a menu as a light panel inside a border of 2 pixels, its entries in bands
    of one height, each entry's label in dark text from the band's left (the highlighted entry
    light on dark or dark on white). Each band must have a light background or light text on a
    dark one, text pixels that make up a plausible share of it, and text as wide, for its
    label's length, as the other bands' text: so a band of black, a band without its text or
    with another entry's text shows. Prints a line a band; True when all are right."""
    width, channels = picture[0], picture[1:]
    height = len(channels[0]) // width
    grey = [sum(c[i] for c in channels) // 3 for i in range(width * height)]
    band = (height - 4) / len(labels)
    found = []
    for i, label in enumerate(labels):
        top, bottom = 2 + round(i * band), 2 + round((i + 1) * band)
        values = [grey[y * width + x] for y in range(top, bottom) for x in range(2, width - 2)]
        background = max(set(values), key=values.count)
        text = [(y, x) for y in range(top, bottom) for x in range(2, width - 2)
                if abs(grey[y * width + x] - background) > 60]
        share = len(text) / len(values)
        extent = max(x for _, x in text) - min(x for _, x in text) + 1 if text else 0
        found.append((label, background, share, extent))
    per_letter = sorted(extent / len(label) for label, _, _, extent in found)[len(found) // 2]
    right = True
    for label, background, share, extent in found:
        wrong = []
        if background < 100 and share < 0.5:
            wrong.append(f"a dark band ({background})")
        if not 0.03 <= min(share, 1 - share) <= 0.45:
            wrong.append(f"text {share:.0%} of the band")
        if not 0.6 <= extent / len(label) / per_letter <= 1.6:
            wrong.append(f"text {extent} pixels wide, for {len(label)} letters")
        print(f"{label!r}: " + (", ".join(wrong) if wrong else "shown"))
        right = right and not wrong
    return right


if sys.argv[1] == "--menu":
    sys.exit(0 if menu(read_ppm(sys.argv[2]), sys.argv[3:]) else 1)
if sys.argv[1] == "--differ":
    print("differ", differ(int(sys.argv[2]), read_ppm(sys.argv[3]), read_ppm(sys.argv[4])))
    sys.exit()
after = read_ppm(sys.argv[1])
size = len(after[1])
report("red", red(after), after[0], size)
report("dark", dark(after), after[0], size)
report("light", light(after), after[0], size)
report("violet", violet(after), after[0], size)
if len(sys.argv) > 2:
    before = read_ppm(sys.argv[2])
    report("newly-dark", dark(after) & ~dark(before), after[0], size)
