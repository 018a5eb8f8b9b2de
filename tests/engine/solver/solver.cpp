// The solver: an OR-AND search over the attacker's threats and the defender's answers, with
// every point tried where a point could matter, and a memory of what it proved about each
// position (by two independent keys) so that transpositions cost nothing the second time.
#include "tests/engine/solver/solver.h"

#include <algorithm>

namespace solver
{
namespace
{

constexpr std::size_t MEMO_LIMIT = std::size_t{1} << 22; // entries before the memory starts over

std::uint64_t kindSalt(int kind, int who, Threats threats)
{
    std::uint64_t z = static_cast<std::uint64_t>(kind * 8 + who * 2 + static_cast<int>(threats));
    z = (z + 0x9E3779B97F4A7C15ull) * 0xBF58476D1CE4E5B9ull;
    return z ^ (z >> 29);
}

} // namespace

Board drawn(const std::vector<std::string_view> &rows, int size)
{
    Board board(size);
    for (int y = 0; y < static_cast<int>(rows.size()) && y < board.size(); ++y)
    {
        for (int x = 0; x < static_cast<int>(rows[y].size()) && x < board.size(); ++x)
        {
            char c = rows[y][x];
            if (c == 'X' || c == 'O')
            {
                board.put(board.at(x, y), c == 'X' ? BLACK : WHITE);
            }
        }
    }
    return board;
}

Solver::Solver(Board &b, Threats t, std::int64_t limit) : board(b), threats(t), nodeLimit(limit) {}

// Whether `who` has a point that makes five on one of p's lines, within four steps of p.
bool Solver::fivePointNear(int p, int who) const
{
    return fivePointsNear(p, who, 1) >= 1;
}

// How many points on p's lines within four steps make five for `who`, counting up to `enough`.
int Solver::fivePointsNear(int p, int who, int enough) const
{
    const int x0 = board.xOf(p), y0 = board.yOf(p);
    int found = 0;
    for (const auto &s : STEPS)
    {
        for (int k = -4; k <= 4; ++k)
        {
            int x = x0 + k * s[0], y = y0 + k * s[1];
            if (k == 0 || !board.inside(x, y))
            {
                continue;
            }
            int q = board.at(x, y);
            if (board.empty(q) && board.lineSupport(q, who) >= 4 && board.makesFive(q, who) &&
                ++found >= enough)
            {
                return found;
            }
        }
    }
    return found;
}

// With no point of `who` making five, whether its stone on q would leave two such points.
// Every five it could then make runs through q, so they all lie on q's lines near it.
bool Solver::isOpenFourPoint(int q, int who)
{
    if (!board.empty(q) || board.lineSupport(q, who) < 3)
    {
        return false;
    }
    board.put(q, who);
    bool open = fivePointsNear(q, who, 2) >= 2;
    board.put(q, NONE);
    return open;
}

// With no point of `who` making five or an open four, whether its stone on p is a three: a
// stone after which some point near it makes an open four or two fours.
bool Solver::threeAt(int p, int who)
{
    board.put(p, who);
    bool three = false;
    const int x0 = board.xOf(p), y0 = board.yOf(p);
    for (const auto &s : STEPS)
    {
        for (int k = -4; k <= 4 && !three; ++k)
        {
            int x = x0 + k * s[0], y = y0 + k * s[1];
            three = k != 0 && board.inside(x, y) && isOpenFourPoint(board.at(x, y), who);
        }
    }
    board.put(p, NONE);
    return three;
}

std::vector<int> Solver::fourMoves(int who)
{
    std::vector<int> fours;
    for (int p = 0; p < board.points(); ++p)
    {
        if (board.empty(p) && board.lineSupport(p, who) >= 3)
        {
            board.put(p, who);
            if (fivePointNear(p, who))
            {
                fours.push_back(p);
            }
            board.put(p, NONE);
        }
    }
    return fours;
}

std::vector<int> Solver::openFourPoints(int who)
{
    std::vector<int> points;
    for (int q = 0; q < board.points(); ++q)
    {
        if (isOpenFourPoint(q, who))
        {
            points.push_back(q);
        }
    }
    return points;
}

std::vector<int> Solver::threatMoves(int attacker)
{
    struct Scored
    {
        int score, point;
    };
    std::vector<Scored> found;
    for (int p = 0; p < board.points(); ++p)
    {
        if (!board.empty(p))
        {
            continue;
        }
        const int support = board.lineSupport(p, attacker);
        if (support < 2)
        {
            continue; // a three needs two more stones on a line through p, a four three
        }
        bool four = false;
        if (support >= 3)
        {
            board.put(p, attacker);
            four = fivePointNear(p, attacker);
            board.put(p, NONE);
        }
        if (four || (threats == Threats::ThreesAndFours && threeAt(p, attacker)))
        {
            // Fours first; then the points with more of the attacker's stones around them.
            int near = 0;
            for (const auto &s : STEPS)
            {
                for (int k = -2; k <= 2; ++k)
                {
                    int x = board.xOf(p) + k * s[0], y = board.yOf(p) + k * s[1];
                    near += k != 0 && board.inside(x, y) && board.get(board.at(x, y)) == attacker;
                }
            }
            found.push_back({(four ? 1000 : 0) + 10 * support + near, p});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Scored &a, const Scored &b) { return a.score > b.score; });
    std::vector<int> moves;
    for (const Scored &s : found)
    {
        moves.push_back(s.point);
    }
    return moves;
}

// The defender's answers to a three: its own fours anywhere, and every point that leaves the
// attacker no open-four point. Such a point takes the first of them or lies on its lines within
// four steps (no stone farther away changes what a stone there makes).
std::vector<int> Solver::defences(int attacker, const std::vector<int> &openFours)
{
    const int defender = other(attacker);
    std::vector<int> answers = fourMoves(defender);
    const int q0 = openFours.front();
    std::vector<int> near = {q0};
    for (const auto &s : STEPS)
    {
        for (int k = -4; k <= 4; ++k)
        {
            int x = board.xOf(q0) + k * s[0], y = board.yOf(q0) + k * s[1];
            if (k != 0 && board.inside(x, y) && board.empty(board.at(x, y)))
            {
                near.push_back(board.at(x, y));
            }
        }
    }
    for (int d : near)
    {
        if (std::find(answers.begin(), answers.end(), d) != answers.end())
        {
            continue;
        }
        board.put(d, defender);
        bool stops = std::none_of(openFours.begin(), openFours.end(),
                                  [&](int q) { return q != d && isOpenFourPoint(q, attacker); });
        board.put(d, NONE);
        if (stops)
        {
            answers.push_back(d);
        }
    }
    return answers;
}

std::uint64_t Solver::memoKey(NodeKind kind, int who) const
{
    return board.key() ^ kindSalt(kind, who, threats);
}

const Solver::Known *Solver::recall(NodeKind kind, int who) const
{
    auto it = memo.find(memoKey(kind, who));
    return it != memo.end() && it->second.check == board.check() ? &it->second : nullptr;
}

void Solver::remember(NodeKind kind, int who, int moves, const Verdict &v)
{
    if (v.kind == Verdict::Unknown)
    {
        return;
    }
    if (memo.size() >= MEMO_LIMIT)
    {
        memo.clear();
    }
    auto [it, fresh] = memo.try_emplace(memoKey(kind, who), Known{board.check(), 0, -1});
    Known &k = it->second;
    if (!fresh && k.check != board.check())
    {
        k = Known{board.check(), 0, -1}; // another position with the same first key: replaced
    }
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
    if (nodeLimit > 0 && ++nodeCount > nodeLimit)
    {
        return Verdict::unknown();
    }
    nodeCount += nodeLimit == 0;
    const int defender = other(attacker);
    if (!board.fivePoints(attacker).empty())
    {
        return moves >= 1 ? Verdict::won(1) : Verdict::none();
    }
    const std::vector<int> theirFives = board.fivePoints(defender);
    if (theirFives.size() >= 2 || moves < 2)
    {
        return Verdict::none();
    }
    if (const Known *k = recall(ATTACK, attacker))
    {
        if (k->winMoves > 0 && k->winMoves <= moves)
        {
            return Verdict::won(k->winMoves);
        }
        if (moves <= k->failMoves)
        {
            return Verdict::none();
        }
    }
    Verdict v = Verdict::none();
    if (theirFives.size() == 1)
    {
        // Their four first: the stone that stops it is one of the attacker's moves.
        board.put(theirFives[0], attacker);
        Verdict rest = afterThreat(attacker, moves - 1);
        board.put(theirFives[0], NONE);
        v = rest.win() ? Verdict::won(rest.moves + 1) : rest;
    }
    else if (!openFourPoints(attacker).empty())
    {
        v = Verdict::won(2);
    }
    else if (moves >= 3)
    {
        bool unknown = false;
        for (int m : threatMoves(attacker))
        {
            board.put(m, attacker);
            Verdict rest = afterThreat(attacker, moves - 1);
            board.put(m, NONE);
            if (rest.win())
            {
                v = Verdict::won(rest.moves + 1);
                unknown = false;
                break;
            }
            unknown = unknown || rest.kind == Verdict::Unknown;
        }
        if (unknown)
        {
            v = Verdict::unknown();
        }
    }
    remember(ATTACK, attacker, moves, v);
    return v;
}

Verdict Solver::afterThreat(int attacker, int moves)
{
    if (nodeLimit > 0 && ++nodeCount > nodeLimit)
    {
        return Verdict::unknown();
    }
    nodeCount += nodeLimit == 0;
    const int defender = other(attacker);
    if (!board.fivePoints(defender).empty())
    {
        return Verdict::none(); // the defender makes five
    }
    const std::vector<int> fives = board.fivePoints(attacker);
    if (fives.size() >= 2)
    {
        return moves >= 1 ? Verdict::won(1) : Verdict::none();
    }
    if (fives.size() == 1)
    {
        board.put(fives[0], defender);
        Verdict v = attack(attacker, moves);
        board.put(fives[0], NONE);
        return v;
    }
    if (threats == Threats::Fours || moves < 2)
    {
        return Verdict::none();
    }
    if (const Known *k = recall(AFTER_THREAT, attacker))
    {
        if (k->winMoves > 0 && k->winMoves <= moves)
        {
            return Verdict::won(k->winMoves);
        }
        if (moves <= k->failMoves)
        {
            return Verdict::none();
        }
    }
    const std::vector<int> openFours = openFourPoints(attacker);
    if (openFours.empty())
    {
        return Verdict::none(); // no threat stands: the defender has a free move
    }
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
            unknown = false;
            break;
        }
        unknown = unknown || rest.kind == Verdict::Unknown;
        if (rest.win())
        {
            v.moves = std::max(v.moves, rest.moves);
        }
    }
    if (unknown)
    {
        v = Verdict::unknown();
    }
    remember(AFTER_THREAT, attacker, moves, v);
    return v;
}

Verdict Solver::shortestWin(int who, int maxMoves)
{
    for (int moves = 1; moves <= maxMoves; ++moves)
    {
        Verdict v = attack(who, moves);
        if (!v.noWin())
        {
            return v;
        }
    }
    return Verdict::none();
}

std::vector<int> Solver::winningMoves(int who, int moves, bool *known)
{
    *known = true;
    std::vector<int> wins;
    const std::vector<int> theirFives = board.fivePoints(other(who));
    for (int p = 0; p < board.points(); ++p)
    {
        if (!board.empty(p) || board.makesFive(p, who))
        {
            if (board.empty(p))
            {
                wins.push_back(p);
            }
            continue;
        }
        if (!theirFives.empty() && p != theirFives[0])
        {
            continue; // the other side makes five next
        }
        board.put(p, who);
        Verdict v = afterThreat(who, moves - 1);
        board.put(p, NONE);
        if (v.win())
        {
            wins.push_back(p);
        }
        *known = *known && v.kind != Verdict::Unknown;
    }
    return wins;
}

// Whether `who`, playing `point`, leaves the other side no win within `moves`; a four that the
// other side must stop holds only if `who` can hold again afterwards.
bool Solver::holds(int who, int point, int moves, Verdict::Kind *unknown)
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
        if (v.kind == Verdict::Unknown)
        {
            *unknown = Verdict::Unknown;
        }
    }
    board.put(point, NONE);
    return held;
}

bool Solver::canHold(int who, int moves, Verdict::Kind *unknown)
{
    if (const Known *k = recall(HOLD, who))
    {
        if (k->winMoves > 0 && k->winMoves <= moves)
        {
            return false;
        }
        if (moves <= k->failMoves)
        {
            return true;
        }
    }
    // The points on the other side's lines first, where defences are; fours of our own last.
    std::vector<int> order;
    for (int p = 0; p < board.points(); ++p)
    {
        if (board.empty(p))
        {
            order.push_back(p);
        }
    }
    const int attacker = other(who);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b)
                     { return board.lineSupport(a, attacker) > board.lineSupport(b, attacker); });
    Verdict::Kind seen = Verdict::NoWin;
    bool any = false;
    for (int p : order)
    {
        if (holds(who, p, moves, &seen))
        {
            any = true;
            break;
        }
    }
    if (!any && seen == Verdict::Unknown)
    {
        *unknown = Verdict::Unknown;
        return false;
    }
    remember(HOLD, who, moves, any ? Verdict::none() : Verdict::won(moves));
    return any;
}

std::vector<int> Solver::holdingMoves(int who, int moves, bool *known)
{
    std::vector<int> held;
    Verdict::Kind seen = Verdict::NoWin;
    for (int p = 0; p < board.points(); ++p)
    {
        if (board.empty(p) && holds(who, p, moves, &seen))
        {
            held.push_back(p);
        }
    }
    *known = seen != Verdict::Unknown;
    return held;
}

} // namespace solver
