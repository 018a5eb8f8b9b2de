// The evaluation at the search's horizon: for each side, a weighted count of the patterns its
// stone would make along the lines through every empty point, and of the shapes those points
// give it (an open three, a four-three ...). The side to move's counts have weights of their own,
// since it plays first: its open three is nearly an open four, the other side's is a point to
// block. The weights are one table (weights.h), which bench/tune_eval writes.
#pragma once

#include "engine/position.h"

#include <array>
#include <cstdint>

namespace engine
{

struct Weights
{
    std::array<std::int32_t, PATTERN_COUNT> moverPatterns; // by Pattern, for the side to move
    std::array<std::int32_t, PATTERN_COUNT> otherPatterns; // ... and for the other side
    std::array<std::int32_t, SHAPE_COUNT> moverShapes;     // by Shape
    std::array<std::int32_t, SHAPE_COUNT> otherShapes;
};

// The position from the side to move's view, in the search's units (see WIN in search.h).
int evaluate(const Position &pos, const Weights &weights);
int evaluate(const Position &pos);

} // namespace engine
