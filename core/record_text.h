// What the .psq and SGF readers share: the checks every text passes before its layout is read,
// and the replay of one move through the game, refused with the move's number and point.
#pragma once

#include "core/record.h"

#include <string>
#include <string_view>

namespace core::records
{

// Refuses a text over MAX_RECORD_BYTES or with a NUL byte in it.
void checkText(std::string_view text);

// Plays the record's move number `number` (from 1) on p; `where` opens the message of a refusal
// ("line 7: " or empty). Throws RecordError: "line 7: move 5 (j9): the point is taken".
void replay(Game &game, int number, Point p, std::int32_t ms, const std::string &where);

// "move 5 (j9)": a move as the messages name it.
std::string moveWords(int number, Point p);

// A text without the byte order mark UTF-8 may open with.
std::string_view withoutBom(std::string_view text);

} // namespace core::records
