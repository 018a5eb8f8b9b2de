// The computer player: the board handed to the thinker, and its answer placed.
#include "game/opponent.h"

#include "engine/opening.h"
#include "engine/search.h"
#include "game/analysis.h"
#include "game/game_state.h"
#include "game/hint.h"
#include "game/local_clock.h"

std::uint8_t opponent;
std::uint8_t computerLevel = LEVEL_MEDIUM;
std::uint64_t computerSeed;

namespace
{

std::uint64_t seedSource; // the session's seed, stepped once a game
bool seedFixed = true;

// What each level may spend on a move: the easy and medium levels have their own budgets; the
// hard one thinks for a second of the clock.
constexpr std::int64_t HARD_MS = 1000;
// Positions each level spends on a decision of the swap2 opening, made at once between two
// frames: each is a handful of short searches.
constexpr std::int64_t SWAP2_NODES[3] = {900, 9000, 36000};

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
    engine::Rule rule;
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
           thought.cheat == cheatMode && thought.rule == gameRule;
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
    request.generation = newThoughtNumber();
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        request.cells[i] = static_cast<std::int8_t>(Board[i]);
    }
    request.toMove = sideToMove;
    request.rule = gameRule;
    request.level = engineLevel(computerLevel);
    request.limits = computerLimits();
    request.seed = computerSeed ^ static_cast<std::uint64_t>(historyLength);
    thought = Thought{true,          false,    request.generation, boardVersion,
                      computerLevel, opponent, cheatMode,          gameRule};
    thinker().post(request);
}

} // namespace

engine::Limits computerLimits()
{
    engine::Limits limits;
    limits.timeMs = computerLevel == LEVEL_HARD ? HARD_MS : 0;
    if (!localClockTimed())
    {
        return limits;
    }
    // The level's own turn (a second, for the levels that count positions), and what the clock
    // of the side to move has left as the match's time.
    const core::ClockReading clock = readLocalClock();
    const engine::MoveTime time =
        engine::moveTime(limits.timeMs, true, clock.remainingMs[clock.toMove]);
    const engine::LevelRules &rules = engine::rulesOf(engineLevel(computerLevel));
    limits.nodes = rules.defaultNodes; // a level that counts positions still counts them
    limits.timeMs = time.budgetMs;
    limits.settledMs = time.settledMs;
    return limits;
}

void seedGames(std::uint64_t sessionSeed, bool fixed)
{
    seedSource = sessionSeed;
    seedFixed = fixed;
    computerSeed = fixed ? sessionSeed : 0;
    drawGameSeed();
}

void drawGameSeed()
{
    if (seedFixed)
    {
        return;
    }
    // SplitMix64's step: each game's seed far from the one before.
    std::uint64_t z = seedSource += 0x9e3779b97f4a7c15;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    computerSeed = z ^ (z >> 31);
}

Thinker &sharedThinker()
{
    return thinker();
}

std::uint32_t newThoughtNumber()
{
    if (++lastGeneration == 0)
    {
        lastGeneration = 1;
    }
    return lastGeneration;
}

void useThinker(std::unique_ptr<Thinker> next)
{
    dropHint(); // it thinks on the thinker that goes, as the analysis does
    dropAnalysis();
    dropThought();
    activeThinker = std::move(next);
}

bool computerPlays(std::uint8_t side)
{
    return (opponent == OPPONENT_WHITE && side == 1) || (opponent == OPPONENT_BLACK && side == 0);
}

bool computerToMove()
{
    // A game shown before its end waits: nobody plays until it is played on from there.
    if (gameOver != 0 || reviewing())
    {
        return false;
    }
    // In swap2's opening a player places stones of both colours, and until the colours are
    // chosen the first player is black's and the second white's.
    switch (swap2Player())
    {
    case 1:
        return computerPlays(0);
    case 2:
        return computerPlays(1);
    default:
        return computerPlays(sideToMove);
    }
}

bool computerThinking()
{
    return thought.active && stillApplies() && computerToMove();
}

ThinkAnswer lastAnswer()
{
    return placedAnswer;
}

namespace
{

// The computer's part of swap2's opening, decided at once: true when it has acted. Stones it has
// to place one by one (when it came to the opening late) are left to its ordinary thinking.
// Each decision is a handful of short searches of a few thousand positions, on this thread.
bool actInSwap2()
{
    const std::uint8_t step = swap2Step();
    const bool opening = step == SWAP2_THREE && historyLength == 0;
    if (!opening && step != SWAP2_SECOND_CHOICE && step != SWAP2_FIRST_CHOICE)
    {
        return false;
    }
    static engine::Searcher searcher;
    dropThought();
    engine::Limits budget;
    budget.nodes = SWAP2_NODES[computerLevel <= LEVEL_HARD ? computerLevel : 1];
    const std::uint64_t seed = computerSeed ^ static_cast<std::uint64_t>(historyLength);
    ThinkRequest board;
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        board.cells[i] = static_cast<std::int8_t>(Board[i]);
    }
    board.toMove = sideToMove;
    board.rule = gameRule;
    engine::Position pos = positionOf(board);
    const engine::Swap2Plan plan = opening ? engine::swap2Open(searcher, pos, budget, seed)
                                   : step == SWAP2_SECOND_CHOICE
                                       ? engine::swap2Second(searcher, pos, budget, seed)
                                       : engine::swap2First(searcher, pos, budget, seed);
    if (plan.kind == engine::Swap2Plan::Stones)
    {
        if (!opening)
        {
            chooseInSwap2(SWAP2_TWO_STONES);
        }
        for (int i = 0; i < plan.count; ++i)
        {
            placeStone(engine::Position::yOf(plan.stones[i]),
                       engine::Position::xOf(plan.stones[i]));
        }
        return true;
    }
    chooseInSwap2(plan.kind == engine::Swap2Plan::PlayWhite ? SWAP2_PLAY_WHITE : SWAP2_PLAY_BLACK);
    // Having chosen white, it is white's to move: its ordinary thinking plays the stone.
    return true;
}

} // namespace

void thinkFor(int milliseconds)
{
    if (!computerToMove())
    {
        dropThought();
        return;
    }
    if (actInSwap2())
    {
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
    // With two players, or on a board Restart has just cleared (the game it cleared comes back).
    if (opponent == OPPONENT_NONE || historyLength == 0)
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
