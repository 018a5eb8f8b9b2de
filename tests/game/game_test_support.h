// Helpers of the tests that touch the game state: the state reset, a snapshot of it, and the
// board's stones read, laid down and placed.
#pragma once

#include "game/game_state.h"
#include "game/hint.h"
#include "game/opponent.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <utility>

using Action = std::function<void()>;

inline constexpr std::int32_t B = CELL_BLACK, W = CELL_WHITE, E = CELL_EMPTY;
inline constexpr int ROW[2] = {0, 1}, COLUMN[2] = {1, 0}, DIAGONAL[2] = {1, 1},
                     ANTIDIAGONAL[2] = {1, -1};

// Puts every game variable back to its value at process start.
inline void resetGameState()
{
    std::fill(std::begin(Board), std::end(Board), CELL_EMPTY);
    cursorX = cursorY = 0;
    sideToMove = cheatMode = gameOver = 0;
    winRow = winCol = winDirection = 0;
    viewPitch = viewYaw = 0.0f;
    historyLength = 0;
    laterCount = 0;
    clearedGameCount = 0;
    opponent = OPPONENT_NONE;
    computerLevel = LEVEL_MEDIUM;
    gameRule = engine::Rule::Freestyle;
    gameOpening = OPENING_FREE;
    swap2SecondChoice = swap2FirstChoice = swap2Flips = 0;
    gameNotice.clear();
    seedGames(0, true);
    moveNumbers = 0;
    useThinker(makeSliceThinker()); // drops any hint too
}

// Every game variable at one moment.
struct GameSnapshot
{
    std::array<std::int32_t, BOARD_CELLS> board;
    std::int32_t cursorX, cursorY;
    std::uint8_t sideToMove, cheatMode, gameOver;
    std::int32_t winRow, winCol, winDirection;
    float viewPitch, viewYaw;
    bool operator==(const GameSnapshot &) const = default;
    std::int32_t &cell(int row, int col) { return board[row * BOARD_SIZE + col]; }
};

inline GameSnapshot takeSnapshot()
{
    GameSnapshot s{{},     cursorX, cursorY,      sideToMove, cheatMode, gameOver,
                   winRow, winCol,  winDirection, viewPitch,  viewYaw};
    std::copy(std::begin(Board), std::end(Board), s.board.begin());
    return s;
}

inline std::int32_t cell(int row, int col)
{
    return Board[row * BOARD_SIZE + col];
}

inline int stones()
{
    return int(std::count_if(std::begin(Board), std::end(Board),
                             [](std::int32_t c) { return c != CELL_EMPTY; }));
}

// `length` stones of `colour` from (row, col) on, a `step` at a time, outside the placement rule.
inline void line(std::int32_t colour, int row, int col, const int *step = ROW, int length = 1)
{
    for (int i = 0; i < length; ++i)
    {
        Board[(row + i * step[0]) * BOARD_SIZE + col + i * step[1]] = colour;
    }
}

// Each point placed in turn, through the placement rule.
inline void places(std::initializer_list<std::pair<int, int>> points)
{
    for (auto [row, col] : points)
    {
        placeStone(row, col);
    }
}

// The pointer over a board of 10-pixel cells from the window's corner: (x, y) is on
// (x / 10, y / 10).
inline bool tenPixelCells(int x, int y, int *row, int *col)
{
    *row = x / 10, *col = y / 10;
    return x >= 0 && y >= 0 && onBoard(*row, *col);
}

inline void PrintTo(const GameSnapshot &s, std::ostream *out)
{
    *out << "cursor (" << s.cursorX << ", " << s.cursorY << "), side " << int(s.sideToMove)
         << ", cheat " << int(s.cheatMode) << ", over " << int(s.gameOver) << ", win (" << s.winRow
         << ", " << s.winCol << ", " << s.winDirection << "), view (" << s.viewPitch << ", "
         << s.viewYaw << "), stones:";
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        if (s.board[i] != CELL_EMPTY)
        {
            *out << " " << i << "=" << s.board[i];
        }
    }
}
