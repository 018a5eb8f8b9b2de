// Pauses of the calling thread, and the allocator tuning done once at start-up.
#pragma once

// Pauses the calling thread for `milliseconds`.
void platformSleep(unsigned milliseconds);
