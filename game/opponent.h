// The computer as one of the two players: which side it plays and how well, and its thinking,
// a slice at a time between frames, which ends by placing its stone as a player's key would.
#pragma once

#include <cstdint>

// Who plays against whom.
inline constexpr std::uint8_t OPPONENT_NONE = 0;  // two players at one keyboard
inline constexpr std::uint8_t OPPONENT_WHITE = 1; // the computer plays white
inline constexpr std::uint8_t OPPONENT_BLACK = 2; // the computer plays black

// How well the computer plays.
inline constexpr std::uint8_t LEVEL_EASY = 0;
inline constexpr std::uint8_t LEVEL_MEDIUM = 1;
inline constexpr std::uint8_t LEVEL_HARD = 2;

extern std::uint8_t opponent;      // OPPONENT_ code; two players until a player asks
extern std::uint8_t computerLevel; // LEVEL_ code
extern std::uint64_t computerSeed; // its random choices follow from this and the position

// Whether the computer plays `side` (0 black, 1 white).
bool computerPlays(std::uint8_t side);
// Whether it is the computer's turn in a running game: then no key or click places for it.
bool computerToMove();

// One slice of thinking, at most about `milliseconds`, when it is the computer's turn. A thought
// about a board that has changed since (a placement, an undo, a restart) or at another level is
// dropped and begun again. When the move is chosen the stone is placed
// through placeStone, as the space key places it.
void thinkFor(int milliseconds);
// Whether a thought is under way.
bool computerThinking();

// Takes back to the player's turn: the last placement with two players; against the computer,
// its answer too, so that a move of the player's own is taken back. Nothing if there is none;
// on a board Restart has just cleared, the game it cleared, as undoMove brings it back.
void undoForPlayer();
