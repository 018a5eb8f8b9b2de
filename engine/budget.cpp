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
// On a match clock, a move the search has settled may end after this part of its time.
constexpr std::int64_t SETTLED_SHARE = 4;
// What is left of a match is shared among this many moves to come.
constexpr std::int64_t MATCH_SHARE = 12;

} // namespace

std::int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

MoveTime moveTime(std::int64_t turnMs, bool matchClock, std::int64_t matchLeftMs)
{
    std::int64_t budget = turnMs > 0 ? turnMs : DEFAULT_TURN_MS;
    if (matchClock)
    {
        // A share of what is left of the match, so that the last moves have time too.
        budget = std::min(budget, std::max<std::int64_t>(matchLeftMs, 0) / MATCH_SHARE);
    }
    // Answer before the limit, whatever the pipes, the process's start of a move and a busy
    // machine take: a tenth of the turn, at least 50 ms.
    const std::int64_t margin = std::max<std::int64_t>(50, budget / 10);
    const std::int64_t ms = std::max<std::int64_t>(budget - margin, 1);
    return MoveTime{ms, matchClock ? ms / SETTLED_SHARE : 0};
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
