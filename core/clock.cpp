#include "core/clock.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <limits>
#include <vector>

namespace core
{
namespace
{

constexpr std::int64_t MINUTE_MS = 60000;
constexpr std::int64_t SECOND_MS = 1000;
constexpr int MOST_MINUTES = 180;
constexpr int MOST_SECONDS = 60;

// When a clock with `left` to run, running from `from`, reaches 0, the pauses left out.
std::int64_t flagTime(std::int64_t from, std::int64_t left, std::span<const Pause> pauses)
{
    std::vector<Pause> sorted(pauses.begin(), pauses.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const Pause &a, const Pause &b) { return a.fromMs < b.fromMs; });
    std::int64_t at = from;
    for (const Pause &pause : sorted)
    {
        if (pause.toMs <= at)
            continue;
        if (pause.fromMs >= at + left)
            break;
        left -= std::max<std::int64_t>(pause.fromMs - at, 0);
        at = pause.toMs;
    }
    return at + left;
}

} // namespace

std::int64_t runningBetween(std::int64_t from, std::int64_t to, std::span<const Pause> pauses)
{
    if (to <= from)
        return 0;
    std::int64_t ran = to - from;
    for (const Pause &pause : pauses)
    {
        const std::int64_t a = std::max(from, pause.fromMs), b = std::min(to, pause.toMs);
        if (b > a)
            ran -= b - a;
    }
    return std::max<std::int64_t>(ran, 0);
}

std::string timeControlName(const TimeControl &control)
{
    if (!control.timed())
        return "";
    char text[48];
    std::snprintf(text, sizeof text, "%lld+%lld",
                  static_cast<long long>(control.mainMs / MINUTE_MS),
                  static_cast<long long>(control.incrementMs / SECOND_MS));
    return text;
}

std::string nextTimeControlName(const std::string &name)
{
    static constexpr const char *OFFERED[] = {"", "1+0", "3+2", "5+3", "10+5"};
    const auto at = std::find(std::begin(OFFERED), std::end(OFFERED), name);
    return at == std::end(OFFERED) || at + 1 == std::end(OFFERED) ? "" : *(at + 1);
}

std::string clockFace(std::int64_t ms)
{
    char text[48];
    ms = std::max<std::int64_t>(ms, 0);
    if (ms < 10 * SECOND_MS)
    {
        const std::int64_t tenths = ms / 100;
        std::snprintf(text, sizeof text, "0:0%lld.%lld", static_cast<long long>(tenths / 10),
                      static_cast<long long>(tenths % 10));
    }
    else
    {
        const std::int64_t seconds = ms / SECOND_MS;
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    return text;
}

bool parseTimeControl(const std::string &text, TimeControl *control)
{
    if (text.empty() || text == "none")
    {
        *control = TimeControl{};
        return true;
    }
    int minutes = 0, seconds = 0, used = 0;
    if (text.size() > 7 || std::sscanf(text.c_str(), "%3d+%2d%n", &minutes, &seconds, &used) != 2 ||
        used != static_cast<int>(text.size()) || text.front() < '0' || text.front() > '9' ||
        text.find_first_not_of("0123456789+") != std::string::npos || minutes < 1 ||
        minutes > MOST_MINUTES || seconds < 0 || seconds > MOST_SECONDS)
        return false;
    *control = TimeControl{minutes * MINUTE_MS, seconds * SECOND_MS};
    return true;
}

ClockReading readClock(const TimeControl &control, std::int64_t startMs,
                       std::span<const std::int64_t> moveMs, std::int64_t nowMs,
                       std::span<const Pause> pauses)
{
    ClockReading reading;
    reading.toMove = static_cast<int>(moveMs.size() % 2);
    if (!control.timed())
    {
        reading.flagMs = std::numeric_limits<std::int64_t>::max();
        return reading;
    }
    reading.remainingMs[0] = reading.remainingMs[1] = control.mainMs;
    std::int64_t last = startMs;
    for (std::size_t i = 0; i < moveMs.size(); ++i)
    {
        const int side = static_cast<int>(i % 2);
        const std::int64_t at = std::max(moveMs[i], last);
        const std::int64_t spent = runningBetween(last, at, pauses);
        if (spent >= reading.remainingMs[side])
        {
            // Out of time before the move: the game was lost on time at the flag.
            reading.toMove = side;
            reading.flagMs = flagTime(last, reading.remainingMs[side], pauses);
            reading.remainingMs[side] = 0;
            reading.flagged = true;
            return reading;
        }
        reading.remainingMs[side] += control.incrementMs - spent;
        last = at;
    }
    const int side = reading.toMove;
    reading.flagMs = flagTime(last, reading.remainingMs[side], pauses);
    const std::int64_t spent = runningBetween(last, std::max(nowMs, last), pauses);
    reading.remainingMs[side] = std::max<std::int64_t>(reading.remainingMs[side] - spent, 0);
    reading.flagged = reading.remainingMs[side] == 0;
    return reading;
}

} // namespace core
