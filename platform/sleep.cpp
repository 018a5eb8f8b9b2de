// Pauses of the calling thread.
#include "platform/sleep.h"

#include <chrono>
#include <thread>

void platformSleep(unsigned milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void platformPaceFrame()
{
    using Clock = std::chrono::steady_clock;
    constexpr Clock::duration FRAME = std::chrono::microseconds(16'667);
    static Clock::time_point due{};
    const Clock::time_point now = Clock::now();
    // The turns keep to one another's beat; one that came late (a slow frame) starts a new beat
    // rather than hurrying the next ones to catch up.
    due = now < due ? due : now;
    std::this_thread::sleep_until(due);
    due += FRAME;
}
