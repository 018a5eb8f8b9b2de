// The computer player: the engine given the board, a slice of thinking at a time.
#include "game/opponent.h"

#include "engine/search.h"
#include "game/game_state.h"

std::uint8_t opponent;
std::uint8_t computerLevel = LEVEL_MEDIUM;
std::uint64_t computerSeed;

namespace
{

// What each level may spend on a move: the easy and medium levels have their own budgets; the
// hard one thinks for a second of the clock, however the slices fall.
constexpr std::int64_t HARD_MS = 1000;

engine::Searcher *searcher; // made on the first thought, kept to the end of the process

// What the thought under way is about, to tell when it no longer applies. (A change of opponent
// needs no mark: the computer either still plays the side to move or thinks no more.)
struct Thought
{
    bool active;
    std::uint32_t boardVersion;
    std::uint8_t level;
};
Thought thought;

engine::Level engineLevel(std::uint8_t level)
{
    return level == LEVEL_EASY   ? engine::Level::Easy
           : level == LEVEL_HARD ? engine::Level::Hard
                                 : engine::Level::Medium;
}

// The board as the engine sees it: x the column, y the row.
engine::Position positionOfBoard()
{
    engine::Position pos(BOARD_SIZE);
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            std::int32_t cell = Board[row * BOARD_SIZE + col];
            if (cell != CELL_EMPTY)
            {
                pos.place(pos.at(col, row), cell == CELL_BLACK ? 0 : 1);
            }
        }
    }
    pos.setToMove(sideToMove);
    return pos;
}

bool stillApplies()
{
    return thought.active && thought.boardVersion == boardVersion && thought.level == computerLevel;
}

void beginThought()
{
    if (searcher == nullptr)
    {
        searcher = new engine::Searcher();
    }
    engine::Limits limits;
    limits.timeMs = computerLevel == LEVEL_HARD ? HARD_MS : 0;
    searcher->start(positionOfBoard(), engineLevel(computerLevel), limits,
                    computerSeed ^ static_cast<std::uint64_t>(historyLength));
    thought = Thought{true, boardVersion, computerLevel};
}

} // namespace

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
    return stillApplies() && searcher->thinking();
}

void thinkFor(int milliseconds)
{
    if (!computerToMove())
    {
        thought.active = false;
        return;
    }
    if (!stillApplies())
    {
        beginThought();
    }
    if (!searcher->step(std::int64_t{1} << 40, milliseconds))
    {
        return;
    }
    thought.active = false;
    engine::Move m = searcher->bestMove();
    if (m == engine::NO_MOVE)
    {
        // No point left to play: the thought is kept as done, and not begun again, until the
        // board changes.
        thought = Thought{true, boardVersion, computerLevel};
        return;
    }
    placeStone(engine::Position::yOf(m), engine::Position::xOf(m));
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
