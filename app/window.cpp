// The game's window, its right-button menu and the registration of every callback, in the order
// freeglut needs them: the window first, since the menu and the callbacks belong to it.
#include "app/window.h"

#include "game/input.h"
#include "render/frame.h"
#include "render/scene.h"

#include <GL/freeglut_std.h>

namespace
{

constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;
constexpr unsigned FIRST_TIMER_MS = 1000;

} // namespace

void createWindowAndMenu(int *argc, char **argv)
{
    // Window: double-buffered with a depth buffer; the size overrides any given on the
    // command line, a position given there stays.
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    glutCreateWindow("Game");

    // "Cheat" and "Restart" first, then taking back and the choices of opponent and level.
    glutCreateMenu(onMenu);
    for (int value = 0; value < MENU_ENTRIES; ++value)
    {
        glutAddMenuEntry(menuLabel(value), value);
    }
    glutAttachMenu(GLUT_RIGHT_BUTTON);

    glutReshapeFunc(onReshape);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecialKey);
    glutDisplayFunc(onDisplay);
    glutIdleFunc(onIdle);
    glutTimerFunc(FIRST_TIMER_MS, onTimer, 1);
}
