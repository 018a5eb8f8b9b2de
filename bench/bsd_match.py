#!/usr/bin/env python3
"""A match of a Gomocup brain against the BSD gomoku of Debian's bsdgames, refereed here.

  bsd_match.py BRAIN [--games N] [--parallel N] [--turn-ms MS] [--nodes N] [--seed S] [--log DIR]

The BSD program plays 19 x 19 freestyle (five or more wins) and calls a tie after 360 stones.
It is driven in its screen mode, in a pseudo-terminal: its own moves appear on a second
pseudo-terminal given with -D, one line each ("  12        L11"). Each game starts from a
short random opening near the centre, restored from a file in the program's own save format
(one move a line); the side to move after it is the one that types, so an opening of two
stones gives the brain black and one of three stones white, and the games alternate.

The brain is run as tournament managers run it (START, INFO, BOARD ... DONE, TURN). Illegal
moves, answers later than the turn limit and errors are counted. Prints a line per game and a
summary; each game's moves go to the log folder, to be replayed.
"""
import argparse
import fcntl
import multiprocessing
import os
import pty
import random
import re
import select
import struct
import subprocess
import sys
import termios
import time

SIZE = 19
LETTERS = "ABCDEFGHJKLMNOPQRST"  # the BSD program's columns: no I
TIE_AFTER = 360
BSD = "/usr/games/gomoku"


def bsd_name(x, y):
    return f"{LETTERS[x]}{y + 1}"


def from_bsd(name):
    return LETTERS.index(name[0]), int(name[1:]) - 1


def five(board, x, y):
    colour = board[y][x]
    for dx, dy in ((1, 0), (0, 1), (1, 1), (1, -1)):
        run = 1
        for sign in (1, -1):
            cx, cy = x + sign * dx, y + sign * dy
            while 0 <= cx < SIZE and 0 <= cy < SIZE and board[cy][cx] == colour:
                run += 1
                cx, cy = cx + sign * dx, cy + sign * dy
        if run >= 5:
            return True
    return False


class Bsd:
    """The BSD program in a pseudo-terminal, its moves read from a second one."""

    def __init__(self, opening_file):
        self.debug_master, debug_slave = pty.openpty()
        self.debug_name = os.ttyname(debug_slave)
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.environ["TERM"] = "xterm"
            os.execv(BSD, ["gomoku", "-D", self.debug_name, opening_file])
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
        self.debug_slave = debug_slave
        self.screen = b""
        self.debug = b""

    def _read(self, timeout):
        ready, _, _ = select.select([self.fd, self.debug_master], [], [], timeout)
        for f in ready:
            try:
                data = os.read(f, 65536)
            except OSError:
                data = b""
            if f == self.fd:
                self.screen += data
            else:
                self.debug += data

    def wait_prompt(self, timeout=30):
        end = time.time() + timeout
        while b"move?" not in self.screen[-200:]:
            if time.time() > end:
                raise RuntimeError("the BSD program shows no prompt")
            self._read(0.2)

    def play(self, name):
        self.debug = b""
        os.write(self.fd, name.encode() + b"\n")

    def reply(self, own, number, timeout):
        """The program's move `number` (counted from 1), after our move `own`."""
        end = time.time() + timeout
        while True:
            for line in self.debug.decode(errors="replace").splitlines():
                if "Illegal" in line:
                    raise RuntimeError(f"the BSD program refused {own}")
                found = re.match(r"^\s*(\d+)\s+([A-T]\d+)?\s*([A-T]\d+)?\s*$", line)
                if found and int(found.group(1)) == number:
                    move = found.group(2) or found.group(3)
                    if move:
                        return move
            if time.time() > end:
                raise RuntimeError("the BSD program gave no move in time")
            self._read(0.2)

    def close(self):
        try:
            os.kill(self.pid, 9)
            os.waitpid(self.pid, 0)
        except OSError:
            pass
        for f in (self.fd, self.debug_master, self.debug_slave):
            try:
                os.close(f)
            except OSError:
                pass


class Brain:
    def __init__(self, path, turn_ms, nodes):
        options = ["--nodes", str(nodes)] if nodes else []
        self.proc = subprocess.Popen([path, "--debug"] + options, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        self.turn_ms = turn_ms
        self.figures = []  # (depth, nodes, ms) of each searched move

    def send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def answer(self):
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("the brain ended")
            line = line.strip()
            if line.startswith("DEBUG"):
                f = line.split()
                if f[-1] == "search":
                    self.figures.append((int(f[2]), int(f[4]), int(f[6])))
                continue
            if line.startswith("MESSAGE"):
                continue
            return line

    def move(self, command):
        started = time.monotonic()
        self.send(command)
        answer = self.answer()
        elapsed = (time.monotonic() - started) * 1000
        found = re.match(r"^(\d+),(\d+)$", answer)
        if not found:
            raise RuntimeError(f"the brain answered {answer!r}")
        return int(found.group(1)), int(found.group(2)), elapsed

    def close(self):
        try:
            self.send("END")
            self.proc.wait(timeout=5)
        except Exception:
            self.proc.kill()


def opening(rng, stones):
    """`stones` distinct points within two of the centre."""
    points = set()
    while len(points) < stones:
        points.add((9 + rng.randint(-2, 2), 9 + rng.randint(-2, 2)))
    order = list(points)
    rng.shuffle(order)
    return order


def play_game(args, number):
    rng = random.Random(args.seed * 1000 + number)
    brain_black = number % 2 == 0
    moves = opening(rng, 2 if brain_black else 3)
    board = [[0] * SIZE for _ in range(SIZE)]
    for i, (x, y) in enumerate(moves):
        board[y][x] = 1 if i % 2 == 0 else 2
    path = os.path.join(args.log, f"game-{number:02d}.opening")
    with open(path, "w") as f:
        f.write("".join(bsd_name(x, y) + "\n" for x, y in moves))
    brain_colour = 1 if brain_black else 2
    result = {"game": number, "brain": "black" if brain_black else "white", "winner": None,
              "illegal": 0, "timeouts": 0, "errors": "", "times": [], "bsd_times": []}
    bsd = Bsd(path)
    brain = Brain(args.brain, args.turn_ms, args.nodes)
    try:
        bsd.wait_prompt()
        brain.send("START 19")
        if brain.answer() != "OK":
            raise RuntimeError("the brain refused START 19")
        for line in [f"INFO timeout_turn {args.turn_ms}", "INFO timeout_match 0",
                     "INFO time_left 2147483647", "INFO max_memory 0", "INFO rule 0",
                     "INFO game_type 1", "BOARD"]:
            brain.send(line)
        for i, (x, y) in enumerate(moves):
            mine = (i % 2 == 0) == brain_black
            brain.send(f"{x},{y},{1 if mine else 2}")
        command = "DONE"
        while True:
            x, y, ms = brain.move(command)
            result["times"].append(ms)
            if ms > args.turn_ms:
                result["timeouts"] += 1
            if not (0 <= x < SIZE and 0 <= y < SIZE) or board[y][x] != 0:
                result["illegal"] += 1
                result["winner"] = "bsd"
                break
            board[y][x] = brain_colour
            moves.append((x, y))
            if five(board, x, y):
                result["winner"] = "brain"
                break
            if len(moves) >= TIE_AFTER:
                result["winner"] = "tie"
                break
            started = time.monotonic()
            bsd.play(bsd_name(x, y))
            bx, by = from_bsd(bsd.reply(bsd_name(x, y), len(moves) + 1, args.bsd_timeout))
            result["bsd_times"].append(time.monotonic() - started)
            if board[by][bx] != 0:
                raise RuntimeError(f"the BSD program played the taken point {bsd_name(bx, by)}")
            board[by][bx] = 3 - brain_colour
            moves.append((bx, by))
            if five(board, bx, by):
                result["winner"] = "bsd"
                break
            if len(moves) >= TIE_AFTER:
                result["winner"] = "tie"
                break
            command = f"TURN {bx},{by}"
    except Exception as problem:  # the game is reported, not the match stopped
        result["errors"] = str(problem)
    finally:
        bsd.close()
        brain.close()
    result["moves"] = moves
    result["figures"] = brain.figures
    with open(os.path.join(args.log, f"game-{number:02d}.moves"), "w") as f:
        f.write(f"# brain {result['brain']}, winner {result['winner']}\n")
        f.write(" ".join(f"{x},{y}" for x, y in moves) + "\n")
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("brain")
    parser.add_argument("--games", type=int, default=40)
    parser.add_argument("--parallel", type=int, default=2)
    parser.add_argument("--turn-ms", type=int, default=1000)
    parser.add_argument("--nodes", type=int, default=0,
                        help="positions a move for the brain instead of its time limit")
    parser.add_argument("--bsd-timeout", type=float, default=3600)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--log", default="bsd-match")
    args = parser.parse_args()
    if not os.access(BSD, os.X_OK):
        sys.exit(f"bsd_match.py: {BSD} is missing: install the package bsdgames")
    os.makedirs(args.log, exist_ok=True)
    started = time.monotonic()
    results = []
    with multiprocessing.Pool(args.parallel) as pool:
        for r in pool.imap_unordered(_play, [(args, n) for n in range(args.games)]):
            results.append(r)
            times = r["times"]
            print(f"game {r['game']:2d}: brain {r['brain']:5s} winner {r['winner'] or 'none':5s} "
                  f"{len(r['moves']):3d} stones, brain's longest move {max(times or [0]):.0f} ms"
                  f"{', ' + r['errors'] if r['errors'] else ''}", flush=True)
    wins = sum(r["winner"] == "brain" for r in results)
    losses = sum(r["winner"] == "bsd" for r in results)
    ties = sum(r["winner"] == "tie" for r in results)
    broken = sum(r["winner"] is None for r in results)
    illegal = sum(r["illegal"] for r in results)
    timeouts = sum(r["timeouts"] for r in results)
    times = [t for r in results for t in r["times"]]
    figures = [f for r in results for f in r["figures"]]
    bsd_times = [t for r in results for t in r["bsd_times"]]
    print(f"brain against BSD gomoku: {wins} won, {losses} lost, {ties} tied, {broken} broken off, "
          f"of {len(results)} games; {illegal} illegal moves, {timeouts} answers over "
          f"{args.turn_ms} ms")
    if times:
        print(f"brain's time a move: average {sum(times) / len(times):.0f} ms, "
              f"longest {max(times):.0f} ms, over {len(times)} moves")
    if figures:
        nodes = sum(f[1] for f in figures)
        ms = sum(f[2] for f in figures)
        depths = sorted(f[0] for f in figures)
        print(f"brain's searches: {nodes * 1000 // max(ms, 1)} nodes a second, depth median "
              f"{depths[len(depths) // 2]} (from {depths[0]} to {depths[-1]}), {len(figures)} searched moves")
    if bsd_times:
        print(f"BSD gomoku's time a move: average {sum(bsd_times) / len(bsd_times):.1f} s, "
              f"longest {max(bsd_times):.1f} s")
    print(f"match time {time.monotonic() - started:.0f} s; games in {args.log}")


def _play(job):
    return play_game(*job)


if __name__ == "__main__":
    main()
