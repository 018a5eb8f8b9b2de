// The computer player: the board handed to the thinker, and its answer placed.
#include "game/opponent.h"

#include "game/game_state.h"

std::uint8_t opponent;
std::uint8_t computerLevel = LEVEL_MEDIUM;
std::uint64_t computerSeed;

namespace
{

// What each level may spend on a move: the easy and medium levels have their own budgets; the
// hard one thinks for a second of the clock.
constexpr std::int64_t HARD_MS = 1000;

std::unique_ptr<Thinker> activeThinker; // ended (its thread joined) when the program ends
std::uint32_t lastGeneration = 0;       // the number of the last request; 0 names none
ThinkAnswer placedAnswer;

// What the thought under way is about, to tell when it no longer applies.
struct Thought
{
    bool active;  // handed to the thinker, its answer not placed yet
    bool settled; // answered with no point to play: not begun again until something changes
    std::uint32_t generation;
    std::uint32_t boardVersion;
    std::uint8_t level;
    std::uint8_t opponent;
    std::uint8_t cheat;
};
Thought thought;

Thinker &thinker()
{
    if (!activeThinker)
    {
        activeThinker = makeSliceThinker();
    }
    return *activeThinker;
}

engine::Level engineLevel(std::uint8_t level)
{
    return level == LEVEL_EASY   ? engine::Level::Easy
           : level == LEVEL_HARD ? engine::Level::Hard
                                 : engine::Level::Medium;
}

bool stillApplies()
{
    return (thought.active || thought.settled) && thought.boardVersion == boardVersion &&
           thought.level == computerLevel && thought.opponent == opponent &&
           thought.cheat == cheatMode;
}

// The thought under way is dropped: the thinker stops it, and no answer of it is placed.
void dropThought()
{
    if (thought.active)
    {
        thinker().cancel();
    }
    thought.active = false;
    thought.settled = false;
}

void beginThought()
{
    ThinkRequest request;
    if (++lastGeneration == 0)
    {
        lastGeneration = 1;
    }
    request.generation = lastGeneration;
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        request.cells[i] = static_cast<std::int8_t>(Board[i]);
    }
    request.toMove = sideToMove;
    request.level = engineLevel(computerLevel);
    request.limits.timeMs = computerLevel == LEVEL_HARD ? HARD_MS : 0;
    request.seed = computerSeed ^ static_cast<std::uint64_t>(historyLength);
    thought =
        Thought{true, false, request.generation, boardVersion, computerLevel, opponent, cheatMode};
    thinker().post(request);
}

} // namespace

void useThinker(std::unique_ptr<Thinker> next)
{
    dropThought();
    activeThinker = std::move(next);
}

bool computerPlays(std::uint8_t side)
{
    return (opponent == OPPONENT_WHITE && side == 1) || (opponent == OPPONENT_BLACK && side == 0);
}

bool computerToMove()
{
    return gameOver == 0 && computerPlays(sideToMove);
}

bool computerThinking()
{
    return thought.active && stillApplies() && computerToMove();
}

ThinkAnswer lastAnswer()
{
    return placedAnswer;
}

void thinkFor(int milliseconds)
{
    if (!computerToMove())
    {
        dropThought();
        return;
    }
    if (!stillApplies())
    {
        dropThought();
        beginThought();
    }
    ThinkAnswer answer;
    if (!thought.active || !thinker().poll(answer, milliseconds) ||
        answer.generation != thought.generation)
    {
        return;
    }
    thought.active = false;
    if (answer.move == engine::NO_MOVE)
    {
        thought.settled = true; // no point left to play
        return;
    }
    placedAnswer = answer;
    placeStone(engine::Position::yOf(answer.move), engine::Position::xOf(answer.move));
}

void undoForPlayer()
{
    if (opponent == OPPONENT_NONE)
    {
        undoMove();
        return;
    }
    // Back to before the player's own last placement; the computer's after it go with it.
    int last = historyLength - 1;
    while (last >= 0 && computerPlays(moveHistory[last].side))
    {
        --last;
    }
    if (last < 0)
    {
        return; // no move of the player's to take back
    }
    while (historyLength > last)
    {
        undoMove();
    }
}
