// The computer player: the engine given the board, a slice of thinking at a time.
#include "game/opponent.h"

#include "engine/opening.h"
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
// Positions each level spends on a decision of the swap2 opening, made at once between two
// frames: each is a handful of short searches.
constexpr std::int64_t SWAP2_NODES[3] = {900, 9000, 36000};

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
    engine::Position pos(BOARD_SIZE, gameRule);
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
    if (gameOver != 0)
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
    return stillApplies() && searcher->thinking();
}

namespace
{

// The computer's part of swap2's opening, decided at once: true when it has acted. Stones it has
// to place one by one (when it came to the opening late) are left to its ordinary thinking.
bool actInSwap2()
{
    const std::uint8_t step = swap2Step();
    const bool opening = step == SWAP2_THREE && historyLength == 0;
    if (!opening && step != SWAP2_SECOND_CHOICE && step != SWAP2_FIRST_CHOICE)
    {
        return false;
    }
    if (searcher == nullptr)
    {
        searcher = new engine::Searcher();
    }
    thought.active = false;
    engine::Limits budget;
    budget.nodes = SWAP2_NODES[computerLevel <= LEVEL_HARD ? computerLevel : 1];
    const std::uint64_t seed = computerSeed ^ static_cast<std::uint64_t>(historyLength);
    engine::Position pos = positionOfBoard();
    const engine::Swap2Plan plan = opening ? engine::swap2Open(*searcher, pos, budget, seed)
                                   : step == SWAP2_SECOND_CHOICE
                                       ? engine::swap2Second(*searcher, pos, budget, seed)
                                       : engine::swap2First(*searcher, pos, budget, seed);
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
        thought.active = false;
        return;
    }
    if (actInSwap2())
    {
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
