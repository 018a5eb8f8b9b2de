// Where the computer thinks. The game hands a thinker a request, a copy of the board with all
// that decides the move, and asks once a frame whether the answer has come. A thinker beside the
// game (a thread of its own on the desktop, a Web Worker in the page) never holds up a frame; the
// slice thinker thinks between frames, a slice at a time, where nothing else can run. Whichever
// thinks, a request gets the move Searcher::think gives for it.
#pragma once

#include "engine/search.h"
#include "game/game_state.h"

#include <array>
#include <cstdint>
#include <memory>

struct ThinkRequest
{
    std::uint32_t generation = 0; // the game's number for this thought; its answer carries it
    std::array<std::int8_t, BOARD_CELLS> cells{}; // as Board: -1 black, 0 empty, +1 white
    std::uint8_t toMove = 0;                      // 0 black, 1 white
    engine::Rule rule = engine::Rule::Freestyle;
    engine::Level level = engine::Level::Medium;
    engine::Limits limits;
    std::uint64_t seed = 0;
};

// The most moves of the line an answer carries: a hint shows them.
inline constexpr int ANSWER_LINE_LONGEST = 10;

struct ThinkAnswer
{
    std::uint32_t generation = 0;
    engine::Move move = engine::NO_MOVE; // a point as the engine names it; NO_MOVE: none to play
    std::int64_t nodes = 0;              // positions the search looked at
    std::int64_t elapsedMs = 0;          // from the start of the search to its move
    int score = 0; // of the move, from the mover's side, as engine::SearchInfo has it
    // The line of play the search expects after the move (Searcher::principalVariation), the
    // move itself first; `lineLength` of them hold points.
    std::array<engine::Move, ANSWER_LINE_LONGEST> line{};
    int lineLength = 0;
};

// The answer of a search that has chosen its move: the move, its figures, and its line.
ThinkAnswer answerOf(std::uint32_t generation, const engine::Searcher &searcher);

// The request's board as the engine sees it: x the column, y the row.
engine::Position positionOf(const ThinkRequest &request);

class Thinker
{
public:
    virtual ~Thinker() = default;
    // Begins thinking about `request`. A thought under way is dropped first: its answer never
    // comes.
    virtual void post(const ThinkRequest &request) = 0;
    // Drops the thought under way, if any: its answer never comes.
    virtual void cancel() = 0;
    // Once a frame: true, once, with the answer to the request posted last when it has come.
    // The slice thinker thinks here, for about `sliceMs`; the others only look.
    virtual bool poll(ThinkAnswer &answer, int sliceMs) = 0;
};

// Thinks between frames, in slices of the caller's thread.
std::unique_ptr<Thinker> makeSliceThinker();
// Thinks beside the game: on the desktop a thread of its own (game/thread_thinker.cpp), in the
// page a Web Worker, or slices when the page's worker cannot start
// (game/worker_thinker_web.cpp). The build picks one.
std::unique_ptr<Thinker> makeBesideThinker();
