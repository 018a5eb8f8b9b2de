// The game's state variables and its rules: placement, restart and the five-in-a-row test.
#include "game/game_state.h"

#include "game/rules.h"

#include <algorithm>
#include <iterator>

std::int32_t Board[BOARD_CELLS];
std::int32_t cursorX;
std::int32_t cursorY;
std::uint8_t sideToMove;
std::uint8_t cheatMode;
std::uint8_t gameOver;
std::int32_t winRow;
std::int32_t winCol;
std::int32_t winDirection;
float viewPitch;
float viewYaw;
MoveRecord moveHistory[MAX_HISTORY];
std::int32_t historyLength;
std::uint32_t boardVersion;
ClearedGame clearedGames[MAX_CLEARED_GAMES];
std::int32_t clearedGameCount;

namespace
{

std::int32_t &cellAt(int row, int col)
{
    return Board[row * BOARD_SIZE + col];
}

// The value the side to move places.
std::int32_t stoneOfSideToMove()
{
    return sideToMove == 0 ? CELL_BLACK : CELL_WHITE;
}

// Adds a placement to the history, forgetting the oldest when it is full.
void remember(const MoveRecord &record)
{
    if (historyLength == MAX_HISTORY)
    {
        std::copy(std::begin(moveHistory) + 1, std::end(moveHistory), std::begin(moveHistory));
        --historyLength;
    }
    moveHistory[historyLength++] = record;
}

// Keeps the game on the board among the cleared games, forgetting the oldest when they are full.
void keepClearedGame()
{
    if (clearedGameCount == MAX_CLEARED_GAMES)
    {
        std::copy(std::begin(clearedGames) + 1, std::end(clearedGames), std::begin(clearedGames));
        --clearedGameCount;
    }
    ClearedGame &kept = clearedGames[clearedGameCount++];
    std::copy(std::begin(Board), std::end(Board), std::begin(kept.board));
    std::copy(moveHistory, moveHistory + historyLength, kept.history);
    kept.historyLength = historyLength;
    kept.cursorX = cursorX;
    kept.cursorY = cursorY;
    kept.sideToMove = sideToMove;
    kept.cheatMode = cheatMode;
    kept.gameOver = gameOver;
    kept.winRow = winRow;
    kept.winCol = winCol;
    kept.winDirection = winDirection;
}

// Puts the last game Restart cleared back on the board, as Restart found it.
void bringBackClearedGame()
{
    const ClearedGame &kept = clearedGames[--clearedGameCount];
    std::copy(std::begin(kept.board), std::end(kept.board), std::begin(Board));
    std::copy(kept.history, kept.history + kept.historyLength, moveHistory);
    historyLength = kept.historyLength;
    cursorX = kept.cursorX;
    cursorY = kept.cursorY;
    sideToMove = kept.sideToMove;
    cheatMode = kept.cheatMode;
    gameOver = kept.gameOver;
    winRow = kept.winRow;
    winCol = kept.winCol;
    winDirection = kept.winDirection;
    ++boardVersion;
}

} // namespace

void placeStone(std::int32_t row, std::int32_t col)
{
    const Placement placement = placementAt(Board, row, col);
    if (placement == Placement::OffBoard || (cheatMode == 0 && placement == Placement::Occupied))
    {
        return; // refused: off the board, or occupied outside cheat mode; the turn does not pass
    }
    std::int32_t &cell = cellAt(row, col);
    // In cheat mode the stone goes down whatever the cell held, even one's own stone, and the
    // turn passes all the same.
    remember(MoveRecord{row, col, cell, sideToMove});
    cell = stoneOfSideToMove();
    sideToMove ^= 1;
    ++boardVersion;
    // Several keys may arrive before the next frame is drawn: finding a five here ends the
    // game before the next key is read, so no move can follow a five.
    scanForFive();
}

void restartGame()
{
    if (historyLength > 0)
    {
        keepClearedGame();
    }
    cursorX = 0;
    cursorY = 0;
    cheatMode = 0;
    std::fill(std::begin(Board), std::end(Board), CELL_EMPTY);
    gameOver = 0;
    historyLength = 0;
    ++boardVersion;
    // sideToMove stays: after a won game the loser moves first.
}

void undoMove()
{
    if (historyLength == 0)
    {
        if (clearedGameCount > 0)
        {
            bringBackClearedGame();
        }
        return;
    }
    const MoveRecord &last = moveHistory[--historyLength];
    cellAt(last.row, last.col) = last.replaced;
    sideToMove = last.side;
    ++boardVersion;
    // The five, if this stone made it, is gone; a five made before it would be found again.
    gameOver = 0;
    scanForFive();
}

void checkFiveAt(std::int32_t row, std::int32_t col)
{
    for (std::int32_t direction = DIR_ROW; direction <= DIR_ANTIDIAGONAL; ++direction)
    {
        // Each match overwrites the record: the last matching direction stands.
        if (fiveCentredAt(Board, row, col, direction))
        {
            winRow = row;
            winCol = col;
            winDirection = direction;
            gameOver = 1;
        }
    }
}

void scanForFive()
{
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            checkFiveAt(row, col);
        }
    }
}
