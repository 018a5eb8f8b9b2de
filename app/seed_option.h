// The computer's seed, from outside the game: GOMOKU_SEED=N in the environment on the desktop, or
// ?seed=N in the page's address, gives every game the seed N (a lost game played again, the
// tests); without it each game draws its own.
#pragma once

// Seeds the computer's games (game/opponent.h's seedGames) from the option or, without it, from
// the system's source of randomness.
void takeSeedOption();
