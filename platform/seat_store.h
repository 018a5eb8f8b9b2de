// The desktop game's seats in online games: each game's secret kept in a file of its own, so that
// the player who starts the game again is the same player. The folder is
// $XDG_STATE_HOME/gomoku3d/ (~/.local/state/gomoku3d/ without it), or on Windows
// %LOCALAPPDATA%\gomoku3d\; only its owner may read it.
#pragma once

#include <filesystem>
#include <string>

// The folder of the seats; empty when the environment names no home.
std::filesystem::path seatFolder();

// The file that keeps the secret of `game` (the player's too, under its key); empty when the folder
// is unknown or the name could not be a file's.
std::filesystem::path seatFile(const std::string &game);

// The secret kept for `game`, or "" when there is none or the game's name could not be a file's.
std::string loadSeat(const std::string &game);
// Keeps `secret` for `game`, replacing what was kept; false when it could not be written.
bool storeSeat(const std::string &game, const std::string &secret);
// Forgets the secret of `game`.
void forgetSeat(const std::string &game);
