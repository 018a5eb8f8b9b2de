// The window's game kept as a record, and a record opened on the board: the bridge between the
// game's program-wide state and the game's model (core/record.h).
#pragma once

#include "core/record.h"

#include <string>

// The window's game as a record, the moves after the one shown included: false, with why, when
// it cannot be one (a stone placed over another with Cheat).
bool recordOfWindowGame(core::Record *record, std::string *why);

// Puts a record's game on the board for review, at its last move, for two players: the game on
// the board is kept as Restart keeps it, so Undo on an empty board brings it back.
void openRecord(const core::Record &record);

// Reads the record in `text` (.psq or SGF, whichever it is) and opens it: false, with the reader's
// message in `why` and the game on the board as it was, when it is refused.
bool openRecordText(const std::string &text, std::string *why);

// A name for a saved game, from the local date and time: "game-2026-12-10-012345".
std::string recordStem();

// "Save game": the window's game as a .psq and an SGF record, in the records folder on the
// desktop (downloads in the page); the notice says where, or why not.
void saveWindowGame();
