#!/usr/bin/env python3
"""A match between two Gomocup brains, refereed here, that stops on a sequential test.

  brain_match.py NEW BASE --openings FILE [--nodes N | --time MS] [--match MS] [--elo0 E]
                 [--elo1 E] [--alpha A] [--beta B] [--max-games N] [--parallel N] [--rule N]
                 [--log DIR]
  brain_match.py NEW BASE --replay GAMES.jsonl --game I      (the same game again, move by move)

Each opening of the file is played twice, NEW black once and white once; the pairs of games go
on until the SPRT over the pairs' scores (bench/sprt.py) accepts H0 or H1, or the cap of games is
reached. Each brain is started afresh for a game and told the position as a tournament manager
does: START, the INFO lines, BOARD with the stones so far when it first moves, then TURN with the
other side's last stone. With --nodes both think that many positions a move (the result then
does not depend on the machine's load); with --time they get INFO timeout_turn and an answer
later than that (and --grace) loses; with --match they also get INFO timeout_match and, before
each move, INFO time_left, and a brain that overdraws its clock loses.

A brain that ends, answers ERROR or anything but a free point of the board, or does not answer in
time loses that game, and the match says so. Every game goes to DIR/games.jsonl (opening,
colours, moves, result, why), so that --replay can play it again against the same brains.
"""
import argparse
import json
import os
import queue
import subprocess
import sys
import threading
import time
from concurrent.futures import FIRST_COMPLETED, ThreadPoolExecutor, wait

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sprt  # noqa: E402

NEW, BASE = 0, 1
NAMES = ("new", "base")
FIXED_NODES_LIMIT_S = 120.0  # a brain at fixed nodes that has not answered after this has hung


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


class Fault(Exception):
    """A brain's fault, which loses it the game."""


class Brain:
    """One brain's process; its answers are read by a thread so that a silent brain can be
    waited for with a limit."""

    def __init__(self, command):
        self.proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.lines = queue.Queue()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        self.known = 0  # stones of the game the brain has been told

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.strip())
        self.lines.put(None)

    def send(self, line):
        try:
            self.proc.stdin.write(line + "\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            raise Fault("ended (its input pipe closed)")

    def answer(self, limit_s):
        """The next line that is not DEBUG or MESSAGE, within limit_s seconds."""
        deadline = time.monotonic() + limit_s
        while True:
            try:
                line = self.lines.get(timeout=max(deadline - time.monotonic(), 0.0))
            except queue.Empty:
                raise Fault(f"did not answer within {limit_s:.1f} s")
            if line is None:
                code = self.proc.poll()
                raise Fault("ended" + (f" with status {code}" if code is not None else ""))
            if not line.startswith(("DEBUG", "MESSAGE")):
                return line

    def close(self):
        try:
            self.send("END")
            self.proc.wait(timeout=5)
        except (Fault, subprocess.TimeoutExpired):
            pass
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class Game:
    """One game between the two brains from an opening; `new_black` gives black to NEW."""

    def __init__(self, args, opening, new_black, expected=None):
        self.args = args
        self.opening = opening
        self.new_black = new_black
        self.expected = expected  # a recorded game's moves, to replay
        self.clock_ms = [args.match, args.match]
        self.longest_ms = [0.0, 0.0]

    def command(self, who):
        path = self.args.new if who == NEW else self.args.base
        return [path] + (["--nodes", str(self.args.nodes)] if self.args.nodes else [])

    def setup(self, brain):
        brain.send(f"START {self.args.size}")
        if (ok := brain.answer(10.0)) != "OK":
            raise Fault(f"answered START with {ok!r}")
        if self.args.time:
            brain.send(f"INFO timeout_turn {self.args.time}")
        if self.args.match:
            brain.send(f"INFO timeout_match {self.args.match}")
        brain.send(f"INFO rule {self.args.rule}")

    def ask(self, brain, who, moves):
        """The brain's move in the game `moves` so far; it plays the side to move."""
        if self.args.match:
            brain.send(f"INFO time_left {max(int(self.clock_ms[who]), 0)}")
        if brain.known == 0 and moves:
            brain.send("BOARD")
            mine = len(moves) % 2
            for i, (x, y) in enumerate(moves):
                brain.send(f"{x},{y},{1 if i % 2 == mine else 2}")
            brain.send("DONE")
        elif moves:
            brain.send(f"TURN {moves[-1][0]},{moves[-1][1]}")
        else:
            brain.send("BEGIN")
        limit_s = FIXED_NODES_LIMIT_S
        if self.args.time:
            limit_s = (self.args.time + self.args.grace) / 1000.0
        if self.args.match:
            limit_s = min(limit_s, (max(self.clock_ms[who], 0) + self.args.grace) / 1000.0)
        started = time.monotonic()
        line = brain.answer(limit_s)
        ms = (time.monotonic() - started) * 1000.0
        self.longest_ms[who] = max(self.longest_ms[who], ms)
        if self.args.match:
            self.clock_ms[who] -= ms
            if self.clock_ms[who] < -self.args.grace:
                raise Fault(f"ran out of its match clock ({-self.clock_ms[who]:.0f} ms over)")
        if line.startswith("ERROR"):
            raise Fault(f"answered {line!r}")
        parts = line.split(",")
        if len(parts) != 2 or not all(p.strip().lstrip("-").isdigit() for p in parts):
            raise Fault(f"answered {line!r}, not a move")
        brain.known = len(moves) + 1
        return int(parts[0]), int(parts[1])

    def play(self):
        """The game's record: winner (NEW, BASE or None), why, moves."""
        size = self.args.size
        board = [[0] * size for _ in range(size)]
        moves = []
        for x, y in self.opening:
            board[y][x] = 1 + len(moves) % 2
            moves.append((x, y))
        brains = [None, None]
        mover = NEW
        try:
            for who in (NEW, BASE):
                mover = who
                brains[who] = Brain(self.command(who))
                self.setup(brains[who])
            while len(moves) < size * size:
                black_to_move = len(moves) % 2 == 0
                mover = NEW if black_to_move == self.new_black else BASE
                x, y = self.ask(brains[mover], mover, moves)
                if not (0 <= x < size and 0 <= y < size):
                    raise Fault(f"played {x},{y}, off the board")
                if board[y][x]:
                    raise Fault(f"played {x},{y}, a taken point")
                if self.expected is not None:
                    want = self.expected[len(moves)]
                    if (x, y) != tuple(want):
                        return None, (f"{NAMES[mover]} played {x},{y} at stone {len(moves) + 1}"
                                      f" where the record has {want[0]},{want[1]}"), moves
                board[y][x] = 1 + len(moves) % 2
                moves.append((x, y))
                if five(board, size, x, y):
                    return mover, "five", moves
                if self.expected is not None and len(moves) == len(self.expected):
                    return None, "the recorded moves, all the same", moves
            return None, "board full", moves
        except Fault as fault:
            return 1 - mover, f"{NAMES[mover]} {fault}", moves
        finally:
            for b in brains:
                if b is not None:
                    b.close()


def read_openings(path, size):
    openings = []
    with open(path) as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            stones = []
            for word in line.split():
                x, y = (int(v) for v in word.split(","))
                if not (0 <= x < size and 0 <= y < size) or (x, y) in stones:
                    sys.exit(f"{path}:{number}: {word} is off the {size} x {size} board or taken")
                stones.append((x, y))
            openings.append(stones)
    if not openings:
        sys.exit(f"{path}: no openings")
    return openings


def status(pentanomial, wdl, args):
    elo, low, high = sprt.elo_interval(pentanomial)
    lower, upper = sprt.bounds(args.alpha, args.beta)
    value = sprt.llr(pentanomial, args.elo0, args.elo1)
    # Every game played counts in the tally; the SPRT counts only pairs with both games ended.
    return (f"games {sum(wdl)}: new won {wdl[0]}, lost {wdl[1]}, drew {wdl[2]}; "
            f"Elo {elo:+.1f} [{low:+.1f}, {high:+.1f}] (95%); "
            f"LLR {value:+.2f} [{lower:+.2f}, {upper:+.2f}] for elo0 {args.elo0:g}, "
            f"elo1 {args.elo1:g}; pairs {'-'.join(str(c) for c in pentanomial)}")


def replay(args):
    with open(args.replay) as f:
        records = [json.loads(line) for line in f if line.strip()]
    record = next((r for r in records if r["game"] == args.game), None)
    if record is None:
        sys.exit(f"no game {args.game} in {args.replay}")
    for key in ("size", "nodes", "time", "match", "rule"):
        setattr(args, key, record[key])
    opening = [tuple(m) for m in record["opening"]]
    game = Game(args, opening, record["new_black"], record["moves"])
    winner, why, moves = game.play()
    same = why == "the recorded moves, all the same" or (
        winner is not None and record["winner"] == NAMES[winner] and
        [list(m) for m in moves] == record["moves"])
    print(f"game {args.game}: {why}; {len(moves)} stones" +
          (", as recorded" if same else ", not as recorded"))
    return 0 if same else 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("new")
    parser.add_argument("base")
    parser.add_argument("--openings")
    parser.add_argument("--size", type=int, default=18)
    parser.add_argument("--nodes", type=int, default=0, help="positions a move")
    parser.add_argument("--time", type=int, default=0, help="milliseconds a move")
    parser.add_argument("--match", type=int, default=0, help="milliseconds a game, each side")
    parser.add_argument("--grace", type=int, default=100,
                        help="milliseconds past the limit before an answer is late")
    parser.add_argument("--rule", type=int, default=0)
    parser.add_argument("--elo0", type=float, default=0.0)
    parser.add_argument("--elo1", type=float, default=30.0)
    parser.add_argument("--alpha", type=float, default=0.05)
    parser.add_argument("--beta", type=float, default=0.05)
    parser.add_argument("--max-games", type=int, default=2000)
    parser.add_argument("--parallel", type=int, default=2)
    parser.add_argument("--log", default=".")
    parser.add_argument("--replay", help="a games.jsonl of an earlier match")
    parser.add_argument("--game", type=int, default=0)
    args = parser.parse_args()
    if args.rule != 0:
        parser.error(f"rule {args.rule} is not played yet: only 0 (freestyle, five or more wins)")
    if args.replay:
        return replay(args)
    if not args.openings:
        parser.error("--openings FILE is needed")
    if not args.nodes and not args.time and not args.match:
        parser.error("give --nodes N, --time MS or --match MS")
    if not (args.elo0 < args.elo1) or not (0 < args.alpha < 1 and 0 < args.beta < 1):
        parser.error("need elo0 < elo1 and alpha, beta between 0 and 1")
    openings = read_openings(args.openings, args.size)
    os.makedirs(args.log, exist_ok=True)
    log = open(os.path.join(args.log, "games.jsonl"), "w")
    limits = (f"{args.nodes} positions a move" if args.nodes else
              f"{args.time} ms a move" if args.time else "") + \
        (f", {args.match} ms a game" if args.match else "")
    print(f"new: {args.new}\nbase: {args.base}\n{limits}, {len(openings)} openings, "
          f"{args.parallel} games at a time, at most {args.max_games} games", flush=True)

    pentanomial = [0, 0, 0, 0, 0]
    wdl = [0, 0, 0]
    faults = 0
    halves = {}  # opening pair -> the first finished game's points for NEW
    longest = [0.0, 0.0]
    outcome = None
    next_game = 0
    running = {}
    with ThreadPoolExecutor(args.parallel) as pool:
        while outcome is None and (running or next_game < args.max_games):
            while len(running) < args.parallel and next_game < args.max_games:
                pair, new_black = divmod(next_game, 2)
                game = Game(args, openings[pair % len(openings)], new_black == 0)
                running[pool.submit(game.play)] = (next_game, pair, game)
                next_game += 1
            done, _ = wait(running, return_when=FIRST_COMPLETED)
            for future in done:
                index, pair, game = running.pop(future)
                winner, why, moves = future.result()
                points = 1.0 if winner == NEW else 0.0 if winner == BASE else 0.5
                wdl[0 if winner == NEW else 1 if winner == BASE else 2] += 1
                longest = [max(a, b) for a, b in zip(longest, game.longest_ms)]
                colour = "black" if game.new_black else "white"
                result = "drawn" if winner is None else f"{NAMES[winner]} won"
                line = f"game {index} (opening {pair % len(openings)}, new {colour}): " \
                       f"{result}, {len(moves)} stones, {why}"
                if why not in ("five", "board full"):
                    faults += 1
                    line += "  <- a fault"
                print(line, flush=True)
                if winner == BASE:
                    print("  new lost: " + " ".join(f"{x},{y}" for x, y in moves), flush=True)
                log.write(json.dumps({
                    "game": index, "opening": game.opening, "new_black": game.new_black,
                    "winner": None if winner is None else NAMES[winner], "why": why,
                    "moves": moves, "size": args.size, "nodes": args.nodes, "time": args.time,
                    "match": args.match, "rule": args.rule}) + "\n")
                log.flush()
                if pair in halves:
                    pentanomial[int(round((halves.pop(pair) + points) * 2))] += 1
                    if sum(pentanomial) % 10 == 0:
                        print("  " + status(pentanomial, wdl, args), flush=True)
                    outcome, _ = sprt.verdict(pentanomial, args.elo0, args.elo1, args.alpha,
                                              args.beta)
                else:
                    halves[pair] = points
        for future in running:
            future.cancel()
    print(status(pentanomial, wdl, args))
    print(f"faults: {faults}; longest answer: new {longest[0]:.0f} ms, base {longest[1]:.0f} ms")
    print(f"verdict: {outcome or 'none'} " +
          ("(new is stronger by the margin)" if outcome == "H1" else
           "(new is not stronger by the margin)" if outcome == "H0" else
           f"(the cap of {args.max_games} games came first)"))
    print(f"games: {os.path.join(args.log, 'games.jsonl')}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
