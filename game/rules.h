// The rules of five in a row over a board held as a value: where a stone may go, and whether a
// stone stands at the centre of five of its colour. The window's game applies them to its own
// board (game_state.cpp); the server judges its games with core::Game (core/game.h), which asks
// core/rules.h as the window's game does.
#pragma once

#include "core/rules.h"
#include "game/board.h"

#include <cstdint>
#include <span>

using BoardView = std::span<const std::int32_t, BOARD_CELLS>; // row-major: row * 18 + column

// What a stone placed on (row, col) would meet.
enum class Placement
{
    Free,
    Occupied,
    OffBoard,
};

Placement placementAt(BoardView board, int row, int col);

// One step along each direction, indexed by direction code - 1 (DIR_ROW .. DIR_ANTIDIAGONAL).
struct Step
{
    int dRow;
    int dCol;
};
inline constexpr Step DIRECTION_STEPS[4] = {
    {0, +1},  // DIR_ROW
    {+1, +1}, // DIR_DIAGONAL
    {+1, 0},  // DIR_COLUMN
    {+1, -1}, // DIR_ANTIDIAGONAL
};

// True when the stone on (row, col) and the four cells around it along `direction`, two each way,
// hold one colour: a five centred on (row, col), and the unbroken row it is part of wins under
// `rule`. A longer line has a five centred on each of its inner stones, so "five or more" is found
// by testing every stone of it; under exactly five, it has none. Neighbours are found by row and
// column, never by flat index, so a line never runs on from one row's end into the next.
bool fiveCentredAt(BoardView board, int row, int col, std::int32_t direction,
                   engine::Rule rule = engine::Rule::Freestyle);

// The board as the engine's rules read it: x the column, y the row.
engine::Grid gridOf(BoardView board);
