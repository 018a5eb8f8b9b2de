// Pauses of the calling thread, on Windows.
#include "platform/sleep.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

void platformSleep(unsigned milliseconds)
{
    Sleep(milliseconds);
}
