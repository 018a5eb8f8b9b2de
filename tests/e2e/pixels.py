# Reads window grabs (binary PPM) for the end-to-end tests. Prints, for one picture,
#   red COUNT LEFT TOP RIGHT BOTTOM    the winning line: strong red with little green or blue
#   dark COUNT LEFT TOP RIGHT BOTTOM   black stones, grid and banner; the lit board never this dark
# and, given a picture before it, the same for the pixels that are dark now and were not then.
# Usage: pixels.py PICTURE [BEFORE]
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
        return print(name, 0, -1, -1, -1, -1)
    cols = [flags.find(b"\x01", y * width, (y + 1) * width) - y * width for y in rows]
    ends = [flags.rfind(b"\x01", y * width, (y + 1) * width) - y * width for y in rows]
    print(name, bin(bits).count("1"), min(cols), rows[0], max(ends), rows[-1])


def dark(picture):
    return mask(picture[1], lambda v: v < 41) & mask(picture[2], lambda v: v < 41) & \
        mask(picture[3], lambda v: v < 41)


after = read_ppm(sys.argv[1])
size = len(after[1])
red = mask(after[1], lambda v: v >= 100) & mask(after[2], lambda v: v < 34) & \
    mask(after[3], lambda v: v < 34)
report("red", red, after[0], size)
report("dark", dark(after), after[0], size)
if len(sys.argv) > 2:
    before = read_ppm(sys.argv[2])
    report("newly-dark", dark(after) & ~dark(before), after[0], size)
