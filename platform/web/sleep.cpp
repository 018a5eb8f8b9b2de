// Pauses in the browser: the program's stack is put aside while the page goes on (the build uses
// Asyncify), so a pause never freezes the tab.
#include "platform/sleep.h"

#include <emscripten.h>

void platformSleep(unsigned milliseconds)
{
    emscripten_sleep(milliseconds);
}

void platformPaceFrame() {}
