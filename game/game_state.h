// The whole state of the window's game and what changes it: placement, restart, taking back and
// the five-in-a-row scan under the rule in force (by the rules of rules.h and the engine's), renju's
// forbidden points and the swap2 opening. Free of any window or GL code.
#pragma once

#include "core/clock.h"
#include "core/rules.h"
#include "game/board.h"

#include <cstdint>
#include <string>

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

// The rule of the game: freestyle (the start), exactly five or renju. And how it opens: freely,
// black's first stone anywhere (the start), or by swap2.
extern engine::Rule gameRule;
inline constexpr std::uint8_t OPENING_FREE = 0;
inline constexpr std::uint8_t OPENING_SWAP2 = 1;
extern std::uint8_t gameOpening;

// The steps of the swap2 opening. The first player places three stones (black, white, black); the
// second chooses to play white, to play black, or to place two more stones (white, then black)
// and let the first choose between white and black. Until the colours are chosen the first player
// is black's; once play goes on as usual the step is SWAP2_OVER, as it always is with the free
// opening.
inline constexpr std::uint8_t SWAP2_OVER = 0;
inline constexpr std::uint8_t SWAP2_THREE = 1;         // the first player places three stones
inline constexpr std::uint8_t SWAP2_SECOND_CHOICE = 2; // the second player chooses
inline constexpr std::uint8_t SWAP2_TWO_MORE = 3;      // the second player places two more
inline constexpr std::uint8_t SWAP2_FIRST_CHOICE = 4;  // the first player chooses a colour
std::uint8_t swap2Step();
// Who acts at the step: 1 the first player, 2 the second; 0 once the opening is over.
int swap2Player();

// The choices: to play white (the chooser then places white's stone, which placing a stone at
// once also chooses), to play black (the other player places white's stone), or, for the second
// player only, to place two more stones.
inline constexpr int SWAP2_PLAY_WHITE = 1;
inline constexpr int SWAP2_PLAY_BLACK = 2;
inline constexpr int SWAP2_TWO_STONES = 3;
// The choice made at each choosing step (0 none yet), and whether it gave the computer the other
// side; undone with the stones before it.
extern std::uint8_t swap2SecondChoice;
extern std::uint8_t swap2FirstChoice;
extern std::uint8_t swap2Flips; // bit 0: the second player's choice, bit 1: the first player's

// Makes the choice of the player whose step it is: false, with nothing changed, when no choice is
// asked for or that one is not among them. A choice that changes the computer's colour changes
// which side it plays.
bool chooseInSwap2(int choice);

// A new game under the rule, or with the opening, chosen: as Restart, but black always opens.
void chooseRule(engine::Rule rule);
void chooseOpening(std::uint8_t opening);

// What the game has to say beyond the board: a move refused and why, what the opening asks for
// next. Empty when there is nothing; noticeNumber changes with every notice, so that the same
// words said twice are seen twice.
extern std::string gameNotice;
extern std::uint32_t noticeNumber;
// Says `words` as the game's notice.
void announce(std::string words);

// Whether black may not play the empty point (row, col) under the rule in force: under renju a
// double three, a double four or an overline. Worked out once for each board.
bool forbiddenForBlack(int row, int col);

// One placement, as it can be taken back.
struct MoveRecord
{
    std::int32_t row;
    std::int32_t col;
    std::int32_t replaced; // what the cell held before: CELL_EMPTY, or in cheat mode a stone
    std::uint8_t side;     // the side that placed it: 0 black, 1 white
    std::int32_t ms = -1;  // how long the move took, since the placement before it or the game's
                           // start; -1 when nobody knows
};

// Placements remembered for taking back: a game has at most 324 without cheat mode; with it,
// the oldest are forgotten once there are more.
inline constexpr int MAX_HISTORY = 1024;

extern MoveRecord moveHistory[MAX_HISTORY]; // the placements of this game, oldest first
extern std::int32_t historyLength;          // how many of them there are
extern std::uint32_t boardVersion;          // changes with every placement, undo and restart
// Changes with every change of the game's moves: a placement, an undo, a restart, a game put on
// the board, playing on from a move; not with a step through them.
extern std::uint32_t gameVersion;

// A game as Restart found it, kept so that Undo can bring it back.
struct ClearedGame
{
    std::int32_t board[BOARD_CELLS];
    MoveRecord history[MAX_HISTORY];
    std::int32_t historyLength;
    std::int32_t cursorX, cursorY;
    std::uint8_t sideToMove, cheatMode, gameOver;
    std::int32_t winRow, winCol, winDirection;
    engine::Rule rule;
    std::uint8_t opening, swap2SecondChoice, swap2FirstChoice, swap2Flips;
    core::TimeControl timeControl; // the game's clock (game/local_clock.h)
};

// The games Restart cleared, the last one last; the oldest is forgotten once there are more.
inline constexpr int MAX_CLEARED_GAMES = 4;
extern ClearedGame clearedGames[MAX_CLEARED_GAMES];
extern std::int32_t clearedGameCount;

// Puts the side to move's stone on (row, col) if the rule allows it and passes the turn.
// Every accepted placement (in cheat mode even one that leaves the cell as it was) is followed
// at once by the five-in-a-row scan, so a five ends the game before the next key is read.
// Cells off the board, occupied ones outside cheat mode (with a notice while the game runs), and
// under renju black's forbidden points (with a notice) are refused.
void placeStone(std::int32_t row, std::int32_t col);

// Clears the board and the history, centres the cursor, turns cheat mode off and resumes play.
// Black moves first, but after a won game the loser does (the side to move is kept: the page's
// status line begins with it); under renju, or with swap2, black always moves first, and
// swap2 begins again. The win record and the view angles are kept. A game with a stone placed is kept among the cleared
// games first, so that a slip of the finger costs nothing: undoMove brings it back. A Restart of a
// game with nothing placed keeps nothing, so a second Restart does not push the game before it
// out.
void restartGame();

// Takes back the last placement: the cell holds again what it held (empty, or in cheat mode the
// stone it replaced), that side is to move again, and a five it made no longer ends the game.
// With no placement to take back it brings back the game the last Restart cleared, as Restart
// found it (board, placements, side to move, cursor, Cheat, five, rule and opening); with none
// kept either it does nothing.
void undoMove();

// Review: the game on the board may be shown as it stood after any of its moves. The moves after
// the one shown wait here, the next one first, until they are stepped through again; with none
// waiting the game is shown as it stands. While it is shown before its end nothing is placed or
// taken back (the computer waits too), and Restart, a rule or an opening first returns to the end.
extern MoveRecord laterMoves[MAX_HISTORY];
extern std::int32_t laterCount;
bool reviewing();
// One move back, one forward, to the first (an empty board) and to the last; each says "Move N
// of M" while the game is shown before its end.
void stepBack();
void stepForward();
void stepToFirst();
void stepToLast();
// Plays on from the move shown: the moves after it are dropped from the game.
void playOnFromHere();
// The swap2 choices of the whole game, those of the moves waiting included.
void wholeGameChoices(std::uint8_t *second, std::uint8_t *first);

// A game from elsewhere (a record) put on the board as a new game under its rule and opening,
// shown at its last move: the game on the board is kept first, as Restart keeps it. The moves
// alternate, black's first; the choices are those of swap2 made after the third and the fifth.
void showGame(engine::Rule rule, std::uint8_t opening, const MoveRecord *moves, int count,
              std::uint8_t secondChoice, std::uint8_t firstChoice);

// Tests the stone on (row, col) for a five of its own colour centred on it, in each of the
// four directions, that wins under the rule (under exactly five, not part of a longer row);
// every match sets gameOver and overwrites the win record.
void checkFiveAt(std::int32_t row, std::int32_t col);

// Applies checkFiveAt to every cell in row-major order: the last five found stands.
void scanForFive();
