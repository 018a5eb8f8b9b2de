// The swap2 opening as the engine plays it. The first player places three stones (black, white,
// black); the second chooses to play white, to play black, or to place two more stones (white,
// then black) and let the first choose a colour. Every choice rests on the engine's own judgement
// of a position: a short search from white's side, white being to move after three stones and
// after five. So the stones it offers leave neither side far ahead, and the colour it takes is the
// one that judgement favours.
#pragma once

#include "engine/position.h"
#include "engine/search.h"

#include <cstdint>

namespace engine
{

struct Swap2Plan
{
    enum Kind : std::uint8_t
    {
        Stones,    // the stones to place: three to open, or the second player's two more
        PlayWhite, // take white and play `stones[0]`, white's move
        PlayBlack, // take black: the other player plays white's move
    };
    Kind kind = Stones;
    Move stones[3] = {NO_MOVE, NO_MOVE, NO_MOVE};
    int count = 0;
    int score = 0; // the judgement it rests on, from white's side with white to move
};

// Beyond this the judgement counts a side as ahead: below it, the second player places two more
// stones rather than take a colour.
inline constexpr int SWAP2_EVEN = 100; // about what an open three is worth

// The three opening stones on the empty board of `empty`'s size and rule. `budget` is what the
// whole decision may take, in positions and, when given, milliseconds; with a budget in positions
// alone, the same position, budget and seed always give the same stones.
Swap2Plan swap2Open(Searcher &searcher, const Position &empty, Limits budget, std::uint64_t seed);
// With the three opening stones on the board, white to move: the second player's choice.
Swap2Plan swap2Second(Searcher &searcher, const Position &three, Limits budget, std::uint64_t seed);
// With five stones on the board, white to move: the first player's choice of a colour.
Swap2Plan swap2First(Searcher &searcher, const Position &five, Limits budget, std::uint64_t seed);

} // namespace engine
