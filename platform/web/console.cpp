// The console in the browser: the page's console panel. The Big5 bytes go to the page as they
// stand and the page decodes them; the panel keeps every line in order, so there is no cursor.
#include "platform/console.h"

#include <emscripten.h>

// Hands `length` bytes at `bytes` to the page's Module.consoleBytes, when the page has one.
// clang-format off: JavaScript
EM_JS(void, gomokuConsoleBytes, (const char *bytes, int length), {
    if (Module['consoleBytes'])
        Module['consoleBytes'](HEAPU8.slice(bytes, bytes + length));
});
// clang-format on

void consoleWriteBig5(std::string_view big5)
{
    gomokuConsoleBytes(big5.data(), static_cast<int>(big5.size()));
}

void consoleFlush() {}

void consoleMoveCursor(int, int) {}
