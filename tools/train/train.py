#!/usr/bin/python3
"""The trainer of the learned evaluation (engine/network.h), on Debian's PyTorch (python3-torch).

  train.py train DIR DATA... [--epochs N] [--blend L] [--batch N] [--lr R] [--table-rate T]
                             [--decay D] [--seed S] [--correction] [--every]
      reads the games of bench/datagen (DATA files), turns each position after the opening into
      the side to move's line features and a target (below), trains the network in floating point
      and writes DIR/network.g3dn, the weights file the engine reads. DIR/checkpoint.pt is written
      after every epoch (and every few minutes): run the same command again and it goes on from
      there. The positions' features are kept in DIR/positions.npz for the next run. The
      weights written are those of the epoch with the lowest held-out loss.
      With --correction the network learns what to add to the hand-made evaluation
      (engine/evaluation.h), read for each DATA file from DATA.evals (`datagen evals DATA >
      DATA.evals`): its output starts at zero, so it starts from the hand-made evaluation's own
      loss, and the file says that the engine adds the two.  train.py export DIR [OUT]
      writes the weights file of DIR's checkpoint (OUT, by default DIR/network.g3dn).
  train.py fixture DATA... [--out PREFIX]
      trains a little on DATA and writes PREFIX.g3dn and PREFIX.txt: a network and, for some
      positions, the scores this trainer works out for them in the engine's own fixed point;
      tests/engine/network_test.cpp holds the engine to them (PREFIX by default
      tests/data/network_fixture).

The target of a position, from the side to move's view: BLEND times the game's result (1 won,
0 lost, 0.5 drawn) plus (1 - BLEND) times sigmoid(score / SCALE), the score being the search's at
that position. Positions without a score (a five stopped, an only move) or with a proved win or
loss are left out, unless --every keeps them (a proved score as the win or loss, clipped; no
score as the game's result): the search's horizon meets such threats, and a correction never
shown them learns to take back what the hand-made evaluation gives for them. The network is the same under the
board's eight symmetries by its shape (one table for the four lines, a line read either way the
same), so the symmetries add no positions; the fixture holds a position's eight images, scored one
by one, to keep both sides of that promise.
"""
import argparse
import copy
import hashlib
import math
import os
import struct
import sys
import time
import zlib

import numpy as np
import torch
from torch import nn

# The network's shape and the file's format: engine/network.h.
SIDE_STATES = 121
FEATURES = SIDE_STATES * (SIDE_STATES + 1) // 2
WIDTH, HIDDEN1, HIDDEN2 = 32, 32, 32
ACTIVATION_ONE, WEIGHT_ONE = 127, 64
# The feature table and its bias in finer steps: a row's learnt values are a few hundredths, which
# in whole activation units round to 0 or 1 (the first layer takes the sums divided by them).
TABLE_STEPS = 64
MAGIC = b"G3DNET\r\n"
VERSION = 3
SCALE = 2000  # search units for a logit of 1
WIN_THRESHOLD = 29000
SIDE_OFFSET = np.array([0, 1, 4, 13, 40])
# The four lines through a point, as (dx, dy): a row, a column and the two diagonals.
DIRECTIONS = ((1, 0), (0, 1), (1, 1), (-1, 1))
EMPTY, BLACK, WHITE, WALL = 0, 1, 2, 3


def say(*words):
    print("train:", *words, flush=True)


# --- The games -----------------------------------------------------------------------------


def read_games(paths):
    """The games of datagen's files: (number, size, black's result, [(x, y, score or None)]), the
    opening's stones and the moves no search scored without a score."""
    games, headers = [], []
    for path in paths:
        size = 18
        with open(path, encoding="utf-8") as f:
            for line in f:
                words = line.split()
                if not words:
                    continue
                if words[0] == "#":
                    headers.append(line.strip())
                    if "size" in words:
                        size = int(words[words.index("size") + 1])
                    continue
                if not line.endswith("\n"):
                    break  # cut short by a stop
                result = float(words[3])
                moves = []
                for word in words[6:]:
                    point, _, score = word.partition(":")
                    x, y = (int(v) for v in point.split(","))
                    moves.append((x, y, int(score) if score else None))
                games.append((int(words[0]), size, result, moves))
    return games, headers


def board_of(size, stones):
    """The padded board (four walls deep) of `stones`, [(x, y)] alternately black and white."""
    board = np.full((size + 8, size + 8), WALL, dtype=np.int64)
    board[4:4 + size, 4:4 + size] = EMPTY
    for i, (x, y) in enumerate(stones):
        board[4 + y, 4 + x] = BLACK if i % 2 == 0 else WHITE
    return board


def features_of(board, size, colour):
    """The feature of every empty point's every line, as `colour` (0 black) sees the board."""
    own, other = (BLACK, WHITE) if colour == 0 else (WHITE, BLACK)
    seen = np.select([board == own, board == other, board == WALL], [1, 2, 3], 0)
    empty = board[4:4 + size, 4:4 + size] == EMPTY
    out = []
    for dx, dy in DIRECTIONS:
        states = []
        for way in (-1, 1):
            alive = np.ones((size, size), dtype=bool)
            value = np.zeros((size, size), dtype=np.int64)
            count = np.zeros((size, size), dtype=np.int64)
            for k in range(1, 5):
                oy, ox = 4 + way * k * dy, 4 + way * k * dx
                cell = seen[oy:oy + size, ox:ox + size]
                alive &= cell != 3
                value += np.where(alive, cell * 3 ** (k - 1), 0)
                count += alive
            states.append(SIDE_OFFSET[count] + value)
        high, low = np.maximum(*states), np.minimum(*states)
        out.append((high * (high + 1) // 2 + low)[empty])
    return np.concatenate(out)


def read_evaluations(paths):
    """The hand-made evaluation before each move of each game, from each DATA's DATA.evals."""
    evaluations = {}
    for path in paths:
        try:
            with open(path + ".evals", encoding="utf-8") as f:
                for line in f:
                    words = line.split()
                    if words:
                        evaluations[int(words[0])] = [None if w == "-" else int(w)
                                                      for w in words[1:]]
        except OSError as e:
            sys.exit(f"train: --correction needs {path}.evals (datagen evals {path} > "
                     f"{path}.evals): {e.strerror}")
    return evaluations


def positions_of(games, blend, evaluations=None, every=False):
    """Every position's features (side to move's view), target, the game it came from, and the
    hand-made evaluation the network corrects (0 when it does not). With `every`, the positions
    whose move no search scored (a five stopped, an only move) or whose score is a proved win or
    loss are kept too, their score taken as the game's result (or the proof), so that the network
    also sees the threats the search meets at its horizon."""
    indices, offsets, targets, game_of, base = [], [], [], [], []
    at = 0
    for number, size, result, moves in games:
        stones = []
        evaluation = evaluations.get(number) if evaluations is not None else None
        if evaluations is not None and (evaluation is None or len(evaluation) != len(moves)):
            sys.exit(f"train: the evaluations of game {number} do not match its moves; make the "
                     "DATA.evals files again")
        for i, (x, y, score) in enumerate(moves):
            colour = len(stones) % 2
            # A correction is learned only where the search would judge the position as it stands.
            quiet = evaluation is None or evaluation[i] is not None
            won = result if colour == 0 else 1 - result
            if every and quiet:
                if score is None:
                    score = int(round(SCALE * math.log(max(won, 0.01) / max(1 - won, 0.01))))
                score = max(-WIN_THRESHOLD, min(WIN_THRESHOLD, score))
            if score is not None and (abs(score) < WIN_THRESHOLD or every) and quiet:
                f = features_of(board_of(size, stones), size, colour)
                indices.append(f)
                offsets.append(at)
                at += len(f)
                targets.append(blend * won + (1 - blend) / (1 + math.exp(-score / SCALE)))
                game_of.append(number)
                base.append(evaluation[i] / SCALE if evaluation is not None else 0.0)
            stones.append((x, y))
    if not offsets:
        return None
    return {
        "indices": np.concatenate(indices).astype(np.int64),
        "offsets": np.array(offsets, dtype=np.int64),
        "targets": np.array(targets, dtype=np.float32),
        "games": np.array(game_of, dtype=np.int64),
        "base": np.array(base, dtype=np.float32),
    }


def batch_of(data, picked):
    """The features and targets of the positions `picked`, for the network's input."""
    starts = data["offsets"][picked]
    ends = np.append(data["offsets"], len(data["indices"]))[picked + 1]
    parts = [data["indices"][s:e] for s, e in zip(starts, ends)]
    lengths = np.array([len(p) for p in parts])
    offsets = np.concatenate([[0], np.cumsum(lengths)[:-1]])
    return (torch.from_numpy(np.concatenate(parts)), torch.from_numpy(offsets),
            torch.from_numpy(data["targets"][picked]), torch.from_numpy(data["base"][picked]))


# --- The network ---------------------------------------------------------------------------


class Net(nn.Module):
    def __init__(self, spread=0.01, correction=False):
        super().__init__()
        self.features = nn.EmbeddingBag(FEATURES, WIDTH, mode="sum")
        nn.init.normal_(self.features.weight, 0.0, spread)
        self.bias = nn.Parameter(torch.full((WIDTH,), 0.5))
        self.hidden1 = nn.Linear(WIDTH, HIDDEN1)
        self.hidden2 = nn.Linear(HIDDEN1, HIDDEN2)
        self.output = nn.Linear(HIDDEN2, 1)
        if correction:  # nothing added at first: the hand-made evaluation as it is
            nn.init.zeros_(self.output.weight)
            nn.init.zeros_(self.output.bias)

    def forward(self, indices, offsets):
        """The logit of the side to move's winning."""
        h = torch.clamp(self.features(indices, offsets) + self.bias, 0, 1)
        h = torch.clamp(self.hidden1(h), 0, 1)
        h = torch.clamp(self.hidden2(h), 0, 1)
        return self.output(h).squeeze(1)


def quantized(net):
    """The network in the engine's fixed point, as int64 arrays."""
    def q(tensor, unit, lo=-32768, hi=32767):
        v = np.rint(tensor.detach().double().numpy() * unit).astype(np.int64)
        clipped = int(((v < lo) | (v > hi)).sum())
        if clipped:
            say(f"{clipped} values clipped to the file's range")
        return np.clip(v, lo, hi)
    i32 = (-2**31, 2**31 - 1)
    return {
        "features": q(net.features.weight, ACTIVATION_ONE * TABLE_STEPS),
        "feature_bias": q(net.bias, ACTIVATION_ONE * TABLE_STEPS, *i32),
        "hidden1": q(net.hidden1.weight, WEIGHT_ONE),
        "bias1": q(net.hidden1.bias, ACTIVATION_ONE * WEIGHT_ONE, *i32),
        "hidden2": q(net.hidden2.weight, WEIGHT_ONE),
        "bias2": q(net.hidden2.bias, ACTIVATION_ONE * WEIGHT_ONE, *i32),
        "output": q(net.output.weight[0], WEIGHT_ONE),
        "output_bias": q(net.output.bias, ACTIVATION_ONE * WEIGHT_ONE, *i32),
    }


def fixed_score(qn, indices):
    """The engine's score of one view's features, in the engine's own integer steps."""
    acc = qn["feature_bias"] + qn["features"][indices].sum(axis=0)
    h = np.clip(acc // TABLE_STEPS, 0, ACTIVATION_ONE)
    h = np.clip((qn["bias1"] + qn["hidden1"] @ h) // WEIGHT_ONE, 0, ACTIVATION_ONE)
    h = np.clip((qn["bias2"] + qn["hidden2"] @ h) // WEIGHT_ONE, 0, ACTIVATION_ONE)
    out = int(qn["output_bias"][0] + qn["output"] @ h)
    score = (out * SCALE) // (ACTIVATION_ONE * WEIGHT_ONE)
    return max(-WIN_THRESHOLD + 1, min(WIN_THRESHOLD - 1, score))


def write_weights(qn, path, note, correction=False):
    note = note.encode("utf-8")[:4096]
    body = bytearray(note)
    for name, kind in (("features", "h"), ("feature_bias", "i"), ("hidden1", "h"),
                       ("bias1", "i"), ("hidden2", "h"), ("bias2", "i"), ("output", "h"),
                       ("output_bias", "i")):
        values = qn[name].reshape(-1)
        body += struct.pack(f"<{len(values)}{kind}", *values.tolist())
    header = MAGIC + struct.pack("<12I", VERSION, FEATURES, WIDTH, HIDDEN1, HIDDEN2,
                                 ACTIVATION_ONE, WEIGHT_ONE, SCALE, int(correction), len(note),
                                 len(body), zlib.crc32(body))
    with open(path + ".part", "wb") as f:
        f.write(header + body)
    os.replace(path + ".part", path)


# --- Training ------------------------------------------------------------------------------


def provenance(paths, headers, games, positions, args):
    parts = []
    for path in paths:
        with open(path, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()[:16]
        parts.append(f"{os.path.basename(path)} sha256 {digest}")
    return (f"gomoku3d learned evaluation; tools/train/train.py on {games} games, {positions} "
            f"positions of {'; '.join(parts)}; made by {' | '.join(sorted(set(headers)))}; "
            f"epochs {args.epochs} (epoch {getattr(args, 'kept_epoch', args.epochs)} kept), blend {args.blend}, batch {args.batch}, lr {args.lr}, "
            f"table rate {args.table_rate:.4g}, decay {args.decay}, seed {args.seed}"
            + (", a correction to the hand-made evaluation" if args.correction else ""))


def load_positions(directory, paths, blend, correction=False, every=False):
    """The positions of `paths`, from DIR/positions.npz when it was made from the same files."""
    key = hashlib.sha256()
    for path in paths:
        with open(path, "rb") as f:
            key.update(f.read())
    key.update(str(blend).encode() + (b" every" if every else b""))
    evaluations = read_evaluations(paths) if correction else None
    if correction:
        for path in paths:
            with open(path + ".evals", "rb") as f:
                key.update(f.read())
    cache = os.path.join(directory, "positions.npz") if directory else None
    if cache and os.path.exists(cache):
        kept = np.load(cache)
        if str(kept["key"]) == key.hexdigest():
            return {name: kept[name] for name in ("indices", "offsets", "targets", "games", "base")}
    games, _ = read_games(paths)
    started = time.time()
    data = positions_of(games, blend, evaluations, every)
    if data is None:
        sys.exit("train: no positions to train on")
    say(f"{len(data['offsets'])} positions of {len(games)} games read in "
        f"{time.time() - started:.1f} s")
    if cache:
        np.savez(cache + ".part.npz", key=key.hexdigest(), **data)
        os.replace(cache + ".part.npz", cache)
    return data


def mean_loss(net, data, picked, batch):
    loss, count = 0.0, 0
    with torch.no_grad():
        for start in range(0, len(picked), batch):
            indices, offsets, targets, base = batch_of(data, picked[start:start + batch])
            logits = net(indices, offsets) + base
            loss += float(nn.functional.binary_cross_entropy_with_logits(
                logits, targets, reduction="sum"))
            count += len(targets)
    return loss / max(count, 1)


def train(directory, paths, args, quiet=False, spread=0.01):
    torch.manual_seed(args.seed)
    data = load_positions(directory, paths, args.blend, args.correction, args.every)
    held = data["games"] % 10 == 9
    train_ids, held_ids = np.flatnonzero(~held), np.flatnonzero(held)
    if len(held_ids) == 0:
        held_ids = train_ids
    net = Net(spread, args.correction)
    # The feature table at a rate of its own, far below the layers': Adam moves every weight by
    # about its rate a step, and a position's most common feature stands for hundreds of its
    # lines, so a step at the layers' rate moves the sums by hundreds of times as much and drives
    # every clipped unit to 0 or 1 at once, where it learns no more.
    table = [net.features.weight]
    rest = [p for name, p in net.named_parameters() if name != "features.weight"]
    optimiser = torch.optim.Adam([{"params": table, "lr": args.lr * args.table_rate},
                                  {"params": rest, "lr": args.lr}],
                                 weight_decay=args.decay)
    epoch = 0
    # The epoch whose network did best on the held-out games: (its loss, the epoch, its weights).
    best = (mean_loss(net, data, held_ids, args.batch), 0, copy.deepcopy(net.state_dict()))
    checkpoint = os.path.join(directory, "checkpoint.pt") if directory else None
    if checkpoint and os.path.exists(checkpoint):
        kept = torch.load(checkpoint)
        net.load_state_dict(kept["net"])
        optimiser.load_state_dict(kept["optimiser"])
        epoch = kept["epoch"]
        torch.set_rng_state(kept["rng"])
        best = kept.get("best", best)
        say(f"carried on from {checkpoint}, after epoch {epoch}")
    rng = np.random.default_rng(args.seed + epoch)

    def save(at_epoch):
        if checkpoint:
            torch.save({"net": net.state_dict(), "optimiser": optimiser.state_dict(),
                        "epoch": at_epoch, "rng": torch.get_rng_state(), "args": vars(args),
                        "best": best},
                       checkpoint + ".part")
            os.replace(checkpoint + ".part", checkpoint)

    began = time.time()
    first_epoch = epoch
    if not quiet:
        say(f"{len(train_ids)} positions to fit, {len(held_ids)} held out (every tenth game); "
            f"loss before {best[0]:.4f} held out")
    while epoch < args.epochs:
        order = rng.permutation(train_ids)
        total, count, saved = 0.0, 0, time.time()
        for start in range(0, len(order), args.batch):
            indices, offsets, targets, base = batch_of(data, order[start:start + args.batch])
            loss = nn.functional.binary_cross_entropy_with_logits(net(indices, offsets) + base,
                                                                  targets)
            optimiser.zero_grad()
            loss.backward()
            optimiser.step()
            total += float(loss) * len(targets)
            count += len(targets)
            if time.time() - saved > 300:  # a long epoch is not lost whole to a stop
                save(epoch)
                saved = time.time()
        epoch += 1
        held_loss = mean_loss(net, data, held_ids, args.batch)
        if held_loss < best[0] or quiet:
            best = (held_loss, epoch, copy.deepcopy(net.state_dict()))
        save(epoch)
        if not quiet:
            spent = time.time() - began
            left = spent / (epoch - first_epoch) * (args.epochs - epoch)
            say(f"epoch {epoch}/{args.epochs}: loss {total / max(count, 1):.4f} fitted, "
                f"{held_loss:.4f} held out; "
                f"{count / max(spent / (epoch - first_epoch), 1e-9):.0f} positions a second, "
                f"{spent / 60:.1f} min so far, about {left / 60:.1f} to go")
    if not quiet:
        say(f"the network of epoch {best[1]} kept, {best[0]:.4f} held out")
    net.load_state_dict(best[2])
    args.kept_epoch = best[1]
    return net, data


def rounding_report(net, qn, data, count=2000):
    """How far the file's fixed point moves the scores of some held-out positions from the
    network's own (in the search's units): a network whose rounding loses what it learnt plays
    by something else."""
    picked = np.flatnonzero(data["games"] % 10 == 9)[:count]
    ends = np.append(data["offsets"], len(data["indices"]))
    exact, rounded = [], []
    with torch.no_grad():
        for i in picked:
            f = data["indices"][data["offsets"][i]:ends[i + 1]]
            logit = float(net(torch.from_numpy(f), torch.tensor([0]))[0])
            exact.append(max(-WIN_THRESHOLD + 1, min(WIN_THRESHOLD - 1, logit * SCALE)))
            rounded.append(fixed_score(qn, f))
    if len(picked) < 2:
        return
    exact, rounded = np.array(exact), np.array(rounded)
    spread = float(np.std(exact))
    say(f"the weights as rounded to the file score {len(picked)} held-out positions "
        f"{np.mean(np.abs(exact - rounded)):.0f} from the network's own on average "
        f"(its scores' spread {spread:.0f}; correlation "
        f"{np.corrcoef(exact, rounded)[0, 1] if spread > 0 else 1.0:.4f})")


def export(directory, out):
    kept = torch.load(os.path.join(directory, "checkpoint.pt"))
    correction = kept["args"].get("correction", False)
    net = Net(correction=correction)
    loss, epoch, weights = kept.get("best", (None, kept["epoch"], kept["net"]))
    net.load_state_dict(weights)
    write_weights(quantized(net), out, f"gomoku3d learned evaluation; tools/train/train.py, "
                  f"the checkpoint of {directory}, epoch {epoch} of {kept['epoch']}, options "
                  f"{kept['args']}", correction)
    say(f"weights written to {out}")


# --- The tests' fixture --------------------------------------------------------------------


def fixture_positions(games, rng):
    """Positions of the games at several lengths, others on boards of other sizes, and the eight
    images of one of them: (size, [(x, y)] alternately black and white)."""
    chosen = []
    for number, size, result, moves in games[:12:2]:  # one game of each pair
        stones = [(x, y) for x, y, _ in moves]
        for length in (3, len(stones) // 3, len(stones) // 2, len(stones) - 1):
            chosen.append((size, stones[:max(length, 0)]))
    for size in (5, 6, 9, 15, 32):
        points = [(x, y) for x in range(size) for y in range(size)]
        rng.shuffle(points)
        chosen.append((size, points[:min(len(points) - 1, 4 + size)]))
        chosen.append((size, []))
    size, stones = chosen[2]
    n = size - 1
    for symmetry in range(1, 8):
        image = []
        for x, y in stones:
            if symmetry & 4:
                x, y = y, x
            if symmetry & 1:
                x = n - x
            if symmetry & 2:
                y = n - y
            image.append((x, y))
        chosen.append((size, image))
    return chosen


def fixture(paths, prefix, args):
    # Wide first weights, so that the positions' scores lie apart: the fixture is for the
    # arithmetic, not for the play.
    args.epochs = 2
    net, _ = train(None, paths, args, quiet=True, spread=0.1)
    games, _ = read_games(paths)
    qn = quantized(net)
    chosen = fixture_positions(games, np.random.default_rng(args.seed))
    used = set()
    lines = ["# size, black's score, white's score (each as the side to move), the stones "
             "alternately black and white from black",
             "# written by tools/train/train.py fixture with the network beside it"]
    views = []
    for size, stones in chosen:
        board = board_of(size, stones)
        pair = [features_of(board, size, colour) for colour in (0, 1)]
        for f in pair:
            used.update(f.tolist())
        views.append((size, stones, pair))
    # The rows no position uses are left out (zero), so that the file packs small.
    unused = np.ones(FEATURES, dtype=bool)
    unused[list(used)] = False
    qn["features"][unused] = 0
    for size, stones, pair in views:
        scores = [fixed_score(qn, f) for f in pair]
        lines.append(f"{size} {scores[0]} {scores[1]} " + " ".join(f"{x},{y}" for x, y in stones))
    write_weights(qn, prefix + ".g3dn", "the fixture of tests/engine/network_test.cpp")
    with open(prefix + ".txt", "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    say(f"{len(views)} positions and their scores written to {prefix}.txt, the network to "
        f"{prefix}.g3dn")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("command", choices=("train", "export", "fixture"))
    parser.add_argument("paths", nargs="*")
    parser.add_argument("--epochs", type=int, default=20)
    parser.add_argument("--blend", type=float, default=0.5)
    parser.add_argument("--batch", type=int, default=256)
    parser.add_argument("--lr", type=float, default=0.003)
    parser.add_argument("--table-rate", type=float, default=1 / 30,
                        help="the feature table's learning rate, as a share of --lr")
    parser.add_argument("--decay", type=float, default=0.0, help="Adam's weight decay")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--correction", action="store_true",
                        help="learn what to add to the hand-made evaluation (DATA.evals)")
    parser.add_argument("--every", action="store_true",
                        help="keep the positions with proved or no scores too")
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--out", default=None)
    args = parser.parse_args()
    torch.set_num_threads(args.threads)
    if args.command == "train":
        if len(args.paths) < 2:
            parser.error("train DIR DATA...")
        directory, paths = args.paths[0], args.paths[1:]
        os.makedirs(directory, exist_ok=True)
        net, data = train(directory, paths, args)
        games, headers = read_games(paths)
        out = args.out or os.path.join(directory, "network.g3dn")
        qn = quantized(net)
        rounding_report(net, qn, data)
        write_weights(qn, out,
                      provenance(paths, headers, len(games), len(data["offsets"]), args),
                      args.correction)
        say(f"weights written to {out}")
    elif args.command == "export":
        if not args.paths:
            parser.error("export DIR [OUT]")
        directory = args.paths[0]
        export(directory, args.paths[1] if len(args.paths) > 1 else
               os.path.join(directory, "network.g3dn"))
    else:
        if not args.paths:
            parser.error("fixture DATA...")
        here = os.path.dirname(os.path.abspath(__file__))
        prefix = args.out or os.path.join(here, "..", "..", "tests", "data", "network_fixture")
        fixture(args.paths, os.path.normpath(prefix), args)


if __name__ == "__main__":
    main()
