// The game's state in words on the desktop: the window shows the state, and the console each new
// notice (a move refused, what the opening asks for) on a line of its own.
#include "platform/status.h"

#include "platform/console.h"

#include <string>

void platformShowStatus(int, bool, bool, int, int, int, int, const char *notice,
                        unsigned noticeNumber)
{
    static unsigned shown = 0; // no notice before the first: the start-up's lines stand alone
    if (noticeNumber == shown)
    {
        return;
    }
    shown = noticeNumber;
    if (notice != nullptr && notice[0] != '\0')
    {
        // The notices are ASCII, which Big5 leaves as it is.
        consoleWriteBig5(std::string(notice) + "\n");
        consoleFlush();
    }
}
