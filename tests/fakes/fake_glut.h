// A recording stand-in for glutPostRedisplay and glutTimerFunc. Tests link it in place of
// freeglut and read back how often a redraw was asked for and which timers were armed.
#pragma once

#include <vector>

// One glutTimerFunc call as it was made.
struct FakeTimerRequest
{
    unsigned int ms;       // delay asked for, in milliseconds
    void (*callback)(int); // function to run when the timer fires
    int value;             // argument for that call
};

// Forgets every recorded call.
void fakeGlutReset();

// Number of glutPostRedisplay calls since the last reset.
int fakeGlutRedisplayCount();

// Every glutTimerFunc call since the last reset, oldest first.
const std::vector<FakeTimerRequest> &fakeGlutTimerRequests();
