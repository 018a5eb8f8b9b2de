// The request's position, and the thinker that thinks between frames: one step of the search a
// frame, on the caller's thread.
#include "game/thinker.h"

#include <cstdint>

engine::Position positionOf(const ThinkRequest &request)
{
    engine::Position pos(BOARD_SIZE, request.rule);
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            const std::int8_t cell = request.cells[row * BOARD_SIZE + col];
            if (cell != CELL_EMPTY)
            {
                pos.place(pos.at(col, row), cell == CELL_BLACK ? 0 : 1);
            }
        }
    }
    pos.setToMove(request.toMove);
    return pos;
}

ThinkAnswer answerOf(std::uint32_t generation, const engine::Searcher &searcher)
{
    const engine::SearchInfo &info = searcher.info();
    ThinkAnswer answer{generation, searcher.bestMove(), info.nodes, info.elapsedMs, info.score};
    if (answer.move != engine::NO_MOVE)
    {
        for (engine::Move m : searcher.principalVariation(answer.move, ANSWER_LINE_LONGEST))
        {
            answer.line[static_cast<std::size_t>(answer.lineLength++)] = m;
        }
    }
    return answer;
}

namespace
{

class SliceThinker final : public Thinker
{
public:
    void post(const ThinkRequest &request) override
    {
        if (!searcher)
        {
            searcher = std::make_unique<engine::Searcher>();
        }
        searcher->start(positionOf(request), request.level, request.limits, request.seed);
        generation = request.generation;
        active = true;
    }

    void cancel() override
    {
        if (active)
        {
            searcher->stop();
            active = false;
        }
    }

    bool poll(ThinkAnswer &answer, int sliceMs) override
    {
        // A slice is bounded by the clock alone: the search's own budget ends the thought.
        if (!active || !searcher->step(std::int64_t{1} << 40, sliceMs))
        {
            return false;
        }
        active = false;
        answer = answerOf(generation, *searcher);
        return true;
    }

private:
    std::unique_ptr<engine::Searcher> searcher; // made for the first thought, kept after it
    std::uint32_t generation = 0;
    bool active = false;
};

} // namespace

std::unique_ptr<Thinker> makeSliceThinker()
{
    return std::make_unique<SliceThinker>();
}
