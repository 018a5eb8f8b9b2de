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

bool fiveCentredAt(BoardView board, int row, int col, std::int32_t direction, engine::Rule rule)
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
    if (rule == engine::Rule::Freestyle)
    {
        return true; // five or more wins, whatever lies beyond
    }
    // The unbroken row runs on as long as the colour does.
    int length = 5;
    for (int sign : {-1, 1})
    {
        int r = row + 3 * sign * step.dRow;
        int c = col + 3 * sign * step.dCol;
        while (onBoard(r, c) && board[r * BOARD_SIZE + c] == colour)
        {
            ++length;
            r += sign * step.dRow;
            c += sign * step.dCol;
        }
    }
    return engine::rowWins(rule, colour == CELL_BLACK ? engine::BLACK : engine::WHITE, length);
}

engine::Grid gridOf(BoardView board)
{
    engine::Grid grid(BOARD_SIZE);
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            const std::int32_t cell = board[row * BOARD_SIZE + col];
            grid.set(col, row,
                     cell == CELL_BLACK   ? engine::BLACK
                     : cell == CELL_WHITE ? engine::WHITE
                                          : engine::EMPTY);
        }
    }
    return grid;
}
