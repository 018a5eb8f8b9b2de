// The swap2 opening: a few candidate placements, each judged by a short search from white's side,
// and the one closest to even kept; a colour taken when the judgement leans far enough one way.
#include "engine/opening.h"

#include <algorithm>
#include <cstdlib>

namespace engine
{
namespace
{

constexpr int CANDIDATES = 8; // placements judged for each decision

std::uint64_t mix(std::uint64_t z)
{
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

struct Judgement
{
    int score; // from white's side
    Move best; // white's move
};

// A share of a decision's budget: positions (at least 100) and milliseconds.
Limits share(Limits budget, int parts)
{
    Limits each;
    each.nodes = std::max<std::int64_t>(budget.nodes / parts, 100);
    each.timeMs = budget.timeMs > 0 ? std::max<std::int64_t>(budget.timeMs / parts, 1) : 0;
    return each;
}

// A short search of `pos`, white to move.
Judgement judge(Searcher &searcher, const Position &pos, Limits limits, std::uint64_t seed)
{
    const Move best = searcher.think(pos, Level::Hard, limits, seed);
    return Judgement{searcher.info().score, best};
}

// An empty point at most `reach` from (cx, cy) along both axes, drawn from `rng`; NO_MOVE when
// none turns up.
Move pointNear(const Position &pos, int cx, int cy, int reach, std::uint64_t &rng)
{
    for (int tries = 0; tries < 64; ++tries)
    {
        rng = mix(rng);
        const int dx = static_cast<int>(rng % static_cast<std::uint64_t>(2 * reach + 1)) - reach;
        const int dy =
            static_cast<int>((rng >> 20) % static_cast<std::uint64_t>(2 * reach + 1)) - reach;
        const Move m = pos.at(cx + dx, cy + dy);
        if (m != NO_MOVE && pos.isEmpty(m))
        {
            return m;
        }
    }
    return NO_MOVE;
}

// The middle of the stones on the board.
void middleOfStones(const Position &pos, int *cx, int *cy)
{
    int sx = 0, sy = 0;
    const int n = std::max(pos.moveCount(), 1);
    for (int i = 0; i < pos.moveCount(); ++i)
    {
        sx += Position::xOf(pos.move(i));
        sy += Position::yOf(pos.move(i));
    }
    *cx = pos.moveCount() > 0 ? sx / n : pos.size() / 2;
    *cy = pos.moveCount() > 0 ? sy / n : pos.size() / 2;
}

// Of candidate placements, each given as stones of alternating colours starting with `first`,
// the one whose judgement lies closest to even.
template <class Make>
Swap2Plan closestToEven(Searcher &searcher, const Position &start, int count, int first,
                        Limits each, std::uint64_t seed, Make make)
{
    Swap2Plan best;
    best.count = 0;
    int bestDistance = 0;
    std::uint64_t rng = mix(seed ^ start.key());
    for (int c = 0; c < CANDIDATES; ++c)
    {
        Move stones[3] = {NO_MOVE, NO_MOVE, NO_MOVE};
        Position pos = start;
        bool complete = true;
        for (int i = 0; i < count && complete; ++i)
        {
            stones[i] = make(pos, i, rng);
            complete = stones[i] != NO_MOVE;
            if (complete)
            {
                pos.place(stones[i], (first + i) % 2);
            }
        }
        if (!complete)
        {
            continue;
        }
        pos.setToMove(1);
        const Judgement j = judge(searcher, pos, each, seed + static_cast<std::uint64_t>(c));
        const int distance = std::abs(j.score);
        if (best.count == 0 || distance < bestDistance)
        {
            best.kind = Swap2Plan::Stones;
            std::copy(stones, stones + count, best.stones);
            best.count = count;
            best.score = j.score;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

Swap2Plan swap2Open(Searcher &searcher, const Position &empty, Limits budget, std::uint64_t seed)
{
    const int c = empty.size() / 2;
    // Black in the middle, white beside it, black's second stone a little further out.
    return closestToEven(searcher, empty, 3, 0, share(budget, CANDIDATES), seed,
                         [&](const Position &pos, int i, std::uint64_t &rng)
                         {
                             return i == 0   ? pos.at(c, c)
                                    : i == 1 ? pointNear(pos, c, c, 2, rng)
                                             : pointNear(pos, c, c, 3, rng);
                         });
}

Swap2Plan swap2Second(Searcher &searcher, const Position &three, Limits budget, std::uint64_t seed)
{
    const Limits each = share(budget, CANDIDATES + 1);
    const Judgement j = judge(searcher, three, each, seed);
    Swap2Plan plan;
    plan.score = j.score;
    if (j.score > SWAP2_EVEN && j.best != NO_MOVE)
    {
        plan.kind = Swap2Plan::PlayWhite;
        plan.stones[0] = j.best;
        plan.count = 1;
        return plan;
    }
    if (j.score < -SWAP2_EVEN)
    {
        plan.kind = Swap2Plan::PlayBlack;
        return plan;
    }
    // Close to even: two more stones, white's and black's, that keep it so, near the others.
    int cx = 0, cy = 0;
    middleOfStones(three, &cx, &cy);
    Swap2Plan more = closestToEven(searcher, three, 2, 1, each, seed,
                                   [&](const Position &pos, int, std::uint64_t &rng)
                                   { return pointNear(pos, cx, cy, 3, rng); });
    if (more.count == 2)
    {
        return more;
    }
    // No room for two more stones near the others: white it is.
    plan.kind = Swap2Plan::PlayWhite;
    plan.stones[0] = j.best;
    plan.count = j.best != NO_MOVE ? 1 : 0;
    return plan;
}

Swap2Plan swap2First(Searcher &searcher, const Position &five, Limits budget, std::uint64_t seed)
{
    const Judgement j = judge(searcher, five, share(budget, 1), seed);
    Swap2Plan plan;
    plan.score = j.score;
    if (j.score >= 0 && j.best != NO_MOVE)
    {
        plan.kind = Swap2Plan::PlayWhite;
        plan.stones[0] = j.best;
        plan.count = 1;
    }
    else
    {
        plan.kind = Swap2Plan::PlayBlack;
    }
    return plan;
}

} // namespace engine
