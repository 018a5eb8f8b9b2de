// Pauses of the calling thread.
#include "platform/sleep.h"

#include <chrono>
#include <thread>

void platformSleep(unsigned milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
