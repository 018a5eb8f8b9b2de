// A build of the desktop game without the online game's libraries (Boost and nlohmann-json were
// not found when it was configured): `--join` and `--play-someone` say so instead of starting.
#include "app/online_session.h"

#include "app/online_options.h"

#include <cstdio>
#include <string>

bool takeOnlineOptions(int *argc, char **argv)
{
    OnlineOptions options;
    std::string why;
    if (!takeOnlineArguments(argc, argv, &options, &why))
    {
        std::fprintf(stderr, "gomoku3d: %s\n", why.c_str());
        return false;
    }
    if (options.address() != nullptr)
    {
        std::fprintf(stderr,
                     "gomoku3d: %s: this build of the game has no online play (it was built "
                     "without Boost and nlohmann-json)\n",
                     options.join ? "--join" : "--play-someone");
        return false;
    }
    return true;
}

void startOnlineSession() {}
