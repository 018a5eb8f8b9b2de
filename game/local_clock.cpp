// The clocks at this board: the moves' times, kept with the placements, read through
// core::readClock as a game begun at 0 whose moves were made one after another.
#include "game/local_clock.h"

#include "game/ending.h"
#include "game/game_state.h"
#include "game/online.h"
#include "game/opponent.h"

#include <algorithm>
#include <chrono>

core::TimeControl chosenTimeControl;
core::TimeControl gameTimeControl;

namespace
{

constexpr std::int64_t WARNING_MS = 10'000;
constexpr std::int64_t LONGEST_MOVE_MS = 24LL * 60 * 60 * 1000; // what a move's time holds

std::int64_t steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

LocalTimeSource timeSource = steadyMs;

std::int64_t nowMs()
{
    return timeSource();
}

std::int64_t turnStartMs = nowMs(); // when the side to move's turn began
bool paused = false;
std::int64_t pausedAtMs = 0;

// The time of the turn under way, a pause left out.
std::int64_t turnMs()
{
    return std::max<std::int64_t>((paused ? pausedAtMs : nowMs()) - turnStartMs, 0);
}

const char *colourWord(int colour)
{
    return colour == 0 ? "Black" : "White";
}

// The game's placements in order, those after the move shown included.
std::vector<MoveRecord> wholeGame()
{
    std::vector<MoveRecord> moves(moveHistory, moveHistory + historyLength);
    for (int i = laterCount - 1; i >= 0; --i)
    {
        moves.push_back(laterMoves[i]);
    }
    return moves;
}

// When each move was made, on a scale on which the game began at 0.
std::vector<std::int64_t> moveTimes(const std::vector<MoveRecord> &moves)
{
    std::vector<std::int64_t> at;
    std::int64_t t = 0;
    for (const MoveRecord &move : moves)
    {
        t += std::max<std::int32_t>(move.ms, 0);
        at.push_back(t);
    }
    return at;
}

// The colour of the game's first stone: after a won game the loser opens, whatever its colour.
int firstColour(const std::vector<MoveRecord> &moves)
{
    return moves.empty() ? sideToMove : moves.front().side;
}

// readClock's sides are by turn, the first stone's side first; ours by colour.
core::ClockReading byColour(core::ClockReading reading, int first)
{
    if (first == 1)
    {
        std::swap(reading.remainingMs[0], reading.remainingMs[1]);
        reading.toMove ^= 1;
    }
    return reading;
}

} // namespace

void setLocalTimeSource(LocalTimeSource source)
{
    timeSource = source != nullptr ? source : steadyMs;
}

bool localClockTimed()
{
    return gameTimeControl.timed() && !onlineGame.active();
}

core::ClockReading readLocalClock()
{
    if (!localClockTimed())
    {
        return core::readClock(core::TimeControl{}, 0, {}, 0);
    }
    const std::vector<MoveRecord> moves = wholeGame();
    const std::vector<std::int64_t> at = moveTimes(moves);
    const std::int64_t last = at.empty() ? 0 : at.back();
    // Once the game is over its clocks stand as its last move left them; a flag shows at 0.
    const std::int64_t now = last + (gameOver != 0 ? 0 : turnMs());
    core::ClockReading reading =
        byColour(core::readClock(gameTimeControl, 0, at, now), firstColour(moves));
    if (gameOver == GAME_LOST_ON_TIME)
    {
        reading.remainingMs[reading.toMove] = 0;
        reading.flagged = true;
    }
    return reading;
}

std::string localClockText()
{
    if (!localClockTimed())
    {
        return "";
    }
    const core::ClockReading reading = readLocalClock();
    return "Black " + core::clockFace(reading.remainingMs[0]) + " - White " +
           core::clockFace(reading.remainingMs[1]) + " (" + core::timeControlName(gameTimeControl) +
           ")";
}

bool localClockWarning()
{
    if (!localClockTimed() || gameOver != 0 || reviewing())
    {
        return false;
    }
    const core::ClockReading reading = readLocalClock();
    return !computerPlays(static_cast<std::uint8_t>(reading.toMove)) &&
           reading.remainingMs[reading.toMove] < WARNING_MS;
}

bool flagIfOutOfTime()
{
    if (!localClockTimed() || gameOver != 0 || reviewing())
    {
        return false;
    }
    const core::ClockReading reading = readLocalClock();
    if (!reading.flagged)
    {
        return false;
    }
    const int loser = reading.toMove;
    gameOver = GAME_LOST_ON_TIME;
    winDirection = 0; // the banner names the winner; there is no five to draw
    announce(std::string(colourWord(loser)) +
             " ran out of time: " + (loser == 0 ? "white" : "black") + " wins on time.");
    return true;
}

std::vector<std::int64_t> localClockLeftAfterMoves()
{
    std::vector<std::int64_t> left;
    if (!localClockTimed())
    {
        return left;
    }
    const std::vector<MoveRecord> moves = wholeGame();
    const std::vector<std::int64_t> at = moveTimes(moves);
    for (std::size_t i = 0; i < at.size(); ++i)
    {
        // The clocks just after the move: its side's holds the increment, and has stopped.
        const core::ClockReading reading = core::readClock(
            gameTimeControl, 0, std::span<const std::int64_t>(at.data(), i + 1), at[i]);
        left.push_back(reading.remainingMs[i % 2]);
    }
    return left;
}

std::int32_t takeMoveMs()
{
    const std::int64_t ms = turnMs();
    turnStartMs = nowMs();
    paused = false;
    return static_cast<std::int32_t>(std::min(ms, LONGEST_MOVE_MS));
}

void beginLocalGame()
{
    gameTimeControl = gameOpening == OPENING_FREE && !onlineGame.active() ? chosenTimeControl
                                                                          : core::TimeControl{};
    beginLocalTurn();
}

void beginLocalTurn()
{
    turnStartMs = nowMs();
    paused = false;
}

void pauseLocalClock(bool pause)
{
    if (pause == paused || !localClockTimed())
    {
        return;
    }
    if (pause)
    {
        pausedAtMs = nowMs();
    }
    else
    {
        turnStartMs += nowMs() - pausedAtMs;
    }
    paused = pause;
}

void nextLocalTimeControl()
{
    core::parseTimeControl(core::nextTimeControlName(core::timeControlName(chosenTimeControl)),
                           &chosenTimeControl);
    const std::string name = core::timeControlName(chosenTimeControl);
    const bool now = historyLength + laterCount == 0 && !onlineGame.active();
    if (now)
    {
        beginLocalGame();
    }
    if (name.empty())
    {
        announce(now ? "No clock." : "No clock from the next game (Restart).");
    }
    else if (gameOpening == OPENING_SWAP2)
    {
        announce("Clock " + name + ": for the games with the free opening.");
    }
    else
    {
        announce("Clock " + name +
                 (now ? ": each side's clock runs on its own move."
                      : ": from the next game (Restart)."));
    }
}

std::string localClockLabel()
{
    const std::string name = core::timeControlName(chosenTimeControl);
    return "Clock: " + (name.empty() ? std::string("none") : name);
}
