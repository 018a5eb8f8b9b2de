// Pauses of the calling thread.
#pragma once

// Pauses the calling thread for `milliseconds`.
void platformSleep(unsigned milliseconds);

// Called once a turn of the window's loop: holds the thread until a frame's time (a sixtieth of
// a second) has passed since the last turn, so that the window is redrawn sixty times a second
// and not as often as the machine can, leaving the processor to the computer's thinking. Returns
// at once in the page, whose browser paces its frames.
void platformPaceFrame();
