#!/usr/bin/env python3
"""The match referee and its statistics (bench/brain_match.py, bench/sprt.py): the SPRT's
log-likelihood ratio against the exact ratio of the pentanomial likelihoods, Elo and its interval;
the referee against stand-in brains (fake_brain.py) that commit each fault, records replayed, a
rule other than freestyle refused. Prints "N passed, M failed"; exits non-zero if any failed.
"""
import json
import math
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
MATCH = os.path.join(ROOT, "bench", "brain_match.py")
FAKE = os.path.join(HERE, "fake_brain.py")
sys.path.insert(0, os.path.join(ROOT, "bench"))
import sprt  # noqa: E402

checks = [0, 0]


def check(what, ok):
    print(("ok: " if ok else "FAIL: ") + what)
    checks[0 if ok else 1] += 1


def exact_llr(counts, elo0, elo1):
    """log L(H1) - log L(H0) of the pentanomial counts, each hypothesis's likelihood maximised
    over the distributions whose mean score is the one its Elo predicts: p_i = f_i / (1 + l (x_i
    - s)) with the multiplier l found by bisection."""
    n = sum(counts)
    freq = [c / n for c in counts]

    def best(s):
        def mean_gap(lam):
            return sum(f * (x - s) / (1 + lam * (x - s)) for f, x in zip(freq, sprt.PAIR_SCORES))
        low = -1 / (1 - s) + 1e-12
        high = 1 / s - 1e-12
        for _ in range(200):
            mid = (low + high) / 2
            if mean_gap(mid) > 0:
                low = mid
            else:
                high = mid
        lam = (low + high) / 2
        return sum(c * math.log(f / (1 + lam * (x - s)))
                   for c, f, x in zip(counts, freq, sprt.PAIR_SCORES) if c > 0)

    return best(sprt.score_of(elo1)) - best(sprt.score_of(elo0))


def statistics():
    for elo in (-400, -35.5, 0, 12, 300):
        check(f"Elo {elo} comes back from its score",
              abs(sprt.elo_of(sprt.score_of(elo)) - elo) < 1e-9)
    for alpha, beta, low, high in ((0.05, 0.05, -math.log(19), math.log(19)),
                                   (0.01, 0.1, math.log(0.1 / 0.99), math.log(0.9 / 0.01))):
        lower, upper = sprt.bounds(alpha, beta)
        check(f"bounds at alpha {alpha}, beta {beta}: {low:.3f} and {high:.3f}",
              abs(lower - low) < 1e-12 and abs(upper - high) < 1e-12)
    # Pentanomial counts, and the normal approximation against the exact ratio.
    for counts, elo0, elo1 in (([30, 80, 200, 110, 40], 0, 10), ([10, 40, 120, 60, 20], 0, 20),
                               ([50, 60, 90, 50, 40], -10, 5), ([8, 25, 60, 30, 12], 0, 30)):
        approx, exact = sprt.llr(counts, elo0, elo1), exact_llr(counts, elo0, elo1)
        check(f"LLR of {counts} for [{elo0}, {elo1}]: {approx:.3f}, exactly {exact:.3f}",
              abs(approx - exact) < 0.05 * max(1.0, abs(exact)))
    even = [10, 20, 40, 20, 10]
    elo, low, high = sprt.elo_interval(even)
    check("an even match: Elo 0, its interval either side", abs(elo) < 1e-9 and low < 0 < high)
    elo4, low4, high4 = sprt.elo_interval([c * 4 for c in even])
    check("four times the pairs halve the interval",
          abs((high4 - low4) * 2 - (high - low)) < 0.05 * (high - low))
    strong = [2, 8, 30, 40, 20]
    elo, low, high = sprt.elo_interval(strong)
    check(f"a won match: Elo {elo:.1f} within [{low:.1f}, {high:.1f}], above 0",
          0 < low < elo < high)
    for what, counts, want in (
            ("a clearly better side is accepted", [c * 10 for c in strong], "H1"),
            ("an even match rejects a gain of 30", [c * 10 for c in even], "H0"),
            ("few pairs decide nothing", [0, 1, 1, 1, 0], None),
            ("one lost pair among split ones decides nothing", [1, 0, 18, 0, 0], None)):
        check(f"{what} ({want})", sprt.verdict(counts, 0, 30, 0.05, 0.05)[0] == want)
    check("no variance yet: LLR 0", sprt.llr([0, 0, 3, 0, 0], 0, 30) == 0.0)


def match(work, new, base, *options):
    """brain_match.py's output and exit status, with a two-opening file."""
    openings = os.path.join(work, "openings.txt")
    with open(openings, "w") as f:
        f.write("# two openings\n9,9 9,10\n8,8 10,10 9,12\n")
    run = subprocess.run([sys.executable, MATCH, new, base, "--openings", openings, "--log", work,
                          "--parallel", "1", *options], capture_output=True, text=True,
                         timeout=120)
    return run.stdout + run.stderr, run.returncode


def fake(work, name):
    path = os.path.join(work, name)
    if not os.path.exists(path):
        os.symlink(FAKE, path)
    return path


def referee(work):
    good = fake(work, "good")
    cases = (
        ("crash-at-2", "new ended", []),
        ("occupied-at-1", "new played 9,9, a taken point", []),  # the opening's first stone
        ("offboard-at-1", "new played 18,0, off the board", []),
        ("error-at-1", "new answered 'ERROR something went wrong'", []),
        ("garbage-at-1", "new answered 'seven, seven', not a move", []),
        ("slow-at-1", "new did not answer within 0.3 s", ["--time", "200"]),
    )
    for name, why, limit in cases:
        out, code = match(work, fake(work, name), good, "--max-games", "1",
                          *(limit or ["--nodes", "100"]))
        lost = out.count("base won, ") == 1 and out.count(why) == 1
        check(f"a brain that commits '{name}' loses, and the match says '{why}'",
              lost and code == 0)
        with open(os.path.join(work, "games.jsonl")) as f:
            records = [json.loads(line) for line in f]
        check(f"'{name}': the game recorded, lost by new",
              len(records) == 1 and records[0]["winner"] == "base" and why in records[0]["why"])
    out, code = match(work, good, fake(work, "crash-at-3"), "--max-games", "2", "--nodes", "100")
    check("the base brain's faults lose it its games, as white and as black",
          out.count("new won, ") == 2 and out.count("base ended") == 2)

    out, code = match(work, good, good, "--max-games", "4", "--nodes", "100")
    check("two faultless brains play their games to a five", out.count(", five") == 4, )
    check("the summary counts the games and gives the LLR's bounds",
          "games 4: new won 2, lost 2, drew 0" in out and "[-2.94, +2.94]" in out)
    three = os.path.join(work, "three")
    os.makedirs(three)
    out, code = match(three, good, good, "--max-games", "3", "--nodes", "100")
    tally = re.findall(r"^games (\d+): new won (\d+), lost (\d+), drew (\d+)", out, re.M)
    check(f"the summary counts a game whose pair is unfinished: {tally}",
          len(tally) == 1 and int(tally[0][0]) == 3 == sum(int(n) for n in tally[0][1:]))
    def replay(base, game):
        return subprocess.run([sys.executable, MATCH, good, base, "--replay",
                               os.path.join(work, "games.jsonl"), "--game", game],
                              capture_output=True, text=True, timeout=60)
    same, other = replay(good, "3"), replay(fake(work, "occupied-at-3"), "1")
    check("a recorded game replays as recorded",
          same.returncode == 0 and "as recorded" in same.stdout)
    check("a brain that plays otherwise does not replay the record",
          other.returncode != 0 and "not as recorded" in other.stdout)

    out, code = match(work, good, good, "--rule", "4", "--nodes", "100")
    check("a rule other than freestyle is refused, with the reason",
          code != 0 and "rule 4 is not played yet" in out)
    out, code = match(work, good, good)
    check("a match without a limit a move is refused", code != 0 and "--nodes" in out)


def main():
    statistics()
    with tempfile.TemporaryDirectory() as work:
        referee(work)
    print(f"{checks[0]} passed, {checks[1]} failed")
    return 1 if checks[1] else 0


if __name__ == "__main__":
    sys.exit(main())
