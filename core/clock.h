// Fischer clocks: a main time for each side and an increment added after each of its moves. A
// clock is worked out from the times the moves were made, never counted down in place, so that
// whoever knows the game's start and its moves' times (the server from its store, after a
// restart too) knows both clocks to the millisecond. No I/O and no clock of its own: times are
// milliseconds on any one steady scale.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace core
{

struct TimeControl
{
    std::int64_t mainMs = 0;      // each side's time at the start; 0: no clock
    std::int64_t incrementMs = 0; // added to a side's clock after each of its moves

    bool timed() const { return mainMs > 0; }
    bool operator==(const TimeControl &) const = default;
};

// "3+2": minutes and seconds, as players write it; "" when there is no clock.
std::string timeControlName(const TimeControl &control);
// "3+2" (minutes, then seconds of increment; up to 180 minutes and 60 seconds), or "" or "none"
// for no clock. False for anything else, the control left as it was.
bool parseTimeControl(const std::string &text, TimeControl *control);

// The time controls the menus offer, in order, none first: the one after `name` ("" is none);
// none again after the last, and after one not offered.
std::string nextTimeControlName(const std::string &name);

// A clock's time as players read it: "2:58"; under ten seconds with tenths, "0:09.9", which is
// shown until 9.9 s have gone, so that 0:00.0 means the time is up.
std::string clockFace(std::int64_t ms);

// A span of time during which no clock ran (a server that was down): [fromMs, toMs).
struct Pause
{
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
};

// The time the clocks ran between `fromMs` and `toMs`, the pauses left out (0 when `toMs` is not
// later).
std::int64_t runningBetween(std::int64_t fromMs, std::int64_t toMs, std::span<const Pause> pauses);

struct ClockReading
{
    std::int64_t remainingMs[2] = {0, 0}; // black's and white's, at the time asked about
    int toMove = 0;                       // whose clock runs: 0 black, 1 white
    bool flagged = false;                 // the side to move has run out of time
    std::int64_t flagMs = 0;              // when it did (or will, if nothing happens)
};

// Both clocks at `nowMs` for a game begun at `startMs` (black to move) whose moves were made at
// `moveMs` (in order; the side to move alternates), the clock standing still through `pauses`.
// A move made after its side had run out counts as made at the flag: the reading is flagged.
// Times out of order are taken as made at the time before them.
ClockReading readClock(const TimeControl &control, std::int64_t startMs,
                       std::span<const std::int64_t> moveMs, std::int64_t nowMs,
                       std::span<const Pause> pauses = {});

} // namespace core
