// The board's size, what a cell holds and the directions of a five: shared by the window's game
// (game_state.h) and by everything that judges a board held as a value (rules.h).
#pragma once

#include <cstdint>

inline constexpr int BOARD_SIZE = 18;                       // rows and columns
inline constexpr int BOARD_CELLS = BOARD_SIZE * BOARD_SIZE; // 324
inline constexpr int BOARD_CENTRE = 9;                      // the cursor's offsets count from here

// Cell values.
inline constexpr std::int32_t CELL_EMPTY = 0;
inline constexpr std::int32_t CELL_BLACK = -1;
inline constexpr std::int32_t CELL_WHITE = +1;

// Directions of a five, in the order the test tries them.
inline constexpr std::int32_t DIR_ROW = 1;          // along a row: (r, c-2) .. (r, c+2)
inline constexpr std::int32_t DIR_DIAGONAL = 2;     // (r-2, c-2) .. (r+2, c+2)
inline constexpr std::int32_t DIR_COLUMN = 3;       // along a column: (r-2, c) .. (r+2, c)
inline constexpr std::int32_t DIR_ANTIDIAGONAL = 4; // (r-2, c+2) .. (r+2, c-2)

// True when (row, col) names a cell of the board.
constexpr bool onBoard(int row, int col)
{
    return row >= 0 && row < BOARD_SIZE && col >= 0 && col < BOARD_SIZE;
}
