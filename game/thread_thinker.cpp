// The desktop's thinker beside the game: a thread of its own with a searcher of its own. The
// game and the thread share only this object's few fields, under its mutex, and the number of
// the thought the game wants, which the thread reads between steps of its search: a thought the
// game no longer wants stops within one step, and its answer is never handed over.
#include "game/thinker.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace
{

// Positions a step of the search on the thread: about 2 ms of the hard level, the longest a
// thought no longer wanted goes on. Steps change nothing of the search's course.
constexpr std::int64_t STEP_NODES = 1024;

// The number of no request: what the game wants after a cancel, and at the end.
constexpr std::uint32_t NONE = 0;

class ThreadThinker final : public Thinker
{
public:
    ThreadThinker() = default;
    ThreadThinker(const ThreadThinker &) = delete;
    ThreadThinker &operator=(const ThreadThinker &) = delete;

    // The thread is told to end and joined: at most a step of thinking is left to it.
    ~ThreadThinker() override
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ending = true;
            wanted = NONE;
        }
        wake.notify_one();
        if (thread.joinable())
        {
            thread.join();
        }
    }

    void post(const ThinkRequest &request) override
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            next = request;
            answer.reset();
            wanted = request.generation;
        }
        if (!thread.joinable())
        {
            thread = std::thread([this] { run(); });
        }
        wake.notify_one();
    }

    void cancel() override
    {
        std::lock_guard<std::mutex> lock(mutex);
        next.reset();
        answer.reset();
        wanted = NONE;
    }

    bool poll(ThinkAnswer &out, int) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!answer || answer->generation != wanted)
        {
            return false;
        }
        out = *answer;
        answer.reset();
        wanted = NONE;
        return true;
    }

private:
    // The thread: each request in turn, until the thinker ends.
    void run()
    {
        auto searcher = std::make_unique<engine::Searcher>();
        for (;;)
        {
            ThinkRequest request;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [this] { return ending || next.has_value(); });
                if (ending)
                {
                    return;
                }
                request = *next;
                next.reset();
            }
            searcher->start(positionOf(request), request.level, request.limits, request.seed);
            bool done = false;
            while (!done && wanted.load(std::memory_order_relaxed) == request.generation)
            {
                done = searcher->step(STEP_NODES);
            }
            if (!done)
            {
                searcher->stop();
                continue;
            }
            const ThinkAnswer answered = answerOf(request.generation, *searcher);
            std::lock_guard<std::mutex> lock(mutex);
            if (wanted == request.generation)
            {
                answer = answered;
            }
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::optional<ThinkRequest> next;  // posted, not yet taken by the thread
    std::optional<ThinkAnswer> answer; // come, not yet taken by the game
    std::atomic<std::uint32_t> wanted{NONE};
    bool ending = false;
    std::thread thread; // started by the first request, joined at the end
};

} // namespace

std::unique_ptr<Thinker> makeBesideThinker()
{
    return std::make_unique<ThreadThinker>();
}
