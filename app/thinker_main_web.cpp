// The page's thinker: the engine alone, a WebAssembly module of its own that runs in a Web
// Worker (platform/web/thinker_worker.js), so that the page's frames never wait for it. Its whole
// interface: a board, the side to move, a level, a budget and a seed in; a move and the search's
// figures out. It thinks in one go, as Searcher::think does: the page ends the worker to cancel.
#include "game/thinker.h"

#include <emscripten.h>

#include <cstdint>

namespace
{

ThinkRequest request;
engine::Searcher *searcher; // made for the first thought: the 16 MB table is taken once
engine::SearchInfo figures;
ThinkAnswer answered; // the last thought's score and line

} // namespace

// Where the page's worker writes the board before a thought, as Board holds it: row by row,
// -1 black, 0 empty, +1 white.
extern "C" EMSCRIPTEN_KEEPALIVE std::int8_t *gomokuThinkerCells()
{
    return request.cells.data();
}

// The move for that board: the engine's number of the point, or 0 when there is none to play.
// `rule` is engine::Rule's number (anything else is freestyle); `nodes` and `timeMs` are the budget (0: none of that kind, as engine::Limits has it); the seed
// comes in two halves, since a plain JavaScript number holds no 64-bit integer.
extern "C" EMSCRIPTEN_KEEPALIVE int gomokuThink(int toMove, int level, int rule, double nodes,
                                                double timeMs, std::uint32_t seedLow,
                                                std::uint32_t seedHigh)
{
    if (searcher == nullptr)
    {
        searcher = new engine::Searcher();
    }
    request.toMove = toMove == 1 ? 1 : 0;
    request.level = level == 0   ? engine::Level::Easy
                    : level == 2 ? engine::Level::Hard
                                 : engine::Level::Medium;
    request.rule = rule == static_cast<int>(engine::Rule::Standard) ? engine::Rule::Standard
                   : rule == static_cast<int>(engine::Rule::Renju)  ? engine::Rule::Renju
                                                                    : engine::Rule::Freestyle;
    request.limits.nodes = nodes > 0 ? static_cast<std::int64_t>(nodes) : 0;
    request.limits.timeMs = timeMs > 0 ? static_cast<std::int64_t>(timeMs) : 0;
    request.seed = std::uint64_t{seedHigh} << 32 | seedLow;
    const engine::Move move =
        searcher->think(positionOf(request), request.level, request.limits, request.seed);
    figures = searcher->info();
    answered = answerOf(0, *searcher);
    return move;
}

// The figures of the last thought: positions looked at, and its milliseconds.
extern "C" EMSCRIPTEN_KEEPALIVE double gomokuThoughtNodes()
{
    return static_cast<double>(figures.nodes);
}
extern "C" EMSCRIPTEN_KEEPALIVE double gomokuThoughtMs()
{
    return static_cast<double>(figures.elapsedMs);
}

// The last thought's score, from the mover's side, and its line: how many moves it holds, and
// each, the move itself first (the hint shows them).
extern "C" EMSCRIPTEN_KEEPALIVE int gomokuThoughtScore()
{
    return answered.score;
}
extern "C" EMSCRIPTEN_KEEPALIVE int gomokuThoughtLineLength()
{
    return answered.lineLength;
}
extern "C" EMSCRIPTEN_KEEPALIVE int gomokuThoughtLineMove(int i)
{
    return i >= 0 && i < answered.lineLength ? answered.line[static_cast<std::size_t>(i)] : 0;
}
