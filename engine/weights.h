// The evaluation's weights (see evaluation.h). bench/tune_eval writes this file from a logistic
// fit of the engine's own games; change it by hand only to try something, then tune again.
// This fit: 7637 positions of 720 games.
#pragma once

#include "engine/evaluation.h"

namespace engine
{

inline constexpr Weights EVAL_WEIGHTS = {
    // P_NONE, BLOCK1, FLEX1, BLOCK2, FLEX2, BLOCK3, FLEX3, BLOCK4, FLEX4, FIVE
    .moverPatterns = {0, 34, -2, -17, 82, 134, 367, 635, 956, 9558},
    .otherPatterns = {0, 28, -2, -1, 54, 113, 252, 567, 956, 9558},
    // S_NONE, THREE, DOUBLE_THREE, FOUR, FOUR_THREE, OPEN_FOUR, DOUBLE_FOUR, FIVE
    .moverShapes = {0, 273, 2397, 471, 7061, 0, 860, 0},
    .otherShapes = {0, 221, -613, 477, 937, 0, 860, 0},
};

} // namespace engine
