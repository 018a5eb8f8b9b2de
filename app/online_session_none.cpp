// A build of the desktop game without the online game's libraries (Boost and nlohmann-json were
// not found when it was configured): `--join` says so instead of starting.
#include "app/online_session.h"

#include <cstdio>
#include <cstring>

bool takeOnlineOptions(int *argc, char **argv)
{
    for (int i = 1; i < *argc; ++i)
    {
        if (std::strcmp(argv[i], "--join") == 0)
        {
            std::fprintf(stderr, "gomoku3d: --join: this build of the game has no online play "
                                 "(it was built without Boost and nlohmann-json)\n");
            return false;
        }
    }
    return true;
}

void startOnlineSession() {}
