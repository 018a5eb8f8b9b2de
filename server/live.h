// The list of games being played now, as /live.json and the page /live show it: each game's
// players and ratings (a game by link has none), rule, clock, moves and the number watching, and
// a link that watches it.
#pragma once

#include "server/hub.h"

#include <string>
#include <vector>

std::string liveJson(const std::vector<LiveGame> &games);
std::string livePage(const std::vector<LiveGame> &games);
