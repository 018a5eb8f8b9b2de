// How long the search may think and where it stands: the positions looked at, the clock, the
// slices a program hands out, and the share of a move's budget each part of the search gets.
#pragma once

#include "engine/task.h"

#include <cstdint>

namespace engine
{

// How long to think. Zero means no limit of that kind; with neither limit a level's own applies.
struct Limits
{
    std::int64_t nodes = 0;  // positions looked at, over the whole search
    std::int64_t timeMs = 0; // wall-clock milliseconds from start()
    int depth = 0;           // full-width plies, at most the level's own
    // With a time limit: once this many milliseconds have passed, a move that the last
    // iterations of alpha-beta all chose is given at once, and the rest of the time saved.
    std::int64_t settledMs = 0;
};

// Milliseconds of a steady clock; replaceable, so a test can drive time itself.
using Clock = std::int64_t (*)();
std::int64_t steadyMilliseconds();

// A move's time under a turn's limit and, when there is one, a match clock.
inline constexpr std::int64_t DEFAULT_TURN_MS = 1000; // when no turn limit is given
struct MoveTime
{
    std::int64_t budgetMs;  // the time the move may take: at least 1 ms, and under the limits
    std::int64_t settledMs; // on a match clock, when a settled move may be given (else 0)
};
// The time the next move may take: `turnMs` (DEFAULT_TURN_MS when 0 or less) or, on a match clock
// (`matchClock`), at most a twelfth of the `matchLeftMs` still left on it, so that the last moves
// have time too; less a margin for answering before the limit. On a match clock a move the search
// has settled early is given after a quarter of that, leaving its time to the moves to come.
MoveTime moveTime(std::int64_t turnMs, bool matchClock, std::int64_t matchLeftMs);

// A part of a move's budget.
struct Fraction
{
    std::int64_t numerator;
    std::int64_t denominator;
};

constexpr std::int64_t operator*(std::int64_t positions, Fraction f)
{
    return positions * f.numerator / f.denominator;
}

// The shares of a move's budget of the searches for wins by threats that come before alpha-beta,
// so that alpha-beta gets the most of it also in crowded positions, where threats are many.
inline constexpr Fraction OWN_FOURS_SHARE{1, 10};    // our win by fours at the root
inline constexpr std::int64_t OWN_FOURS_LEAST = 500; // ... in positions, however small the budget
inline constexpr Fraction OWN_THREES_SHARE{1, 6};    // our win by threes and fours
inline constexpr Fraction THEIR_FOURS_SHARE{1, 20};  // the other side's win by fours at the root
inline constexpr Fraction THEIR_THREES_SHARE{1, 12}; // ... and by threes and fours
inline constexpr Fraction ANSWER_SHARE{1, 200}; // the close look at one root move's answer to it
inline constexpr Fraction ANSWERS_SHARE{1, 4};  // ... and at all root moves' answers together
// Positions a millisecond, to turn a time limit into the shares of the threat searches: the
// shares are then the same on every machine, so a search's course depends only on its limits.
inline constexpr std::int64_t NODES_PER_MS = 400;

// The search's count of positions and its clock. Every node passes a checkpoint, which counts it
// and, when the whole budget is spent, stops the search; when only the current slice is, the node
// suspends there, and the next slice resumes it.
struct Budget
{
    explicit Budget(Clock clock) : now(clock) {}

    // A new search under `limits`, from now.
    void begin(const Limits &limits);
    // A slice of at most `slice` positions and, when given, `milliseconds`.
    void beginSlice(std::int64_t slice, std::int64_t milliseconds);
    // Positions for the shares of the threat searches: the node limit, or the time limit turned
    // into positions.
    std::int64_t positions() const;

    struct Checkpoint
    {
        Budget &budget;
        bool await_ready() const noexcept;
        void await_suspend(coro::coroutine_handle<> h) noexcept { budget.suspended = h; }
        void await_resume() const noexcept {}
    };
    Checkpoint checkpoint()
    {
        ++nodes;
        return Checkpoint{*this};
    }

    Clock now;
    Limits limits;
    bool stopped = false; // the whole search must end now
    bool sliceOver = false;
    std::int64_t nodes = 0;
    std::int64_t startedAt = 0;
    std::int64_t sliceEndNodes = 0; // node count and time at which the current slice ends
    std::int64_t sliceEndMs = 0;
    coro::coroutine_handle<> suspended; // where the last slice stopped
};

} // namespace engine
