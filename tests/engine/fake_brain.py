#!/usr/bin/env python3
"""A stand-in tournament brain for the match referee's tests: it speaks enough of the Gomocup
protocol to play, taking the first free point from the top left, and commits one fault on its
`at`-th move (counting from 1) when asked to:

  fake_brain.py [--fault crash|occupied|offboard|error|garbage|slow|silent] [--at N] [--nodes N]

crash: ends; occupied: answers a taken point; offboard: a point off the board; error: answers
ERROR; garbage: a line that is no move; slow: answers after a second; silent: never answers.
--nodes is taken and ignored, as the real brain's option is. A link to this file named
FAULT-at-N (say "crash-at-2") commits that fault without options, as a referee that runs a brain
by its path alone needs.
"""
import argparse
import os
import sys
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--fault", default="")
    parser.add_argument("--at", type=int, default=1)
    parser.add_argument("--nodes", type=int, default=0)
    args = parser.parse_args()
    name = os.path.basename(sys.argv[0])
    if "-at-" in name:
        args.fault, at = name.split("-at-")
        args.at = int(at)
    size = 0
    taken = set()
    board_lines = None
    moves = 0

    def say(text):
        sys.stdout.write(text + "\n")
        sys.stdout.flush()

    def move():
        nonlocal moves
        moves += 1
        if moves == args.at:
            if args.fault == "crash":
                sys.exit(3)
            time.sleep({"slow": 1.0, "silent": 3600}.get(args.fault, 0))
            wrong = {"occupied": "%d,%d" % min(taken) if taken else None, "offboard": f"{size},0",
                     "error": "ERROR something went wrong", "garbage": "seven, seven"}
            if wrong.get(args.fault):
                return say(wrong[args.fault])
        for y in range(size):
            for x in range(size):
                if (x, y) not in taken:
                    taken.add((x, y))
                    return say(f"{x},{y}")

    for line in sys.stdin:
        words = line.strip().replace(",", " ").split()
        if not words:
            continue
        command = words[0].upper()
        if board_lines is not None:
            if command == "DONE":
                taken.update(board_lines)
                board_lines = None
                move()
            else:
                board_lines.append((int(words[0]), int(words[1])))
        elif command == "START":
            size = int(words[1])
            taken.clear()
            say("OK")
        elif command == "BOARD":
            board_lines = []
        elif command == "BEGIN":
            move()
        elif command == "TURN":
            taken.add((int(words[1]), int(words[2])))
            move()
        elif command == "END":
            return


if __name__ == "__main__":
    main()
