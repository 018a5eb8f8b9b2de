// Helpers of the threat-space searches (wins by continuous fours, and by threes and fours):
// the points where one side makes a four or an open three, strongest first.
#pragma once

#include "engine/position.h"

namespace engine
{

// The points where `colour` makes a four, then (with `withThrees`) those where it makes an open
// three, each group strongest first (open fours and double fours, four-threes, then by worth);
// at most `capacity` of them. Returns how many.
int orderedThreats(const Position &pos, int colour, bool withThrees, Move *out, int capacity);

} // namespace engine
