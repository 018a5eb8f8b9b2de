// Recording definitions of the freeglut calls, declared exactly as freeglut declares them so the
// game's code links against them unchanged.
#include "tests/fakes/fake_glut.h"

#include <GL/freeglut_std.h>

std::vector<GlutCall> &fakeGlutCalls()
{
    static std::vector<GlutCall> calls;
    return calls;
}

namespace
{

void record(std::string text, AnyCallback callback = nullptr)
{
    fakeGlutCalls().emplace_back(std::move(text), callback);
}

} // namespace

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

void glutReshapeFunc(void (*callback)(int, int))
{
    record("glutReshapeFunc", anyCallback(callback));
}

void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    record("glutKeyboardFunc", anyCallback(callback));
}

void glutSpecialFunc(void (*callback)(int, int, int))
{
    record("glutSpecialFunc", anyCallback(callback));
}

void glutMouseFunc(void (*callback)(int, int, int, int))
{
    record("glutMouseFunc", anyCallback(callback));
}

void glutMotionFunc(void (*callback)(int, int))
{
    record("glutMotionFunc", anyCallback(callback));
}

void glutPassiveMotionFunc(void (*callback)(int, int))
{
    record("glutPassiveMotionFunc", anyCallback(callback));
}

void glutDisplayFunc(void (*callback)(void))
{
    record("glutDisplayFunc", anyCallback(callback));
}

void glutTimerFunc(unsigned int ms, void (*callback)(int), int value)
{
    record("glutTimerFunc " + std::to_string(ms) + " " + std::to_string(value),
           anyCallback(callback));
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

void glutIdleFunc(void (*callback)(void))
{
    record("glutIdleFunc", anyCallback(callback));
}
