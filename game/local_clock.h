// The clocks of the game at this board, between two players at one keyboard or against the
// computer: the Fischer clocks of core/clock.h, worked out from the time each move took, so that
// they stand as the moves have them after a take-back, a game brought back or a review. Untimed
// until a time control is chosen, and then as the game has always been. Free of any window or GL
// code: the platform shows the words.
#pragma once

#include "core/clock.h"

#include <cstdint>
#include <string>
#include <vector>

// The time control chosen on the menu, for the games to come; and that of the game on the board,
// which a game with the free opening takes from it when it begins (swap2's first player places
// stones of both colours, which no clock of one colour times; an online game has the server's).
extern core::TimeControl chosenTimeControl;
extern core::TimeControl gameTimeControl;

// The next of the time controls offered (none, 1+0, 3+2, 5+3, 10+5, then none again) for the
// games to come; on a board with no stone placed yet, for this game too. The notice says which.
void nextLocalTimeControl();
// The menu's words for it: "Clock: none", "Clock: 3+2".
std::string localClockLabel();

// Milliseconds on a steady scale, which the moves' times and the clocks are measured by; the
// tests bring their own. nullptr gives back the steady clock.
using LocalTimeSource = std::int64_t (*)();
void setLocalTimeSource(LocalTimeSource source);

// Whether the game on the board is timed (never in an online game, whose clocks are the server's).
bool localClockTimed();
// Both clocks now, by colour (remainingMs[0] black's; toMove the colour whose clock runs). The
// clock stands still once the game is over and while the game is shown before its end.
core::ClockReading readLocalClock();
// "Black 2:58 - White 3:00 (3+2)", with tenths under ten seconds; "" in an untimed game.
std::string localClockText();
// A player (not the computer) is to move with less than ten seconds left.
bool localClockWarning();
// Ends the running game on time when the side to move has run out: the other side wins, the
// status line says so, and true is returned. A move made after the flag is not placed.
bool flagIfOutOfTime();
// For a record: the time each move's side had left after it, increment included, the moves of
// the game shown before its end included; empty in an untimed game.
std::vector<std::int64_t> localClockLeftAfterMoves();

// The game's own calls (game/game_state.cpp).
// A move is made: the milliseconds since its turn began (the time of a review left out); the
// next turn begins now.
std::int32_t takeMoveMs();
// A new game begins: its time control from the chosen one, its first turn from now.
void beginLocalGame();
// A move taken back, or a game brought back or played on from a move shown: the turn of the side
// to move begins again now, its clock as the moves before left it.
void beginLocalTurn();
// The game is shown before its end (`paused`), or back at its end: the clocks stand still between.
void pauseLocalClock(bool paused);
