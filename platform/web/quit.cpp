// Ending the game in the browser: the runtime stops, so no frame, timer or key reaches the game
// again, and the page's Module.onExit says that the game has ended.
#include "platform/quit.h"

#include <emscripten.h>

void platformQuit(int status)
{
    emscripten_force_exit(status);
}
