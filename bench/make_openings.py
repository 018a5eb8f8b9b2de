#!/usr/bin/env python3
"""Writes a file of balanced openings for brain_match.py: random openings of 2 to 4 stones near
the centre, black and white in turn, each kept when a brain's fixed search scores it near even
for the side to move, and none the same as another up to the board's eight symmetries.

  make_openings.py BRAIN [--count N] [--size S] [--nodes N] [--within W] [--seed S]
                   [--stones N] > FILE
  make_openings.py BRAIN --rescore FILE [--nodes N] [--within W] > FILE

BRAIN is asked with --debug --nodes N, and its DEBUG line gives the score. With --stones, every
opening has that many stones; with --within -1, every opening is kept and none is scored (the
two-stone openings, where black is to move and ahead, are kept so: brain_match.py plays each
twice, so each side has black once). With --rescore, the openings of FILE are scored again at
--nodes and those still within W kept, in their order; each opening's score goes to standard
error, so that a deeper look can thin a file scored by a shallower one.
"""
import argparse
import random
import subprocess
import sys


def canonical(stones, size):
    """The least of the opening's eight mirror images, colours kept in order."""
    images = []
    for t in range(8):
        image = []
        for x, y in stones:
            if t & 1:
                x = size - 1 - x
            if t & 2:
                y = size - 1 - y
            if t & 4:
                x, y = y, x
            image.append((x, y))
        blacks = tuple(sorted(image[0::2]))
        whites = tuple(sorted(image[1::2]))
        images.append((blacks, whites))
    return min(images)


def score(brain, stones):
    brain.stdin.write("RESTART\nBOARD\n")
    mine = len(stones) % 2
    for i, (x, y) in enumerate(stones):
        brain.stdin.write(f"{x},{y},{1 if i % 2 == mine else 2}\n")
    brain.stdin.write("DONE\n")
    brain.stdin.flush()
    value = None
    while True:
        line = brain.stdout.readline()
        if not line:
            sys.exit("make_openings: the brain ended")
        words = line.split()
        if words[:1] == ["DEBUG"] and "score" in words:
            value = int(words[words.index("score") + 1])
        elif words[:1] not in (["OK"], ["MESSAGE"]):
            return value


def read_openings(path):
    """The openings of a file as make_openings.py writes it: one a line, x,y pairs, black first;
    lines starting with # are comments."""
    openings = []
    with open(path) as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            try:
                stones = [tuple(int(v) for v in word.split(",")) for word in line.split()]
            except ValueError:
                sys.exit(f"make_openings: {path}:{number}: not x,y pairs: {line}")
            if any(len(p) != 2 for p in stones) or len(set(stones)) != len(stones):
                sys.exit(f"make_openings: {path}:{number}: not distinct x,y points: {line}")
            openings.append(stones)
    return openings


def start(args):
    brain = subprocess.Popen([args.brain, "--debug", "--nodes", str(args.nodes)],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    brain.stdin.write(f"START {args.size}\n")
    brain.stdin.flush()
    if brain.stdout.readline().split()[:1] != ["OK"]:
        sys.exit(f"make_openings: the brain did not take START {args.size}")
    return brain


def stop(brain):
    brain.stdin.write("END\n")
    brain.stdin.close()
    brain.wait()


def rescore(args):
    openings = read_openings(args.rescore)
    for stones in openings:
        if any(not (0 <= c < args.size) for p in stones for c in p):
            sys.exit(f"make_openings: {args.rescore}: off a {args.size} x {args.size} board: "
                     + " ".join(f"{x},{y}" for x, y in stones))
    brain = start(args)
    print(f"# the openings of {args.rescore} still scored within {args.within} for the side to "
          f"move by a search of {args.nodes} positions (bench/make_openings.py --rescore)")
    kept = 0
    for stones in openings:
        value = score(brain, stones)
        text = " ".join(f"{x},{y}" for x, y in stones)
        print(f"{value} {text}", file=sys.stderr, flush=True)
        if value is not None and abs(value) <= args.within:
            kept += 1
            print(text, flush=True)
    stop(brain)
    print(f"make_openings: kept {kept} of {len(openings)}", file=sys.stderr)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("brain")
    parser.add_argument("--count", type=int, default=500)
    parser.add_argument("--size", type=int, default=18)
    parser.add_argument("--nodes", type=int, default=100000)
    parser.add_argument("--within", type=int, default=60, help="largest score kept, either way")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--stones", type=int, choices=(2, 3, 4), help="stones in every opening")
    parser.add_argument("--rescore", metavar="FILE", help="score FILE's openings again")
    args = parser.parse_args()
    if args.rescore:
        if args.within < 0:
            sys.exit("make_openings: --rescore needs --within 0 or more")
        rescore(args)
        return
    scored = args.within >= 0
    rng = random.Random(args.seed)
    brain = start(args)
    centre = args.size // 2
    seen = set()
    kept = tried = 0
    stones_told = f"{args.stones}" if args.stones else "2 to 4"
    kept_told = (f"each scored within {args.within} for the side to move by a search of "
                 f"{args.nodes} positions" if scored else "none scored")
    print(f"# {args.count} openings for brain_match.py on {args.size} x {args.size}: "
          f"{stones_told} stones, black first, within 3 of the centre; {kept_told} "
          f"(bench/make_openings.py, seed {args.seed})")
    while kept < args.count:
        stones = []
        count = args.stones or rng.randint(2, 4)
        while len(stones) < count:
            p = (centre + rng.randint(-3, 3), centre + rng.randint(-3, 3))
            if p not in stones:
                stones.append(p)
        key = canonical(stones, args.size)
        if key in seen:
            continue
        seen.add(key)
        tried += 1
        value = score(brain, stones) if scored else None
        if not scored or (value is not None and abs(value) <= args.within):
            kept += 1
            print(" ".join(f"{x},{y}" for x, y in stones), flush=True)
    stop(brain)
    print(f"make_openings: kept {kept} of {tried}", file=sys.stderr)


if __name__ == "__main__":
    main()
