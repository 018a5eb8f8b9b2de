// Recording definitions of the freeglut calls, declared exactly as freeglut declares them so the
// game's code links against them unchanged.
#include "tests/fakes/fake_glut.h"

#include <GL/freeglut_std.h>

std::vector<GlutCall> &fakeGlutCalls()
{
    static std::vector<GlutCall> calls;
    return calls;
}

static void record(std::string text, AnyCallback callback = nullptr)
{
    fakeGlutCalls().emplace_back(std::move(text), callback);
}

void glutInit(int *, char **)
{
    record("glutInit");
}

void glutInitDisplayMode(unsigned int mode)
{
    record("glutInitDisplayMode " + std::to_string(mode));
}

void glutInitWindowSize(int width, int height)
{
    record("glutInitWindowSize " + std::to_string(width) + " x " + std::to_string(height));
}

int glutCreateWindow(const char *title)
{
    record(std::string("glutCreateWindow ") + title);
    return 1;
}

int glutCreateMenu(void (*callback)(int))
{
    record("glutCreateMenu", anyCallback(callback));
    return 1;
}

void glutAddMenuEntry(const char *label, int value)
{
    record(std::string("glutAddMenuEntry ") + label + " " + std::to_string(value));
}

void glutAttachMenu(int button)
{
    record("glutAttachMenu " + std::to_string(button));
}

void glutTimerFunc(unsigned int ms, void (*callback)(int), int value)
{
    record("glutTimerFunc " + std::to_string(ms) + " " + std::to_string(value),
           anyCallback(callback));
}

void glutSetWindowTitle(const char *title)
{
    record(std::string("glutSetWindowTitle ") + title);
}

void glutPostRedisplay(void)
{
    record("glutPostRedisplay");
}

void glutChangeToMenuEntry(int item, const char *label, int value)
{
    record("glutChangeToMenuEntry " + std::to_string(item) + " " + label + " " +
           std::to_string(value));
}

// The calls that hand freeglut a callback and nothing else.
#define RECORDING_SETTER(name, ...)                                                                \
    void name(void (*callback)(__VA_ARGS__))                                                       \
    {                                                                                              \
        record(#name, anyCallback(callback));                                                      \
    }
RECORDING_SETTER(glutReshapeFunc, int, int)
RECORDING_SETTER(glutKeyboardFunc, unsigned char, int, int)
RECORDING_SETTER(glutSpecialFunc, int, int, int)
RECORDING_SETTER(glutMouseFunc, int, int, int, int)
RECORDING_SETTER(glutMotionFunc, int, int)
RECORDING_SETTER(glutPassiveMotionFunc, int, int)
RECORDING_SETTER(glutDisplayFunc, void)
RECORDING_SETTER(glutIdleFunc, void)
