// The whole state of the window's game and what changes it: placement, restart, taking back and
// the five-in-a-row scan, by the rules of rules.h. Free of any window or GL code.
#pragma once

#include "game/board.h"

#include <cstdint>

// Program-wide game state: zero before main runs, never saved.
extern std::int32_t Board[BOARD_CELLS]; // row-major: index = row * 18 + column; -1, 0 or +1
extern std::int32_t cursorX;      // row offset from the centre; the cursor's row is cursorX + 9
extern std::int32_t cursorY;      // column offset; the cursor's column is cursorY + 9
extern std::uint8_t sideToMove;   // 0 black to move, 1 white
extern std::uint8_t cheatMode;    // 1: stones may also go on occupied points
extern std::uint8_t gameOver;     // 1 once a five has been found
extern std::int32_t winRow;       // row of the centre stone of the last five found
extern std::int32_t winCol;       // column of that centre stone
extern std::int32_t winDirection; // DIR_ code of that five; 0 until one is found
extern float viewPitch;           // degrees about x, a multiple of 5 in 0..355
extern float viewYaw;             // degrees about y, a multiple of 5 in 0..355

// One placement, as it can be taken back.
struct MoveRecord
{
    std::int32_t row;
    std::int32_t col;
    std::int32_t replaced; // what the cell held before: CELL_EMPTY, or in cheat mode a stone
    std::uint8_t side;     // the side that placed it: 0 black, 1 white
};

// Placements remembered for taking back: a game has at most 324 without cheat mode; with it,
// the oldest are forgotten once there are more.
inline constexpr int MAX_HISTORY = 1024;

extern MoveRecord moveHistory[MAX_HISTORY]; // the placements of this game, oldest first
extern std::int32_t historyLength;          // how many of them there are
extern std::uint32_t boardVersion;          // changes with every placement, undo and restart

// A game as Restart found it, kept so that Undo can bring it back.
struct ClearedGame
{
    std::int32_t board[BOARD_CELLS];
    MoveRecord history[MAX_HISTORY];
    std::int32_t historyLength;
    std::int32_t cursorX, cursorY;
    std::uint8_t sideToMove, cheatMode, gameOver;
    std::int32_t winRow, winCol, winDirection;
};

// The games Restart cleared, the last one last; the oldest is forgotten once there are more.
inline constexpr int MAX_CLEARED_GAMES = 4;
extern ClearedGame clearedGames[MAX_CLEARED_GAMES];
extern std::int32_t clearedGameCount;

// Puts the side to move's stone on (row, col) if the rule allows it and passes the turn.
// Every accepted placement (in cheat mode even one that leaves the cell as it was) is followed
// at once by the five-in-a-row scan, so a five ends the game before the next key is read.
// Cells off the board, and occupied ones outside cheat mode, are refused.
void placeStone(std::int32_t row, std::int32_t col);

// Clears the board and the history, centres the cursor, turns cheat mode off and resumes play.
// The side to move, the win record and the view angles are kept. A game with a stone placed is
// kept among the cleared games first, so that a slip of the finger costs nothing: undoMove
// brings it back. A Restart of a game with nothing placed keeps nothing, so a second Restart
// does not push the game before it out.
void restartGame();

// Takes back the last placement: the cell holds again what it held (empty, or in cheat mode the
// stone it replaced), that side is to move again, and a five it made no longer ends the game.
// With no placement to take back it brings back the game the last Restart cleared, as Restart
// found it (board, placements, side to move, cursor, Cheat and five); with none kept either it
// does nothing.
void undoMove();

// Tests the stone on (row, col) for a five of its own colour centred on it, in each of the
// four directions; every match sets gameOver and overwrites the win record.
void checkFiveAt(std::int32_t row, std::int32_t col);

// Applies checkFiveAt to every cell in row-major order: the last five found stands.
void scanForFive();
