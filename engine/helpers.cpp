#include "engine/helpers.h"

#include <algorithm>

namespace engine
{
namespace
{

constexpr std::size_t HELPER_OWN_TABLE = std::size_t{1} << 16; // unused: it shares its owner's
constexpr std::int64_t HELPER_STEP = 2048; // positions between looks at whether to stop
constexpr std::int64_t NO_TIME_LIMIT_MS = std::int64_t{1} << 40;

} // namespace

void SearchHelpers::setCount(int helpers)
{
    end();
    searchers.clear();
    const int n = std::clamp(helpers, 0, MAX_HELPERS);
    for (int i = 0; i < n; ++i)
    {
        searchers.push_back(std::make_unique<Searcher>(HELPER_OWN_TABLE));
    }
}

void SearchHelpers::begin(Searcher &owner, const Position &pos, Limits limits, std::uint64_t seed)
{
    end();
    stopping = false;
    // No count of positions: a helper thinks as long as the owner does.
    Limits own;
    own.timeMs = limits.timeMs > 0 ? limits.timeMs : NO_TIME_LIMIT_MS;
    own.depth = limits.depth;
    for (std::size_t i = 0; i < searchers.size(); ++i)
    {
        Searcher &helper = *searchers[i];
        helper.helpWith(owner, i % 2 == 0 ? 1 : 0);
        helper.start(pos, Level::Hard, own, seed + i + 1);
        threads.emplace_back(
            [this, &helper]
            {
                while (!stopping.load(std::memory_order_relaxed) && !helper.step(HELPER_STEP))
                {
                }
            });
    }
}

void SearchHelpers::end()
{
    stopping = true;
    for (std::thread &t : threads)
    {
        t.join();
    }
    threads.clear();
    for (auto &helper : searchers)
    {
        helper->stop();
    }
}

} // namespace engine
