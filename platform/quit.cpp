// Ending the program on a desktop system: the process exits.
#include "platform/quit.h"

#include <cstdlib>

void platformQuit(int status)
{
    std::exit(status);
}
