// The evaluation's weights (see evaluation.h). bench/tune_eval writes this file from a logistic
// fit of the engine's own games; change it by hand only to try something, then tune again.
#pragma once

#include "engine/evaluation.h"

namespace engine
{

inline constexpr Weights EVAL_WEIGHTS = {
    // P_NONE, BLOCK1, FLEX1, BLOCK2, FLEX2, BLOCK3, FLEX3, BLOCK4, FLEX4, FIVE
    .moverPatterns = {0, 1, 3, 6, 20, 24, 100, 120, 1000, 10000},
    .otherPatterns = {0, 1, 3, 6, 20, 24, 100, 120, 1000, 10000},
    // S_NONE, THREE, DOUBLE_THREE, FOUR, FOUR_THREE, OPEN_FOUR, DOUBLE_FOUR, FIVE
    .moverShapes = {0, 0, 400, 0, 800, 0, 900, 0},
    .otherShapes = {0, 0, 400, 0, 800, 0, 900, 0},
};

} // namespace engine
