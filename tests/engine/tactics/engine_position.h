// A record of the tactics suite as the engine's position, for the tools that put the engine to
// it (record.h itself stays free of the engine, so the solver's side reads it alone).
#pragma once

#include "engine/position.h"
#include "tests/engine/tactics/record.h"

namespace tactics
{

inline engine::Position positionOf(const Record &r)
{
    engine::Position pos(r.size);
    for (const auto &[x, y] : r.black)
        pos.place(pos.at(x, y), 0);
    for (const auto &[x, y] : r.white)
        pos.place(pos.at(x, y), 1);
    pos.setToMove(r.toMove == 'X' ? 0 : 1);
    return pos;
}

} // namespace tactics
