// The server's messages read from their JSON text, for the desktop game (the page reads them with
// the browser's own JSON.parse, in platform/web/online.js, to the same effect).
#pragma once

#include "game/online.h"

#include <cstddef>
#include <string_view>

// The longest message the protocol allows, in bytes.
inline constexpr std::size_t MESSAGE_MAX = 4096;

// Reads one text frame into `message`. False when it is not a message: longer than MESSAGE_MAX,
// not a JSON object, without a type, or with a field the type needs missing or of the wrong kind
// (a word not among the protocol's, a number that is not a small integer, a point that is not
// two of them). Only the kinds are checked here; whether the values fit the game is the online
// game's to judge. A type this client does not know reads as ServerMessage::Type::Other.
bool decodeServerMessage(std::string_view text, ServerMessage *message);
