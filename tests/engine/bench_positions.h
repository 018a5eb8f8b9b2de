// The engine's benchmark positions, searched by engine_bench (its speed on them, and its
// signature) and by the test that holds the signature to the one recorded.
#pragma once

#include "engine/search.h"

#include <cstdint>
#include <cstdlib>

namespace engine::bench
{

inline constexpr int BOARD = 18; // the game's board

// Middle games of the game's board, black and white to move, written as moves "x,y" from the
// first: from the engine's own games, none decided yet.
inline constexpr const char *POSITIONS[] = {
    "9,9 10,10 8,10 10,8 10,9 8,9 11,8 9,11 7,11 12,7 11,10 9,8",
    "9,9 9,10 10,10 8,8 11,11 12,12 8,10 10,8 7,10 11,9 10,11 9,11 8,11",
    "9,9 10,8 8,8 8,10 10,10 11,11 9,10 9,8 11,9 7,9 12,8 10,9 9,7 8,6",
    "8,9 9,9 10,9 9,10 9,8 10,10 8,10 7,11 11,8 12,7 11,11 8,8 10,12",
    "9,9 8,8 10,8 10,10 8,10 11,7 9,11 7,9 9,7 9,10 11,9 12,10",
    "9,9 10,10 9,11 9,10 8,10 11,10 12,10 10,9 10,11 8,11 11,8 7,12 6,13 8,9",
};

inline Position fromMoves(const char *moves)
{
    Position pos(BOARD);
    for (const char *p = moves; *p != '\0';)
    {
        char *end = nullptr;
        long x = std::strtol(p, &end, 10);
        long y = std::strtol(end + 1, &end, 10);
        pos.play(pos.at(static_cast<int>(x), static_cast<int>(y)));
        p = *end == ' ' ? end + 1 : end;
    }
    return pos;
}

// The signature: the positions the hard level searches for every position to depth 6, summed.
// It changes whenever what the search does changes, and only then.
inline std::int64_t signatureNodes()
{
    Searcher searcher;
    std::int64_t total = 0;
    for (const char *moves : POSITIONS)
    {
        searcher.think(fromMoves(moves), Level::Hard, Limits{0, 0, 6});
        total += searcher.info().nodes;
    }
    return total;
}

} // namespace engine::bench
