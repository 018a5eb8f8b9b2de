// Games between two levels of the engine under a rule, every move checked by a referee of the
// tests' own: its board of plain cells, its own count of the rows a stone makes, and the tests'
// second reading of renju's forbidden points. A forbidden move, a win the engine claims that is
// none, a win it does not see, a five it leaves on the board or a move it does not make ends the
// game with the problem named. The suite plays a few such games; the benchmark hundreds.
#pragma once

#include "engine/levels.h"
#include "core/rules.h"

#include <cstdint>
#include <string>

namespace renjutest
{

struct RefereedGame
{
    int winner = -1; // 0 black, 1 white, -1 none (a full board, or a problem)
    int stones = 0;
    std::string moves;       // "x,y" from the first, to replay the game
    std::string problem;     // empty when the referee found nothing wrong
    int forbiddenAround = 0; // black's forbidden points the referee saw, summed over black's turns
};

// One game on a `size` board from a two-stone opening drawn from `seed` near the centre: black
// at `blackLevel`, white at `whiteLevel`; a hard level thinks for `hardNodes` positions a move.
RefereedGame playRefereed(engine::Rule rule, engine::Level blackLevel, engine::Level whiteLevel,
                          std::int64_t hardNodes, std::uint64_t seed, int size = 15);

} // namespace renjutest
