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
# Usage: pixels.py PICTURE [BEFORE]   or   pixels.py --differ TOLERANCE PICTURE OTHER
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
