// The levels: what each may do, and what the easy level and a level that plays any good move do
// beside searching.
#include "engine/levels.h"

#include "engine/search.h"

#include <algorithm>

namespace engine
{
namespace
{

constexpr LevelRules RULES[3] = {
    // Easy: no search at all.
    {.maxDepth = 0,
     .defaultNodes = 1,
     .defaultMs = 0,
     .rootVcfNodes = 0,
     .childVcfNodes = 0,
     .nodeVcfNodes = 0,
     .threeThreats = false,
     .choice = 0,
     .lastFours = false},
    // Medium.
    {.maxDepth = 4,
     .defaultNodes = 12000,
     .defaultMs = 0,
     .rootVcfNodes = 2000,
     .childVcfNodes = 60,
     .nodeVcfNodes = 60,
     .threeThreats = false,
     .choice = 600,
     .lastFours = false},
    // Hard.
    {.maxDepth = MAX_DEPTH,
     .defaultNodes = 0,
     .defaultMs = 1000,
     .rootVcfNodes = 60000,
     .childVcfNodes = 4000,
     .nodeVcfNodes = 400,
     .threeThreats = true,
     .choice = 0,
     .lastFours = true},
};

} // namespace

const LevelRules &rulesOf(Level level)
{
    return RULES[static_cast<int>(level)];
}

// The first stone: the centre, or beside it at the easy level.
Move Searcher::opening()
{
    int c = pos.size() / 2;
    int dx = 0, dy = 0;
    if (level == Level::Easy)
    {
        dx = static_cast<int>(random() % 3) - 1;
        dy = static_cast<int>(random() % 3) - 1;
    }
    return pos.at(c + dx, c + dy);
}

// The easy level: it takes its five and stops a four, meets an open three only half the time,
// and otherwise plays one of the few most useful points at random.
Move Searcher::chooseEasy()
{
    const int me = pos.toMove();
    const int you = me ^ 1;
    Move moves[MAX_MOVES];
    bool restricted = false;
    int n = order.generate(pos, moves, 4, 0, NO_MOVE, &restricted);
    if (restricted && random() % 2 == 0)
    {
        // Overlooks the three: plays as if it were not there.
        PointSet near = pos.nearPoints();
        struct Scored
        {
            int score;
            Move move;
        };
        Scored list[MAX_MOVES];
        int count = 0;
        near.forEach(
            [&](Move m)
            {
                if (!pos.forbidden(m, me))
                {
                    list[count++] = {pos.value(m, me) + pos.value(m, you), m};
                }
            });
        std::sort(list, list + count,
                  [](const Scored &a, const Scored &b)
                  { return a.score != b.score ? a.score > b.score : a.move < b.move; });
        n = std::min(count, 4);
        for (int i = 0; i < n; ++i)
        {
            moves[i] = list[i].move;
        }
    }
    if (n == 0)
    {
        return NO_MOVE;
    }
    // The better points are likelier: 4, 3, 2, 1 chances in 10 for the first four.
    int weights[4] = {4, 3, 2, 1};
    int total = 0;
    for (int i = 0; i < n; ++i)
    {
        total += weights[i];
    }
    int pick = static_cast<int>(random() % static_cast<std::uint64_t>(total));
    for (int i = 0; i < n; ++i)
    {
        if (pick < weights[i])
        {
            return moves[i];
        }
        pick -= weights[i];
    }
    return moves[0];
}

// A level that plays any good move picks one of those close to the best, none that loses.
Move Searcher::chooseAmongClose(Move best, int bestScore)
{
    const int margin = rulesOf(level).choice;
    if (margin <= 0 || std::abs(bestScore) >= WIN_THRESHOLD)
    {
        return best;
    }
    int close = 0;
    while (close < rootCount && rootScores[close] >= bestScore - margin)
    {
        ++close;
    }
    if (close > 1)
    {
        return rootMoves[random() % static_cast<std::uint64_t>(close)];
    }
    return best;
}

} // namespace engine
