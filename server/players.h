// The players who meet strangers online: each has a name of its own choosing and a rating kept by
// the server. No passwords: the player's secret, which its browser or seat file keeps, is its
// identity. This is the checking of names, which must be plain and must not pass for another's.
#pragma once

#include <string>
#include <string_view>

// The longest and shortest names, in characters (all of them ASCII).
inline constexpr std::size_t NAME_SHORTEST = 2;
inline constexpr std::size_t NAME_LONGEST = 20;

// Whether `name` may be a player's: 2 to 20 of letters, digits, spaces, '_', '-' and '.', starting
// and ending with a letter or a digit, no two spaces together, and not a word the server keeps
// for itself. False with the reason in `why`.
bool validPlayerName(std::string_view name, std::string *why);

// The name as others might take it: lower case, the look-alikes made one (0 and o; 1, i, l and
// |), the separators dropped. Two players whose names fold alike would pass for each other, so no
// two players have the same folded name.
std::string foldedName(std::string_view name);
