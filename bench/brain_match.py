#!/usr/bin/env python3
"""A match between two Gomocup brains, refereed here: say the engine as it is against the engine
as it was, each at a fixed number of positions a move, so that the result does not depend on how
busy the machine is.

  brain_match.py BRAIN_A BRAIN_B [--games N] [--size S] [--nodes N] [--seed S] [--parallel N]

Each opening (three random stones near the centre) is played twice, each brain black once. Each
move is asked for as tournament managers do when they set up a position: RESTART, BOARD with
the whole game, DONE. Prints a line per game and the score; the games each brain lost are
printed as moves "x,y" from the first, to be replayed.
"""
import argparse
import multiprocessing
import random
import subprocess


def five(board, size, x, y):
    who = board[y][x]
    for dx, dy in ((1, 0), (0, 1), (1, 1), (1, -1)):
        run = 1
        for sign in (1, -1):
            cx, cy = x + sign * dx, y + sign * dy
            while 0 <= cx < size and 0 <= cy < size and board[cy][cx] == who:
                run, cx, cy = run + 1, cx + sign * dx, cy + sign * dy
        if run >= 5:
            return True
    return False


class Brain:
    def __init__(self, path, args):
        options = ["--nodes", str(args.nodes)] if args.nodes else []
        self.proc = subprocess.Popen([path] + options, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        self.size = args.size
        self.send(f"START {args.size}")
        self.answer()

    def send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def answer(self):
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("a brain ended")
            if not line.startswith(("DEBUG", "MESSAGE")):
                return line.strip()

    def move(self, moves):
        """The brain's move in the game `moves` so far; it plays the side to move."""
        self.send("RESTART")
        self.answer()
        self.send("BOARD")
        mine = len(moves) % 2
        for i, (x, y) in enumerate(moves):
            self.send(f"{x},{y},{1 if i % 2 == mine else 2}")
        self.send("DONE")
        x, y = self.answer().split(",")
        return int(x), int(y)

    def close(self):
        self.send("END")
        self.proc.wait(timeout=10)


def play(job):
    """One game: the index of the winning brain (0 for A, 1 for B), or -1 for a draw; and moves."""
    args, opening, a_black = job
    size = args.size
    board = [[0] * size for _ in range(size)]
    moves = []
    for x, y in opening:
        board[y][x] = 1 + len(moves) % 2
        moves.append((x, y))
    brains = [Brain(args.a, args), Brain(args.b, args)]
    try:
        while len(moves) < size * size:
            black_to_move = len(moves) % 2 == 0
            mover = 0 if black_to_move == a_black else 1
            x, y = brains[mover].move(moves)
            if not (0 <= x < size and 0 <= y < size) or board[y][x]:
                return 1 - mover, moves  # an illegal move loses
            board[y][x] = 1 + len(moves) % 2
            moves.append((x, y))
            if five(board, size, x, y):
                return mover, moves
        return -1, moves
    finally:
        for b in brains:
            b.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("a")
    parser.add_argument("b")
    parser.add_argument("--games", type=int, default=40)
    parser.add_argument("--size", type=int, default=18)
    parser.add_argument("--nodes", type=int, default=200000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--parallel", type=int, default=2)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    jobs = []
    centre = args.size // 2
    for _ in range(args.games // 2):
        points = []
        while len(points) < 3:
            p = (centre + rng.randint(-2, 2), centre + rng.randint(-2, 2))
            if p not in points:
                points.append(p)
        jobs += [(args, points, True), (args, points, False)]
    wins = [0, 0]
    draws = 0
    with multiprocessing.Pool(args.parallel) as pool:
        for (winner, moves), (_, _, a_black) in zip(pool.imap(play, jobs), jobs):
            colour = "black" if a_black else "white"
            if winner < 0:
                draws += 1
            else:
                wins[winner] += 1
            who = "A" if winner == 0 else "B" if winner == 1 else "nobody"
            print(f"A {colour}: {who} won, {len(moves)} stones", flush=True)
            if winner == 1:
                print("  A lost: " + " ".join(f"{x},{y}" for x, y in moves), flush=True)
    print(f"A won {wins[0]}, B won {wins[1]}, {draws} drawn, of {len(jobs)} games")


if __name__ == "__main__":
    main()
