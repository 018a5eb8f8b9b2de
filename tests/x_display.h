// The X display for the tests that draw: the suite's own Xvfb (tests/x_server.sh), which ctest
// starts before them and names in the file GOMOKU_TEST_DISPLAY_FILE.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

// Points DISPLAY at the suite's X server. Run by hand, outside ctest, a test keeps the DISPLAY
// it was given. Returns why there is no display to draw on, or "" when there is one.
inline std::string useSuiteDisplay()
{
    const char *file = std::getenv("GOMOKU_TEST_DISPLAY_FILE");
    if (file == nullptr)
    {
        const char *display = std::getenv("DISPLAY");
        return display != nullptr && *display != '\0'
                   ? ""
                   : "no X display: run the test through ctest, which starts one";
    }
    std::ifstream in(file);
    std::string display;
    if (!(in >> display))
    {
        return std::string("the suite's X server wrote no display to ") + file;
    }
    setenv("DISPLAY", display.c_str(), 1);
    return "";
}
