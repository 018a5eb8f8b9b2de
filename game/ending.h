// Ending a game at this board other than by a five: the side to move resigns, and the other side
// wins by resignation; or it offers a draw, which the other player at the keyboard accepts or
// declines, or which the computer, when it plays the other side, judges by its own evaluation of
// the board. Free of any window or GL code: the notices go through the game's status words.
#pragma once

#include <cstdint>

// gameOver's value for a game drawn by agreement (a five, or a resignation, is 1), and for one
// lost on time by the side to move (game/local_clock.h), whose banner names the other side.
inline constexpr std::uint8_t GAME_DRAWN = 2;
inline constexpr std::uint8_t GAME_LOST_ON_TIME = 3;

// The side to move resigns (against the computer, only on the player's own move): the game is
// over, won by the other side, which the banner and the status line show.
void resignLocal();
// The side to move offers a draw. Against the computer it is accepted or declined at once;
// between two players the other is asked, and answers with answerDrawLocal.
void offerDrawLocal();
// The answer to the other player's offer: false when no offer waits (the game has moved on since
// it was made, or there was none).
bool answerDrawLocal(bool accept);
// Whether an offer of a draw waits for the other player's answer at this board.
bool drawOfferedLocal();

// Whether the computer, playing `computerSide` (0 black, 1 white), takes a draw in the position
// on the board with `toMove` to move: when the engine's evaluation of it, from the computer's
// side, is even or worse for it (at most DRAW_EVEN_MARGIN).
bool computerTakesDraw(int computerSide, int toMove);
// The evaluation within which the position counts as even, in the engine's units: less than an
// open two's worth (engine/weights.h): no side has a threat the other lacks.
inline constexpr int DRAW_EVEN_MARGIN = 100;
