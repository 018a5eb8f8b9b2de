"""The statistics of a match played in pairs of games (each opening twice, colours swapped): the
sequential probability ratio test over game pairs (the pentanomial model), the Elo difference
and its 95% interval.

A pair scores 0, 1/2, 1, 3/2 or 2 points for the engine under test; the five counts of those
scores are the pentanomial. The test is the generalised SPRT of the chess-engine testing
literature (M. Van den Bergh's normal approximation): with the pairs' mean score m and variance
v (each pair's score divided by 2), and s0, s1 the scores that elo0 and elo1 predict,

    LLR = N (s1 - s0) (2 m - s0 - s1) / (2 v)

over N pairs; H1 is accepted when LLR reaches log((1 - beta) / alpha), H0 when it falls to
log(beta / (1 - alpha)). Elo is logistic: a score s is -400 log10(1 / s - 1).
"""
import math

PAIR_SCORES = (0.0, 0.25, 0.5, 0.75, 1.0)  # a pair's points divided by 2, by pentanomial slot
Z95 = 1.959963984540054


def score_of(elo):
    """The expected score of a side `elo` stronger."""
    return 1.0 / (1.0 + 10.0 ** (-elo / 400.0))


def elo_of(score):
    """The Elo difference a score stands for; infinite at 0 and 1."""
    if score <= 0.0:
        return -math.inf
    if score >= 1.0:
        return math.inf
    return -400.0 * math.log10(1.0 / score - 1.0)


def bounds(alpha, beta):
    """The LLR at which H0 is accepted, and the one at which H1 is."""
    return math.log(beta / (1.0 - alpha)), math.log((1.0 - beta) / alpha)


def mean_and_variance(pentanomial):
    """The mean and variance of a pair's score (divided by 2) over the pairs counted."""
    n = sum(pentanomial)
    mean = sum(c * x for c, x in zip(pentanomial, PAIR_SCORES)) / n
    variance = sum(c * (x - mean) ** 2 for c, x in zip(pentanomial, PAIR_SCORES)) / n
    return mean, variance


# Half a pair of each kind, added to the counts for the variance only. Between two near-equal
# brains most pairs split one-one; the spread measured on a few dozen pairs is then far below the
# true one, and one lopsided pair would swing the ratio past a bound (19 pairs, 18 of them split
# and one lost: LLR -3.1 without it, -1.6 with it). Its weight fades as the pairs grow.
PRIOR = 0.5


def llr(pentanomial, elo0, elo1):
    """The log-likelihood ratio of H1 (elo1) against H0 (elo0) after the pairs counted. Until
    both a better and a worse pair than the mean have been seen the variance is unknown and the
    ratio is 0."""
    n = sum(pentanomial)
    if n == 0:
        return 0.0
    mean, variance = mean_and_variance(pentanomial)
    if variance <= 0.0:
        return 0.0
    variance = max(variance, mean_and_variance([c + PRIOR for c in pentanomial])[1])
    s0, s1 = score_of(elo0), score_of(elo1)
    return n * (s1 - s0) * (2.0 * mean - s0 - s1) / (2.0 * variance)


def elo_interval(pentanomial):
    """The Elo difference and the ends of its 95% interval, from the pairs' mean and spread."""
    n = sum(pentanomial)
    if n == 0:
        return 0.0, -math.inf, math.inf
    mean, variance = mean_and_variance(pentanomial)
    spread = Z95 * math.sqrt(variance / n)
    return elo_of(mean), elo_of(mean - spread), elo_of(mean + spread)


def verdict(pentanomial, elo0, elo1, alpha, beta):
    """"H1", "H0" or None (go on), and the LLR."""
    value = llr(pentanomial, elo0, elo1)
    lower, upper = bounds(alpha, beta)
    if value >= upper:
        return "H1", value
    if value <= lower:
        return "H0", value
    return None, value
