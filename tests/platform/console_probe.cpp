// A small program for the terminal tests: performs the console calls named on its command line,
// in order: "text <bytes>" writes Big5 bytes, "cursor <column> <row>" moves the cursor.
#include "platform/console.h"

#include <cstdlib>
#include <string_view>

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
    {
        std::string_view action = argv[i];
        if (action == "text" && i + 1 < argc)
        {
            consoleWriteBig5(argv[++i]);
        }
        else if (action == "cursor" && i + 2 < argc)
        {
            int column = std::atoi(argv[i + 1]);
            int row = std::atoi(argv[i + 2]);
            consoleMoveCursor(column, row);
            i += 2;
        }
        else
        {
            return 2;
        }
    }
    consoleFlush();
    return 0;
}
