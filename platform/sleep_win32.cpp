// Pauses of the calling thread, on Windows.
#include "platform/sleep.h"

#include "platform/windows.h"

#include <mmsystem.h>

void platformSleep(unsigned milliseconds)
{
    Sleep(milliseconds);
}

void platformPaceFrame()
{
    // Sleep wakes on the system's clock ticks, 15.6 ms apart unless a program asks for finer
    // ones; without them a paced frame would take two ticks, so the window is then left unpaced.
    static const bool fineTicks = timeBeginPeriod(1) == TIMERR_NOERROR;
    if (!fineTicks)
    {
        return;
    }
    static LARGE_INTEGER perSecond{};
    static LONGLONG due = 0;
    if (perSecond.QuadPart == 0)
    {
        QueryPerformanceFrequency(&perSecond);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const LONGLONG frame = perSecond.QuadPart / 60;
    // As on the other systems: late turns start a new beat rather than hurry the next ones.
    if (now.QuadPart < due)
    {
        Sleep(static_cast<DWORD>((due - now.QuadPart) * 1000 / perSecond.QuadPart));
    }
    due = (now.QuadPart < due ? due : now.QuadPart) + frame;
}
