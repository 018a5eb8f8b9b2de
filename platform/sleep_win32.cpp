// Pauses of the calling thread, on Windows.
#include "platform/sleep.h"

#include "platform/windows.h"

void platformSleep(unsigned milliseconds)
{
    Sleep(milliseconds);
}

void platformPaceFrame() {}
