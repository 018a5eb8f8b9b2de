// Recording definitions of glutPostRedisplay and glutTimerFunc, declared exactly as freeglut
// declares them so the input library links against them unchanged.
#include "tests/fakes/fake_glut.h"

#include <GL/freeglut_std.h>

namespace
{

int redisplayCount; // glutPostRedisplay calls since the last reset

std::vector<FakeTimerRequest> &timerRequests()
{
    static std::vector<FakeTimerRequest> requests;
    return requests;
}

} // namespace

void glutPostRedisplay(void)
{
    ++redisplayCount;
}

void glutTimerFunc(unsigned int time, void (*callback)(int), int value)
{
    timerRequests().push_back({time, callback, value});
}

void fakeGlutReset()
{
    redisplayCount = 0;
    timerRequests().clear();
}

int fakeGlutRedisplayCount()
{
    return redisplayCount;
}

const std::vector<FakeTimerRequest> &fakeGlutTimerRequests()
{
    return timerRequests();
}
