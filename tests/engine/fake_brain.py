#!/usr/bin/env python3
"""A stand-in tournament brain for the match referee's tests: it plays the first free point from
the top left, and a link to this file named FAULT-at-N (say "crash-at-2") commits that fault on
its N-th move. crash: ends; occupied: answers a taken point; offboard: a point off the board;
error: answers ERROR; garbage: a line that is no move; slow: answers after a second. Options (the
referee's --nodes N) are ignored.
"""
import functools
import os
import sys
import time


def main():
    name = os.path.basename(sys.argv[0])
    fault, at = name.split("-at-") if "-at-" in name else ("", "0")
    size, moves, taken, board_lines = 0, 0, set(), None

    say = functools.partial(print, flush=True)

    def move():
        nonlocal moves
        moves += 1
        if moves == int(at):
            if fault == "crash":
                sys.exit(3)
            time.sleep(1.0 if fault == "slow" else 0)
            wrong = {"occupied": "%d,%d" % min(taken) if taken else None, "offboard": f"{size},0",
                     "error": "ERROR something went wrong", "garbage": "seven, seven"}
            if wrong.get(fault):
                return say(wrong[fault])
        x, y = next((x, y) for y in range(size) for x in range(size) if (x, y) not in taken)
        taken.add((x, y))
        say(f"{x},{y}")

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
