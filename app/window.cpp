// The game's window, its right-button menu and the registration of every callback, in the order
// freeglut needs them: the window first, since the menu and the callbacks belong to it.
#include "app/window.h"

#include "game/game_state.h"
#include "game/online.h"
#include "game/opponent.h"
#include "app/input.h"
#include "render/frame.h"
#include "render/pick.h"
#include "render/scene.h"

#include <GL/freeglut_std.h>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace
{

constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;
constexpr unsigned FIRST_TIMER_MS = 1000;

} // namespace

#ifdef __EMSCRIPTEN__
// The page turns taps into the pointer's callbacks, and a tap places only on the point tapped
// just before: it asks here which point a tap is on, row * 18 + column, or -1 for none.
extern "C" EMSCRIPTEN_KEEPALIVE int gomokuPointAt(int x, int y)
{
    int row = 0;
    int col = 0;
    return pickPoint(x, y, &row, &col) ? row * BOARD_SIZE + col : -1;
}

// What the player is asked for now (the ASKED_ bits), for the page's buttons of answers.
// Online, the panel has the buttons that answer the other player's offer of a draw.
extern "C" EMSCRIPTEN_KEEPALIVE int gomokuAsked()
{
    return askedNow() & ~(onlineGame.active() ? ASKED_DRAW_ANSWER : 0);
}

// Whether the computer is to act now, for the page's "The computer is thinking.": in swap2's
// opening the side to move is not always the computer's when its colour is.
extern "C" EMSCRIPTEN_KEEPALIVE int gomokuComputerToMove()
{
    return computerToMove() ? 1 : 0;
}
#endif

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
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    glutPassiveMotionFunc(onPassiveMotion);
    pointUnder = pickPoint;
    glutDisplayFunc(onDisplay);
    glutIdleFunc(onIdle);
    glutTimerFunc(FIRST_TIMER_MS, onTimer, 1);
}
