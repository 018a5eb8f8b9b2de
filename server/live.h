// The list of games being played now, as /live.json and the page /live show it: each game's
// players and ratings (a game by link has none), rule, clock, moves and the number watching, and
// a link that watches it.
#pragma once

#include "server/hub.h"

#include <string>
#include <vector>

std::string liveJson(const std::vector<LiveGame> &games);
// The games of a liveJson() text, as another server wrote it: the entries it cannot read are left
// out.
std::vector<LiveGame> liveGamesOf(std::string_view json);
std::string livePage(const std::vector<LiveGame> &games);
