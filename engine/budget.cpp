// The search's budget: its positions, its clock and its slices.
#include "engine/budget.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace engine
{
namespace
{

constexpr std::int64_t CLOCK_EVERY = 32; // nodes between two looks at the clock

} // namespace

std::int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Budget::begin(const Limits &given)
{
    limits = given;
    nodes = 0;
    stopped = false;
}

void Budget::beginSlice(std::int64_t slice, std::int64_t milliseconds)
{
    sliceEndNodes = nodes + std::max<std::int64_t>(1, slice);
    sliceEndMs = milliseconds > 0 ? now() + milliseconds : std::numeric_limits<std::int64_t>::max();
    sliceOver = false;
}

std::int64_t Budget::positions() const
{
    return limits.nodes > 0 ? limits.nodes : limits.timeMs * NODES_PER_MS;
}

bool Budget::Checkpoint::await_ready() const noexcept
{
    Budget &b = budget;
    if (b.limits.nodes > 0 && b.nodes >= b.limits.nodes)
    {
        b.stopped = true;
    }
    if (b.nodes % CLOCK_EVERY == 0)
    {
        std::int64_t t = b.now();
        if (b.limits.timeMs > 0 && t - b.startedAt >= b.limits.timeMs)
        {
            b.stopped = true;
        }
        b.sliceOver = b.sliceOver || t >= b.sliceEndMs;
    }
    if (b.stopped)
    {
        return true; // no pause: the search unwinds at once
    }
    return !(b.sliceOver || b.nodes >= b.sliceEndNodes);
}

} // namespace engine
