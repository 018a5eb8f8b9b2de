// Helpers shared by the game tests: resetting every game variable, laying stones straight onto
// the board, a snapshot of the whole state for "nothing changed" checks, and an independent
// finder of the fives on a board.
#pragma once

#include "game/game_state.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

struct Cell
{
    int row;
    int col;
};

// A five as the game records it: its centre stone and its direction code.
struct WinRecord
{
    std::int32_t row;
    std::int32_t col;
    std::int32_t direction;
    bool operator==(const WinRecord &) const = default;
};

inline void PrintTo(const WinRecord &record, std::ostream *out)
{
    *out << "(" << record.row << ", " << record.col << ", " << record.direction << ")";
}

// Puts every game variable back to its value at process start.
inline void resetGameState()
{
    std::fill(std::begin(Board), std::end(Board), CELL_EMPTY);
    cursorX = 0;
    cursorY = 0;
    sideToMove = 0;
    cheatMode = 0;
    gameOver = 0;
    winRow = 0;
    winCol = 0;
    winDirection = 0;
    viewPitch = 0.0f;
    viewYaw = 0.0f;
}

inline std::int32_t &cellAt(int row, int col)
{
    return Board[row * BOARD_SIZE + col];
}

inline WinRecord recordedWin()
{
    return {winRow, winCol, winDirection};
}

inline void setWinRecord(WinRecord record)
{
    winRow = record.row;
    winCol = record.col;
    winDirection = record.direction;
}

// Writes `colour` onto each of the cells, bypassing the placement rule.
inline void putStones(std::int32_t colour, std::initializer_list<Cell> cells)
{
    for (Cell cell : cells)
    {
        cellAt(cell.row, cell.col) = colour;
    }
}

// Writes `length` stones of `colour` from (row, col) onward in steps of (dRow, dCol).
inline void putLine(std::int32_t colour, int row, int col, int dRow, int dCol, int length)
{
    for (int i = 0; i < length; ++i)
    {
        cellAt(row + i * dRow, col + i * dCol) = colour;
    }
}

inline int stoneCount()
{
    return static_cast<int>(std::count_if(std::begin(Board), std::end(Board),
                                          [](std::int32_t cell) { return cell != CELL_EMPTY; }));
}

// Every game variable at one moment.
struct GameSnapshot
{
    std::array<std::int32_t, BOARD_CELLS> board;
    std::int32_t cursorX;
    std::int32_t cursorY;
    std::uint8_t sideToMove;
    std::uint8_t cheatMode;
    std::uint8_t gameOver;
    WinRecord win;
    float viewPitch;
    float viewYaw;
    bool operator==(const GameSnapshot &) const = default;
};

inline GameSnapshot takeSnapshot()
{
    GameSnapshot snapshot{};
    std::copy(std::begin(Board), std::end(Board), snapshot.board.begin());
    snapshot.cursorX = cursorX;
    snapshot.cursorY = cursorY;
    snapshot.sideToMove = sideToMove;
    snapshot.cheatMode = cheatMode;
    snapshot.gameOver = gameOver;
    snapshot.win = recordedWin();
    snapshot.viewPitch = viewPitch;
    snapshot.viewYaw = viewYaw;
    return snapshot;
}

inline void PrintTo(const GameSnapshot &s, std::ostream *out)
{
    *out << "cursor (" << s.cursorX << ", " << s.cursorY << "), side " << int(s.sideToMove)
         << ", cheat " << int(s.cheatMode) << ", over " << int(s.gameOver) << ", win ";
    PrintTo(s.win, out);
    *out << ", pitch " << s.viewPitch << ", yaw " << s.viewYaw << ", stones:";
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        if (s.board[i] != CELL_EMPTY)
        {
            *out << " (" << i / BOARD_SIZE << "," << i % BOARD_SIZE << ")="
                 << (s.board[i] == CELL_BLACK   ? "B"
                     : s.board[i] == CELL_WHITE ? "W"
                                                : "?");
        }
    }
}

// One step along each direction, indexed by direction code - 1, written out here again so the
// tests do not lean on the game's own table.
inline constexpr Cell TEST_STEPS[4] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}};

inline bool cellOnBoard(int row, int col)
{
    return row >= 0 && row < BOARD_SIZE && col >= 0 && col < BOARD_SIZE;
}

// True when the five cells of `direction` around (row, col) all lie on the board and hold one
// colour of stone.
inline bool isFiveOnBoard(WinRecord five)
{
    if (five.direction < 1 || five.direction > 4 || !cellOnBoard(five.row, five.col))
    {
        return false;
    }
    Cell step = TEST_STEPS[five.direction - 1];
    std::int32_t colour = cellAt(five.row, five.col);
    if (colour != CELL_BLACK && colour != CELL_WHITE)
    {
        return false;
    }
    for (int i = -2; i <= 2; ++i)
    {
        int r = five.row + i * step.row;
        int c = five.col + i * step.col;
        if (!cellOnBoard(r, c) || cellAt(r, c) != colour)
        {
            return false;
        }
    }
    return true;
}

// Every five on the board, by centre and direction, in no particular order.
inline std::vector<WinRecord> allFives()
{
    std::vector<WinRecord> fives;
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            for (std::int32_t direction = 1; direction <= 4; ++direction)
            {
                if (isFiveOnBoard({row, col, direction}))
                {
                    fives.push_back({row, col, direction});
                }
            }
        }
    }
    return fives;
}

// The test of every game rule starts from the state of a fresh process.
class GameStateTest : public testing::Test
{
protected:
    void SetUp() override { resetGameState(); }
};
