// The solver: an OR-AND search over the attacker's threats and the defender's answers, with
// every point tried where a point could matter, and a memory of what it proved about each
// position (by two independent keys) so that transpositions cost nothing the second time.
#include "tests/engine/solver/solver.h"

#include <algorithm>

namespace solver
{

constexpr std::size_t MEMO_LIMIT = std::size_t{1} << 22; // entries before the memory starts over

Solver::Solver(Board &b, Threats t, std::int64_t limit) : board(b), threats(t), nodeLimit(limit) {}

// Counts a position; whether the node limit is past.
bool Solver::spent()
{
    return ++nodeCount > nodeLimit && nodeLimit > 0;
}

// With no point of `who` making five, whether its stone on the empty point q would leave
// `enough` such points (1: it makes a four; 2: an open four or two fours, an "open-four point").
// Every five it could then make runs through q, so they all lie on q's lines near it.
bool Solver::leavesFives(int q, int who, int enough)
{
    if (!board.empty(q) || board.lineSupport(q, who) < 3)
        return false;
    board.put(q, who);
    int found = 0;
    const bool left = board.anyNear(q, 4,
                                    [&](int f, int)
                                    {
                                        return board.empty(f) && board.lineSupport(f, who) >= 4 &&
                                               board.makesFive(f, who) && ++found >= enough;
                                    });
    board.put(q, NONE);
    return left;
}

// With no point of `who` making five or an open four, whether its stone on p is a three: a
// stone after which some point near it makes an open four or two fours.
bool Solver::threeAt(int p, int who)
{
    board.put(p, who);
    bool three = board.anyNear(p, 4, [&](int q, int) { return leavesFives(q, who, 2); });
    board.put(p, NONE);
    return three;
}

std::vector<int> Solver::fourMoves(int who)
{
    return board.where([&](int p) { return leavesFives(p, who, 1); });
}

std::vector<int> Solver::openFourPoints(int who)
{
    return board.where([&](int q) { return leavesFives(q, who, 2); });
}

// The attacker's threats, as the search tries them: fours first, then (with threes) threes, the
// points with more of the attacker's stones around them first.
std::vector<int> Solver::threatMoves(int attacker)
{
    std::vector<int> moves, score(board.points());
    for (int p = 0; p < board.points(); ++p)
    {
        // A three needs two more stones on a line through p, a four three.
        const int support = board.empty(p) ? board.lineSupport(p, attacker) : 0;
        const bool four = leavesFives(p, attacker, 1);
        if (four || (support >= 2 && threats == Threats::ThreesAndFours && threeAt(p, attacker)))
        {
            int &s = score[p];
            s = (four ? 1000 : 0) + 10 * support;
            board.anyNear(p, 2,
                          [&](int q, int)
                          {
                              s += board.get(q) == attacker;
                              return false;
                          });
            moves.push_back(p);
        }
    }
    std::stable_sort(moves.begin(), moves.end(), [&](int a, int b) { return score[a] > score[b]; });
    return moves;
}

// The defender's answers to a three: its own fours anywhere, and every point that leaves the
// attacker no open-four point. Such a point takes the first of them or lies on its lines within
// four steps (no stone farther away changes what a stone there makes).
std::vector<int> Solver::defences(int attacker, const std::vector<int> &openFours)
{
    const int defender = other(attacker);
    std::vector<int> answers = fourMoves(defender);
    std::vector<int> near = {openFours.front()};
    board.anyNear(near[0], 4,
                  [&](int q, int)
                  {
                      if (board.empty(q))
                          near.push_back(q);
                      return false;
                  });
    for (int d : near)
    {
        if (std::find(answers.begin(), answers.end(), d) != answers.end())
            continue;
        board.put(d, defender);
        bool stops = std::none_of(openFours.begin(), openFours.end(),
                                  [&](int q) { return q != d && leavesFives(q, attacker, 2); });
        board.put(d, NONE);
        if (stops)
            answers.push_back(d);
    }
    return answers;
}

std::uint64_t Solver::memoKey(NodeKind kind, int who) const
{
    return board.key() ^ scramble(static_cast<std::uint64_t>(kind * 8 + who * 2) +
                                  static_cast<std::uint64_t>(threats));
}

// What the memory holds of this position for `moves`: Unknown if nothing.
Verdict Solver::recall(NodeKind kind, int who, int moves) const
{
    auto it = memo.find(memoKey(kind, who));
    if (it == memo.end() || it->second.check != board.check())
        return Verdict::unknown();
    if (it->second.winMoves > 0 && it->second.winMoves <= moves)
        return Verdict::won(it->second.winMoves);
    return moves <= it->second.failMoves ? Verdict::none() : Verdict::unknown();
}

void Solver::remember(NodeKind kind, int who, int moves, const Verdict &v)
{
    if (v.kind == Verdict::Unknown)
        return;
    if (memo.size() >= MEMO_LIMIT)
        memo.clear();
    Known &k = memo[memoKey(kind, who)];
    if (k.check != board.check())
        k = Known{board.check()}; // new, or another position with the same first key: replaced
    if (v.win())
    {
        k.winMoves = static_cast<std::int16_t>(
            k.winMoves == 0 ? v.moves : std::min<int>(k.winMoves, v.moves));
    }
    else
    {
        k.failMoves = static_cast<std::int16_t>(std::max<int>(k.failMoves, moves));
    }
}

Verdict Solver::attack(int attacker, int moves)
{
    if (spent())
        return Verdict::unknown();
    if (!board.fivePoints(attacker).empty())
        return moves >= 1 ? Verdict::won(1) : Verdict::none();
    const std::vector<int> theirFives = board.fivePoints(other(attacker));
    if (theirFives.size() >= 2 || moves < 2)
        return Verdict::none();
    if (Verdict known = recall(ATTACK, attacker, moves); known.kind != Verdict::Unknown)
        return known;
    Verdict v = Verdict::none();
    std::vector<int> tries;
    if (theirFives.size() == 1)
        tries = theirFives; // their four first: the stone that stops it is one of our moves
    else if (!openFourPoints(attacker).empty())
        v = Verdict::won(2);
    else if (moves >= 3)
        tries = threatMoves(attacker);
    for (int m : tries)
    {
        board.put(m, attacker);
        Verdict rest = afterThreat(attacker, moves - 1);
        board.put(m, NONE);
        if (rest.win())
        {
            v = Verdict::won(rest.moves + 1);
            break;
        }
        if (rest.kind == Verdict::Unknown)
            v = rest;
    }
    remember(ATTACK, attacker, moves, v);
    return v;
}

Verdict Solver::afterThreat(int attacker, int moves)
{
    if (spent())
        return Verdict::unknown();
    const int defender = other(attacker);
    if (!board.fivePoints(defender).empty())
        return Verdict::none(); // the defender makes five
    const std::vector<int> fives = board.fivePoints(attacker);
    if (fives.size() >= 2)
        return moves >= 1 ? Verdict::won(1) : Verdict::none();
    if (fives.size() == 1)
    {
        board.put(fives[0], defender);
        Verdict v = attack(attacker, moves);
        board.put(fives[0], NONE);
        return v;
    }
    if (threats == Threats::Fours || moves < 2)
        return Verdict::none();
    if (Verdict known = recall(AFTER_THREAT, attacker, moves); known.kind != Verdict::Unknown)
        return known;
    const std::vector<int> openFours = openFourPoints(attacker);
    if (openFours.empty())
        return Verdict::none(); // no threat stands: the defender has a free move
    Verdict v = Verdict::won(2);
    bool unknown = false;
    for (int d : defences(attacker, openFours))
    {
        board.put(d, defender);
        Verdict rest = attack(attacker, moves);
        board.put(d, NONE);
        if (rest.noWin())
        {
            v = rest;
            break;
        }
        unknown = unknown || rest.kind == Verdict::Unknown;
        v.moves = std::max(v.moves, rest.moves);
    }
    if (unknown && v.win())
        v = Verdict::unknown();
    remember(AFTER_THREAT, attacker, moves, v);
    return v;
}

Verdict Solver::shortestWin(int who, int maxMoves)
{
    for (int moves = 1; moves <= maxMoves; ++moves)
    {
        Verdict v = attack(who, moves);
        if (!v.noWin())
            return v;
    }
    return Verdict::none();
}

std::vector<int> Solver::winningMoves(int who, int moves, bool *known)
{
    *known = true;
    const std::vector<int> theirFives = board.fivePoints(other(who));
    return board.where(
        [&](int p)
        {
            if (!board.empty(p) || board.makesFive(p, who))
                return board.empty(p);
            if (!theirFives.empty() && p != theirFives[0])
                return false; // the other side makes five next
            board.put(p, who);
            Verdict v = afterThreat(who, moves - 1);
            board.put(p, NONE);
            *known = *known && v.kind != Verdict::Unknown;
            return v.win();
        });
}

// Whether `who`, playing `point`, leaves the other side no win within `moves`; a four that the
// other side must stop holds only if `who` can hold again afterwards.
bool Solver::holds(int who, int point, int moves, bool *unknown)
{
    const int attacker = other(who);
    board.put(point, who);
    bool held;
    const std::vector<int> fives = board.fivePoints(who);
    if (fives.size() == 1 && board.fivePoints(attacker).empty())
    {
        board.put(fives[0], attacker);
        held = canHold(who, moves, unknown);
        board.put(fives[0], NONE);
    }
    else
    {
        Verdict v = attack(attacker, moves);
        held = v.noWin();
        *unknown = *unknown || v.kind == Verdict::Unknown;
    }
    board.put(point, NONE);
    return held;
}

bool Solver::canHold(int who, int moves, bool *unknown)
{
    if (Verdict known = recall(HOLD, who, moves); known.kind != Verdict::Unknown)
        return known.noWin();
    // The points on the other side's lines first, where defences are; fours of our own last.
    std::vector<int> order = board.where([&](int p) { return board.empty(p); });
    const int attacker = other(who);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b)
                     { return board.lineSupport(a, attacker) > board.lineSupport(b, attacker); });
    bool seen = false;
    const bool any =
        std::any_of(order.begin(), order.end(), [&](int p) { return holds(who, p, moves, &seen); });
    if (!any && seen)
    {
        *unknown = true;
        return false;
    }
    remember(HOLD, who, moves, any ? Verdict::none() : Verdict::won(moves));
    return any;
}

std::vector<int> Solver::holdingMoves(int who, int moves, bool *known)
{
    bool seen = false;
    std::vector<int> held =
        board.where([&](int p) { return board.empty(p) && holds(who, p, moves, &seen); });
    *known = !seen;
    return held;
}

} // namespace solver
