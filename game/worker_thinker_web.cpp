// The page's thinker beside the game: each request goes to the page's Web Worker
// (platform/web/thinker.js), and its answer is looked for once a frame. When the worker cannot
// start, the page has said so, and the computer thinks between frames instead: the request under
// way, if any, is handed to the slice thinker, and every later one too.
#include "game/thinker.h"

#include <algorithm>
#include <cstdint>
#include <optional>

// platform/web/thinker.js
extern "C" void gomokuThinkerPost(std::uint32_t generation, const std::int8_t *cells, int toMove,
                                  int level, int rule, double nodes, double timeMs,
                                  std::uint32_t seedLow, std::uint32_t seedHigh);
extern "C" void gomokuThinkerCancel();
extern "C" int gomokuThinkerTake(std::uint32_t generation, double *out, int longest);
extern "C" int gomokuThinkerFailed();

namespace
{

class WorkerThinker final : public Thinker
{
public:
    void post(const ThinkRequest &request) override
    {
        pending.reset(); // dropped: the slices need not begin it when the worker has just failed
        if (fellBack())
        {
            pending = request;
            slices->post(request);
            return;
        }
        pending = request;
        gomokuThinkerPost(request.generation, request.cells.data(), request.toMove,
                          static_cast<int>(request.level), static_cast<int>(request.rule),
                          static_cast<double>(request.limits.nodes),
                          static_cast<double>(request.limits.timeMs),
                          static_cast<std::uint32_t>(request.seed),
                          static_cast<std::uint32_t>(request.seed >> 32));
    }

    void cancel() override
    {
        pending.reset();
        if (fellBack())
        {
            slices->cancel();
            return;
        }
        gomokuThinkerCancel();
    }

    bool poll(ThinkAnswer &answer, int sliceMs) override
    {
        if (!pending)
        {
            return false;
        }
        if (fellBack())
        {
            if (!slices->poll(answer, sliceMs))
            {
                return false;
            }
            pending.reset();
            return true;
        }
        // The move, its figures, its score, and its line's length and moves.
        double figures[5 + ANSWER_LINE_LONGEST] = {};
        if (gomokuThinkerTake(pending->generation, figures, ANSWER_LINE_LONGEST) == 0)
        {
            return false;
        }
        answer = ThinkAnswer{pending->generation, static_cast<engine::Move>(figures[0]),
                             static_cast<std::int64_t>(figures[1]),
                             static_cast<std::int64_t>(figures[2]), static_cast<int>(figures[3])};
        answer.lineLength = std::clamp(static_cast<int>(figures[4]), 0, ANSWER_LINE_LONGEST);
        for (int i = 0; i < answer.lineLength; ++i)
        {
            answer.line[static_cast<std::size_t>(i)] = static_cast<engine::Move>(figures[5 + i]);
        }
        pending.reset();
        return true;
    }

private:
    // Whether the computer thinks between frames, the worker having failed; the request under
    // way when it failed goes to the slices.
    bool fellBack()
    {
        if (!slices && gomokuThinkerFailed() != 0)
        {
            slices = makeSliceThinker();
            if (pending)
            {
                slices->post(*pending);
            }
        }
        return slices != nullptr;
    }

    std::optional<ThinkRequest> pending; // posted, its answer not taken yet
    std::unique_ptr<Thinker> slices;     // once the worker has failed
};

} // namespace

std::unique_ptr<Thinker> makeBesideThinker()
{
    return std::make_unique<WorkerThinker>();
}
