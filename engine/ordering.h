// The order in which the search tries moves, and which it tries at all: the answers a threat
// leaves, or the points near the stones, best first by their worth to both sides, the table's
// move, the killer moves and the history of cut-offs.
#pragma once

#include "engine/position.h"

#include <array>
#include <cstdint>

namespace engine
{

inline constexpr int MAX_PLY = 96;

class MoveOrder
{
public:
    // Forgets every killer move and the whole history.
    void clear();
    // `m`, played by `colour` at `ply` with `depth` plies left, made the search cut off there.
    void cutoff(Move m, int colour, int ply, int depth, bool quiet);

    // The moves worth trying at `pos`, best first: the point that stops a four; or, when the
    // other side threatens an open four, the points that stop it and the fours that come first
    // (then `restricted` is set); otherwise the points near the stones. At most `capacity`.
    int generate(Position &pos, Move *out, int capacity, int ply, Move ttMove,
                 bool *restricted) const;

private:
    int score(const Position &pos, Move m, int ply, Move ttMove) const;

    std::array<std::array<Move, 2>, MAX_PLY + 1> killers{};
    // By colour and point: how much the moves that cut the search off there were worth.
    std::array<std::array<std::int32_t, CELL_COUNT>, 2> history{};
};

} // namespace engine
