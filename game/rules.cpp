// The placement rule and the five-in-a-row test over any board.
#include "game/rules.h"

Placement placementAt(BoardView board, int row, int col)
{
    if (!onBoard(row, col))
    {
        return Placement::OffBoard;
    }
    return board[row * BOARD_SIZE + col] == CELL_EMPTY ? Placement::Free : Placement::Occupied;
}

bool fiveCentredAt(BoardView board, int row, int col, std::int32_t direction)
{
    if (!onBoard(row, col) || direction < DIR_ROW || direction > DIR_ANTIDIAGONAL)
    {
        return false;
    }
    const std::int32_t colour = board[row * BOARD_SIZE + col];
    if (colour != CELL_BLACK && colour != CELL_WHITE)
    {
        return false;
    }
    const Step step = DIRECTION_STEPS[direction - 1];
    for (int i = -2; i <= 2; ++i)
    {
        const int r = row + i * step.dRow;
        const int c = col + i * step.dCol;
        if (!onBoard(r, c) || board[r * BOARD_SIZE + c] != colour)
        {
            return false;
        }
    }
    return true;
}
