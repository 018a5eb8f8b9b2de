// The game's state in words in the browser: the page's Module.onGameStatus puts them in its
// status line (a live region, so that a screen reader says them too).
#include "platform/status.h"

#include <emscripten.h>

// clang-format off: JavaScript
EM_JS(void, gomokuGameStatus,
      (int side, int won, int cheat, int computer, int level, int rule, int opening,
       const char *notice),
      {
          if (Module['onGameStatus'])
              Module['onGameStatus'](side, won, cheat, computer, level, rule, opening,
                                     UTF8ToString(notice));
      });
// clang-format on

void platformShowStatus(int side, bool won, bool cheat, int computer, int level, int rule,
                        int opening, const char *notice, unsigned)
{
    gomokuGameStatus(side, won ? 1 : 0, cheat ? 1 : 0, computer, level, rule, opening,
                     notice != nullptr ? notice : "");
}
