// The record named on the command line.
#include "app/record_option.h"

#include "core/record.h"
#include "game/game_state.h"
#include "game/records.h"
#include "platform/records.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

namespace
{

bool endsWith(std::string_view name, std::string_view suffix)
{
    return name.size() > suffix.size() &&
           std::equal(suffix.rbegin(), suffix.rend(), name.rbegin(),
                      [](char a, char b)
                      {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

bool namesRecord(std::string_view argument)
{
    return !argument.empty() && argument[0] != '-' &&
           (endsWith(argument, ".psq") || endsWith(argument, ".sgf"));
}

} // namespace

void openRecordOption(int *argc, char **argv)
{
    for (int i = 1; i < *argc; ++i)
    {
        if (!namesRecord(argv[i]))
        {
            continue;
        }
        const std::string path = argv[i];
        for (int j = i; j + 1 <= *argc; ++j)
        {
            argv[j] = argv[j + 1];
        }
        --*argc;
        std::string text;
        std::string why;
        if (!readRecordFile(path, core::MAX_RECORD_BYTES, &text, &why) ||
            !openRecordText(text, &why))
        {
            std::fprintf(stderr, "gomoku3d: %s: %s\n", path.c_str(), why.c_str());
            announce(path + " was not opened: " + why);
        }
        return;
    }
}
