// The names of things online: a server's name, a game's id (the server's name, a hyphen and 16
// characters of lowercase base32 drawn from 80 random bits) and a seat's secret (128 random bits
// as 32 lowercase hex characters).
#pragma once

#include <string>
#include <string_view>

// [a-z0-9]{1,16}
bool validServerName(std::string_view name);

// NAME-TOKEN, NAME a valid server name and TOKEN [a-z2-7]{16}.
bool validGameId(std::string_view id);

// The server's name in a valid game id.
std::string_view serverNameOf(std::string_view id);

// [0-9a-f]{32}
bool validSecret(std::string_view secret);

// A new game id on the server `name`, from the system's random source.
std::string newGameId(std::string_view name);

// A new seat secret, from the system's random source.
std::string newSecret();

// One random bit, for the draw of colours.
bool randomBit();

// Compares two secrets in a time that does not depend on where they differ.
bool sameSecret(std::string_view a, std::string_view b);
