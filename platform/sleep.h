// Pauses of the calling thread.
#pragma once

// Pauses the calling thread for `milliseconds`.
void platformSleep(unsigned milliseconds);
