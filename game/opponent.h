// The computer as one of the two players: which side it plays and how well, and its thinking,
// handed to a thinker (game/thinker.h) and looked at once a frame, which ends by placing its
// stone as a player's key would.
#pragma once

#include "game/thinker.h"

#include <cstdint>
#include <memory>

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
extern std::uint64_t
    computerSeed; // this game's seed: its random choices follow from it and the position

// Where each game's seed comes from. A fixed seed is every game's (a lost game played again, the
// tests: the same moves give the same answers); otherwise each new game draws its own from the
// session's, so the easy level, which picks among good moves at random, does not answer the same
// moves in every game. Until this is called the seed is fixed at 0.
void seedGames(std::uint64_t sessionSeed, bool fixed);
// A new game begins: its seed is drawn (unless fixed).
void drawGameSeed();

// Whether the computer plays `side` (0 black, 1 white).
bool computerPlays(std::uint8_t side);
// Whether it is the computer's turn in a running game: then no key or click places for it.
bool computerToMove();

// How long the computer thinks on its next move: its level's own limits; in a timed game within a
// budget from what its clock has left, as the tournament brain budgets a match clock
// (engine::moveTime), so that it keeps to its time. The level still caps how well it plays.
engine::Limits computerLimits();

// The thinker the computer thinks with from now on (the game gives it the one beside it); the
// one before is ended, its thought dropped. Until one is given it thinks between frames.
void useThinker(std::unique_ptr<Thinker> thinker);

// The thinker the computer thinks with, which the hint (game/hint.h) borrows while the computer
// is not to move, and a new number for a thought posted to it: never 0, never one given before
// (until the count wraps).
Thinker &sharedThinker();
std::uint32_t newThoughtNumber();

// The computer's turn to think, once a frame: when it is to move, it hands the position to the
// thinker and then looks whether the answer has come (a thinker that thinks between frames
// thinks here for about `milliseconds`). A thought that no longer applies, because the board has
// changed since (a placement, an undo, a restart), or the level, the side the computer plays or
// Cheat, is dropped at the next look: its answer is never placed, and a new one begins if the
// computer is still to move. When the answer comes the stone is placed through placeStone, as
// the space key places it.
void thinkFor(int milliseconds);
// Whether a thought is under way.
bool computerThinking();
// The figures of the last answer placed: positions looked at and milliseconds, from the search.
ThinkAnswer lastAnswer();

// Takes back to the player's turn: the last placement with two players; against the computer,
// its answer too, so that a move of the player's own is taken back. Nothing if there is none;
// on a board Restart has just cleared, the game it cleared, as undoMove brings it back.
void undoForPlayer();
