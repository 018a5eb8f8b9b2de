// Move ordering: which moves a position leaves worth trying, and in what order.
#include "engine/ordering.h"

#include "engine/threats.h"

#include <algorithm>
#include <limits>

namespace engine
{

void MoveOrder::clear()
{
    for (auto &k : killers)
    {
        k = {NO_MOVE, NO_MOVE};
    }
    for (auto &h : history)
    {
        h.fill(0);
    }
}

void MoveOrder::cutoff(Move m, int colour, int ply, int depth, bool quiet)
{
    if (quiet && killers[ply][0] != m)
    {
        killers[ply][1] = killers[ply][0];
        killers[ply][0] = m;
    }
    history[colour][m] += depth * depth;
}

int MoveOrder::score(const Position &pos, Move m, int ply, Move ttMove) const
{
    if (m == ttMove)
    {
        return std::numeric_limits<int>::max();
    }
    const int me = pos.toMove();
    int score = 6 * pos.value(m, me) + 5 * pos.value(m, me ^ 1);
    if (m == killers[ply][0] || m == killers[ply][1])
    {
        score += 600;
    }
    return score + history[me][m] / 16;
}

int MoveOrder::generate(Position &pos, Move *out, int capacity, int ply, Move ttMove,
                        bool *restricted) const
{
    const int me = pos.toMove();
    const int you = me ^ 1;
    *restricted = false;
    if (pos.fiveThreats(you) == 1)
    {
        out[0] = pos.fivePoints(you).first();
        return 1;
    }
    // A five that cannot be stopped loses whatever the move: any allowed point will do.
    PointSet candidates;
    if (!pos.flexFourPoints(you).empty())
    {
        // Only points where the other side's open fours are all stopped: each point that could
        // stop them (one where the other side would make a four, or one of ours that makes a
        // four) is tried. A four of ours that does not stop them only delays the answer; the best
        // two of them are kept for the counter-attacks a search by fours does not find.
        *restricted = true;
        PointSet tried = pos.fourPoints(me);
        tried |= pos.fourPoints(you);
        tried.forEach(
            [&](Move m)
            {
                pos.play(m);
                const bool stops = pos.flexFourPoints(you).empty();
                pos.undo();
                if (stops)
                {
                    candidates.add(m);
                }
            });
        Move fours[2];
        int n = orderedThreats(pos, me, false, fours, 2);
        for (int i = 0; i < n; ++i)
        {
            candidates.add(fours[i]);
        }
        if (candidates.empty())
        {
            // No point stops them all (two open threes, say): the game is lost against the best
            // play, but a stone that stops one of them may still meet a worse one.
            candidates = tried;
        }
    }
    if (candidates.empty())
    {
        candidates = pos.nearPoints();
    }
    struct Scored
    {
        int score;
        Move move;
    };
    Scored list[MAX_MOVES];
    int n = 0;
    // Never a point the rule forbids the side to move (black's, under renju).
    auto allowed = [&](const PointSet &points)
    {
        points.forEach(
            [&](Move m)
            {
                if (n < MAX_MOVES && !pos.forbidden(m, me))
                {
                    list[n++] = {score(pos, m, ply, ttMove), m};
                }
            });
    };
    allowed(candidates);
    if (n == 0 && !pos.full())
    {
        // Every point worth trying is forbidden: the others near the stones, else any point.
        allowed(pos.nearPoints());
        for (int y = 0; n == 0 && y < pos.size(); ++y)
        {
            for (int x = 0; n == 0 && x < pos.size(); ++x)
            {
                const Move m = pos.at(x, y);
                if (pos.isEmpty(m) && !pos.forbidden(m, me))
                {
                    list[n++] = {0, m};
                }
            }
        }
    }
    std::sort(list, list + n,
              [](const Scored &a, const Scored &b)
              { return a.score != b.score ? a.score > b.score : a.move < b.move; });
    n = std::min(n, capacity);
    for (int i = 0; i < n; ++i)
    {
        out[i] = list[i].move;
    }
    return n;
}

} // namespace engine
