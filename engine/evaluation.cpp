// The evaluation: the weights applied to the counts the position keeps stone by stone.
#include "engine/evaluation.h"

#include "engine/search.h"
#include "engine/weights.h"

#include <algorithm>

namespace engine
{

int evaluate(const Position &pos, const Weights &w)
{
    const int me = pos.toMove();
    const int you = me ^ 1;
    std::int64_t score = 0;
    for (int p = 1; p < PATTERN_COUNT; ++p)
    {
        score += std::int64_t{w.moverPatterns[p]} * pos.patternCount(me, p) -
                 std::int64_t{w.otherPatterns[p]} * pos.patternCount(you, p);
    }
    for (int s = 1; s < SHAPE_COUNT; ++s)
    {
        score += std::int64_t{w.moverShapes[s]} * pos.shapeCount(me, s) -
                 std::int64_t{w.otherShapes[s]} * pos.shapeCount(you, s);
    }
    return static_cast<int>(std::clamp<std::int64_t>(score, -WIN_THRESHOLD + 1, WIN_THRESHOLD - 1));
}

int evaluate(const Position &pos)
{
    return evaluate(pos, EVAL_WEIGHTS);
}

} // namespace engine
