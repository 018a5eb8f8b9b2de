#!/usr/bin/env python3
"""Finds where a lost game was lost: each position of the loser's, from its last move back, is
searched again by a brain with a fixed number of positions, until that search no longer sees the
loss. The first position it finds lost, and the one of the loser's before it (the turning point),
are printed with the move played there, the move the search would play and its score; then the
scores of the loser's positions before, to show whether its judgement fell away slowly or at once.

  review_lost.py BRAIN GAMES... [--nodes N] [--colour white|black|any] [--before K]

GAMES are brain_match.py's games.jsonl (the games lost by its "new" brain) or bsd_match.py's
.moves files ("# brain white, winner bsd" and the moves). BRAIN is asked with --debug --nodes N.
"""
import argparse
import json
import subprocess
import sys

WIN_THRESHOLD = 29000  # scores beyond this are wins or losses (engine/search.h)
# The brain's reasons for a move that no search chose.
FORCED = {"five", "block", "move", "opening"}  # "only move" ends in "move"


def lost_games(path, colour):
    """(name, size, moves, loser's colour 0 black / 1 white) for each lost game in the file."""
    if path.endswith(".jsonl"):
        with open(path) as f:
            for line in f:
                g = json.loads(line)
                if g["winner"] != "base":
                    continue
                loser = 0 if g["new_black"] else 1
                if colour in ("any", ("black", "white")[loser]):
                    yield (f"{path}:{g['game']}", g["size"], [tuple(m) for m in g["moves"]],
                           loser, len(g["opening"]))
        return
    with open(path) as f:
        head = f.readline().split()
        words = f.read().split()
    if head[:2] != ["#", "brain"] or "winner" not in head:
        sys.exit(f"review_lost: {path}: not a bsd_match.py game")
    loser = 0 if head[2].rstrip(",") == "black" else 1
    if head[-1] == "bsd" and colour in ("any", ("black", "white")[loser]):
        moves = [tuple(int(v) for v in w.split(",")) for w in words]
        yield path, 19, moves, loser, 0


class Brain:
    def __init__(self, command, nodes):
        self.nodes = nodes
        self.process = subprocess.Popen([command, "--debug", "--nodes", str(nodes)],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.size = None

    def ask(self, size, stones):
        """The move the brain plays after `stones` (black first) and its score."""
        if size != self.size:
            self.send(f"START {size}")
            self.read_until_ok()
            self.size = size
        else:
            self.send("RESTART")
            self.read_until_ok()
        mine = len(stones) % 2
        lines = ["BOARD"] + [f"{x},{y},{1 if i % 2 == mine else 2}"
                             for i, (x, y) in enumerate(stones)] + ["DONE"]
        self.send("\n".join(lines))
        score = depth = reason = None
        while True:
            line = self.process.stdout.readline()
            if not line:
                sys.exit("review_lost: the brain ended")
            words = line.split()
            if words[:1] == ["DEBUG"] and "score" in words:
                score = int(words[words.index("score") + 1])
                depth = int(words[words.index("depth") + 1]) if "depth" in words else None
                reason = words[-1]
            elif words[:1] not in (["OK"], ["MESSAGE"], ["DEBUG"]) and words:
                x, y = (int(v) for v in words[0].split(","))
                return (x, y), score, depth, reason

    def read_until_ok(self):
        while True:
            line = self.process.stdout.readline()
            if not line:
                sys.exit("review_lost: the brain ended")
            if line.split()[:1] == ["OK"]:
                return

    def send(self, text):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()

    def close(self):
        self.send("END")
        self.process.stdin.close()
        self.process.wait()


def told(score):
    if score is None:
        return "no score"
    if score >= WIN_THRESHOLD:
        return f"win in {30000 - score}"
    if score <= -WIN_THRESHOLD:
        return f"loss in {30000 + score}"
    return f"{score:+d}"


def review(brain, name, size, moves, loser, opening, before):
    turns = [k for k in range(opening, len(moves)) if k % 2 == loser]
    print(f"{name}: {('black', 'white')[loser]} lost, {len(moves)} stones")
    found = None
    seen = []
    for k in reversed(turns):
        move, score, depth, reason = brain.ask(size, moves[:k])
        seen.append((k, move, score, depth, reason))
        # A move that needed no search (a four stopped, the only move) tells nothing of the loss.
        if reason in FORCED:
            continue
        if score is None or score > -WIN_THRESHOLD:
            found = k
            break
    for k, move, score, depth, reason in reversed(seen):
        played = moves[k]
        same = "same" if move == played else f"search plays {move[0]},{move[1]}"
        print(f"  stone {k + 1:3d}: played {played[0]},{played[1]}; {same}, "
              f"{told(score)} ({reason}, depth {depth})")
    if found is None:
        print("  lost from its first move")
        return
    for k in [t for t in reversed(turns) if t < found][:before]:
        move, score, depth, reason = brain.ask(size, moves[:k])
        played = moves[k]
        same = "same" if move == played else f"search plays {move[0]},{move[1]}"
        print(f"  before {k + 1:3d}: played {played[0]},{played[1]}; {same}, "
              f"{told(score)} ({reason}, depth {depth})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("brain")
    parser.add_argument("games", nargs="+")
    parser.add_argument("--nodes", type=int, default=1000000)
    parser.add_argument("--colour", choices=("white", "black", "any"), default="white")
    parser.add_argument("--before", type=int, default=3,
                        help="the loser's positions before the turning point to score")
    args = parser.parse_args()
    brain = Brain(args.brain, args.nodes)
    print(f"review_lost: {args.brain} at {args.nodes} positions a position")
    for path in args.games:
        for name, size, moves, loser, opening in lost_games(path, args.colour):
            review(brain, name, size, moves, loser, opening, args.before)
    brain.close()


if __name__ == "__main__":
    main()
