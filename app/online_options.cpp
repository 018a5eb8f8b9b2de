// The desktop game's online options, read from the command line before freeglut sees it, and
// what the online game does with them once the window is there.
#include "app/online_options.h"

#include "core/clock.h"

#include <cstring>

namespace
{

constexpr const char *JOIN = "--join";
constexpr const char *PLAY_SOMEONE = "--play-someone";
constexpr const char *NAME = "--name";
constexpr const char *CLOCK = "--clock";

// What each option's value is, for the reason given when it has none.
const char *valueWords(const char *option)
{
    return option == JOIN ? "the link to a game, as the page shows it (http://HOST:PORT/?game=ID)"
           : option == PLAY_SOMEONE ? "the server's address, as the page's (http://HOST:PORT/)"
           : option == NAME         ? "the name to play as"
                            : "a time control, M+S (minutes a side, seconds added a move) or none";
}

} // namespace

const GameLink *OnlineOptions::address() const
{
    return server ? &*server : join ? &*join : nullptr;
}

bool takeOnlineArguments(int *argc, char **argv, OnlineOptions *options, std::string *why)
{
    OnlineOptions taken;
    bool named = false;
    for (int i = 1; i < *argc; ++i)
    {
        const char *option = nullptr;
        for (const char *known : {JOIN, PLAY_SOMEONE, NAME, CLOCK})
        {
            option = std::strcmp(argv[i], known) == 0 ? known : option;
        }
        if (option == nullptr)
        {
            continue;
        }
        // A value that is another option is taken for a value left out.
        if (i + 1 >= *argc || std::strncmp(argv[i + 1], "--", 2) == 0 || argv[i + 1][0] == '\0')
        {
            *why = std::string(option) + " needs " + valueWords(option) + " after it";
            return false;
        }
        const std::string value = argv[i + 1];
        const bool twice = option == JOIN           ? taken.join.has_value()
                           : option == PLAY_SOMEONE ? taken.server.has_value()
                           : option == NAME         ? named
                                                    : taken.clock.has_value();
        if (twice)
        {
            *why = std::string(option) + " is given twice";
            return false;
        }
        std::string reason;
        if (option == JOIN || option == PLAY_SOMEONE)
        {
            GameLink link;
            if (option == JOIN ? !parseGameLink(value, &link, &reason)
                               : !parseServerAddress(value, &link, &reason))
            {
                *why = std::string(option) + ": " + reason;
                return false;
            }
            (option == JOIN ? taken.join : taken.server) = link;
        }
        else if (option == NAME)
        {
            taken.name = value;
            named = true;
        }
        else
        {
            core::TimeControl control;
            if (!core::parseTimeControl(value, &control))
            {
                *why = std::string(CLOCK) + ": \"" + value +
                       "\" is not a time control: M+S, M minutes a side (1 to 180) and S seconds "
                       "(0 to 60) added after each move, or none";
                return false;
            }
            taken.clock = core::timeControlName(control);
        }
        // The two arguments leave the command line, the rest (freeglut's) stays in its order.
        for (int j = i; j + 2 <= *argc; ++j)
        {
            argv[j] = argv[j + 2];
        }
        *argc -= 2;
        --i;
    }
    if (taken.join && taken.server)
    {
        *why = std::string(JOIN) + " and " + PLAY_SOMEONE +
               " are two ways to start online: give one of them";
        return false;
    }
    for (const char *option : {NAME, CLOCK})
    {
        if ((option == NAME ? named : taken.clock.has_value()) && taken.address() == nullptr)
        {
            *why = std::string(option) + " is for playing online: give the server with " +
                   PLAY_SOMEONE + " SERVER (or " + JOIN + " LINK)";
            return false;
        }
    }
    *options = taken;
    return true;
}

bool seekHasPlayer(const OnlineOptions &options, bool playerKept, const std::string &where,
                   std::string *why, std::string *note)
{
    note->clear();
    if (!options.server)
    {
        return true;
    }
    if (playerKept)
    {
        if (!options.name.empty())
        {
            *note = std::string(NAME) + " " + options.name +
                    " is not used: this game plays as the player it keeps in " + where +
                    ", under the name that player was given";
        }
        return true;
    }
    if (options.name.empty())
    {
        *why = std::string(PLAY_SOMEONE) + " needs a player: this game keeps none yet (in " +
               where + "); give the name to play as with " + NAME + " NAME";
        return false;
    }
    return true;
}

void startFromOptions(const OnlineOptions &options)
{
    if (options.clock)
    {
        onlineGame.setTimeControl(*options.clock);
    }
    if (options.server)
    {
        onlineGame.seek(onlineGame.hasPlayer() ? std::string() : options.name);
    }
    else if (options.join)
    {
        onlineGame.join(options.join->game);
    }
}

std::string playSomeoneWithoutPlayer(const OnlineOptions &options)
{
    if (!options.name.empty() && onlineGame.seek(options.name))
    {
        return "";
    }
    return "Play someone needs a name to play as: this game keeps no player yet. Start it again "
           "with " +
           std::string(NAME) + " NAME.";
}
