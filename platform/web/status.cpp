// The game's state in words in the browser: the page's Module.onGameStatus puts them in its
// status line (a live region, so that a screen reader says them too).
#include "platform/status.h"

#include <emscripten.h>

// clang-format off: JavaScript
EM_JS(void, gomokuGameStatus, (int side, int won, int cheat, int computer, int level), {
    if (Module['onGameStatus'])
        Module['onGameStatus'](side, won, cheat, computer, level);
});
// clang-format on

void platformShowStatus(int side, bool won, bool cheat, int computer, int level)
{
    gomokuGameStatus(side, won ? 1 : 0, cheat ? 1 : 0, computer, level);
}
