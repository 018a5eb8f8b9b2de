# Reads window grabs (binary PPM) for the end-to-end tests. Prints, for one picture, a line
# "KIND COUNT LEFT TOP RIGHT BOTTOM X-TOP X-BOTTOM" (X-TOP, X-BOTTOM: where its top and bottom rows
# start, so a line's slant shows) for each kind of pixel in KINDS, and, given a picture before it,
# "newly-dark" for the pixels that are dark now and were not then.
# With --differ, the number of pixels in which two pictures of one size differ by more than
# TOLERANCE in a channel, leaving out the winning line and three pixels around it in either.
# With --menu, whether a grab of freeglut's menu window shows each entry's text where the entry
# is (below); exits 1 if not.
# Usage: pixels.py PICTURE [BEFORE]   or   pixels.py --differ TOLERANCE PICTURE OTHER
#        pixels.py --menu PICTURE LABEL...
import re
import sys

# Each kind's range [low, high) for red, green and blue.
KINDS = {
    "red": ((100, 256), (0, 34), (0, 34)),  # the winning line: strong red, little green or blue
    "dark": ((0, 41),) * 3,  # black stones, grid and banner; the lit board is never this dark
    "light": ((245, 256),) * 3,  # white stones and banner where they face the light
    "violet": ((60, 240), (0, 90), (120, 256)),  # the marks of black's forbidden points (renju)
    "yellow": ((150, 256), (140, 256), (0, 60)),  # the rings of the moves the analysis marked
}


def read_ppm(data):  # binary PPM: "P6", comment lines, width, height, 255, one white space
    header = re.match(rb"P6\s+(?:#.*\n\s*)*(\d+)\s+(\d+)\s+255\s", data)
    width, height = int(header[1]), int(header[2])
    pixels = data[header.end():header.end() + 3 * width * height]
    return width, pixels[0::3], pixels[1::3], pixels[2::3]


def read(path):
    with open(path, "rb") as f:
        return read_ppm(f.read())


def kind(picture, name):  # one byte a pixel: 1 where every channel is in the kind's range
    bits = -1
    for channel, (low, high) in zip(picture[1:], KINDS[name]):
        passes = bytes(int(low <= v < high) for v in range(256))
        bits &= int.from_bytes(channel.translate(passes), "big")
    return bits


def report(name, bits, width, length):
    flags = bits.to_bytes(length, "big")
    rows = [y for y in range(length // width) if b"\x01" in flags[y * width:(y + 1) * width]]
    if not rows:
        return print(name, 0, -1, -1, -1, -1, -1, -1)
    cols = [flags.find(b"\x01", y * width, (y + 1) * width) - y * width for y in rows]
    ends = [flags.rfind(b"\x01", y * width, (y + 1) * width) - y * width for y in rows]
    print(name, bin(bits).count("1"), min(cols), rows[0], max(ends), rows[-1], cols[0], cols[-1])


def differ(tolerance, one, other):
    width, size = one[0], len(one[1])
    near_red = kind(one, "red") | kind(other, "red")
    for _ in range(3):  # three pixels around, one step at a time (a pixel is a byte of the mask)
        near_red |= near_red << 8 | near_red >> 8 | near_red << 8 * width | near_red >> 8 * width
    apart = 0
    for a, b in zip(one[1:], other[1:]):
        apart |= int.from_bytes(bytes(int(abs(x - y) > tolerance) for x, y in zip(a, b)), "big")
    return bin(apart & ~near_red & ((1 << 8 * size) - 1)).count("1")


def menu(picture, labels):
    """freeglut's menu: a light panel in a border of 2 pixels, entries in bands of one height. Each
    band needs a light background or light text on dark, text a plausible share of it, and text as
    wide for its label's length as the others': a black band, one without its text or with another
    entry's shows. Prints a line a band; True when all are right."""
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


if __name__ == "__main__":
    if sys.argv[1] == "--menu":
        sys.exit(0 if menu(read(sys.argv[2]), sys.argv[3:]) else 1)
    elif sys.argv[1] == "--differ":
        print("differ", differ(int(sys.argv[2]), read(sys.argv[3]), read(sys.argv[4])))
    else:
        after = read(sys.argv[1])
        for name in KINDS:
            report(name, kind(after, name), after[0], len(after[1]))
        if len(sys.argv) > 2:
            report("newly-dark", kind(after, "dark") & ~kind(read(sys.argv[2]), "dark"), after[0], len(after[1]))
