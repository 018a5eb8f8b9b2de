// Every stored game as a record, finished or under way: /games/ID.psq and /games/ID.sgf. The
// records carry the moves and the result; the seats' secrets appear in neither.
#pragma once

#include "server/store.h"

#include <optional>
#include <string>
#include <string_view>

struct ServedRecord
{
    std::string text;
    std::string contentType;
    std::string fileName; // ID.psq or ID.sgf, for the download
};

// Whether a request's path asks for a record: it starts with /games/.
bool asksForRecord(std::string_view path);

// The record the path names, from the store; none when the path names no stored game (a
// malformed id, another ending, a game that never was or has expired).
std::optional<ServedRecord> servedRecord(Store &store, std::string_view path);
