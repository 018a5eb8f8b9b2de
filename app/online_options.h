// The desktop game's online options: `--join LINK` joins a game by its link; `--play-someone
// SERVER` seeks a rated game with a stranger on the server whose page is at SERVER; `--name NAME`
// is the name a new player takes; `--clock M+S` the time control of the seeks. Free of the
// window and the network: the session (app/online_session.cpp) reads them and acts on them.
#pragma once

#include "game/online.h"

#include <optional>
#include <string>

struct OnlineOptions
{
    std::optional<GameLink> join;     // --join LINK
    std::optional<GameLink> server;   // --play-someone SERVER (no game in it)
    std::string name;                 // --name NAME: a new player's name ("" none)
    std::optional<std::string> clock; // --clock M+S, as "3+2", or "" for none

    // The server the game plays on, from either option; null without one.
    const GameLink *address() const;
};

// Takes the online options and their values out of the command line; the rest stays, in its
// order, for freeglut. False, with the reason in `why`, for an option without its value, an option
// given twice, a link or address or clock that cannot be read, both --join and --play-someone,
// or --name or --clock with neither.
bool takeOnlineArguments(int *argc, char **argv, OnlineOptions *options, std::string *why);

// Whether a seek from the start has a player to seek as: the one kept in the seat file (`where`,
// for the words), else a new one of --name. False, with what is missing in `why`, when there is
// neither; `note` says when --name is not used because a player is kept. Always true without
// --play-someone.
bool seekHasPlayer(const OnlineOptions &options, bool playerKept, const std::string &where,
                   std::string *why, std::string *note);

// After the window: the online game acts on the options. Its clock for seeks, then the seek of
// --play-someone (as the player kept, else as a new one of --name) or the join of --join.
void startFromOptions(const OnlineOptions &options);

// The desktop menu's "Play someone" when no player is kept (a kept one seeks at once): a new
// player of --name seeks. Without --name nothing is sought, and the words returned say what is
// missing; "" when the seek began.
std::string playSomeoneWithoutPlayer(const OnlineOptions &options);
