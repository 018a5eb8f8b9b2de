// Where saved games go and how a record file is read. On the desktop the records folder is
// $XDG_DATA_HOME/gomoku3d/games/ (~/.local/share/gomoku3d/games/ without it), or on Windows
// %APPDATA%\gomoku3d\games\; in the page a saved game is a download.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

// The records folder; empty when the environment names no home.
std::filesystem::path recordsFolder();

// Saves one record as `stem` + `extension` (".psq", ".sgf") in the records folder, or in the
// page as a download of that name. `stem` is the game's own (letters, digits and hyphens); any
// other is refused, so that nothing is written outside the folder. Returns where it went, or
// empty with why in `why`.
std::string platformSaveRecord(const std::string &stem, const std::string &extension,
                               const std::string &text, std::string *why);

// Reads the file at `path` whole if it holds at most `maxBytes`: false with why otherwise.
bool readRecordFile(const std::filesystem::path &path, std::size_t maxBytes, std::string *text,
                    std::string *why);
