// Strict character-set conversion with iconv, for tests that check Big5 bytes against readable
// UTF-8 text without going through the game's own converter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Converts `text` from `fromCodeset` to `toCodeset`; nullopt if any byte cannot be converted.
std::optional<std::string> convertStrict(std::string_view text, const char *fromCodeset,
                                         const char *toCodeset);

// Big5 (code page 950) bytes to UTF-8, and back; nullopt on anything not convertible.
std::optional<std::string> big5ToUtf8(std::string_view big5);
std::optional<std::string> utf8ToBig5(std::string_view utf8);
