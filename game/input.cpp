// The input callbacks. Each changes the game state, then asks freeglut for a redraw; none
// draws or calls GL.
#include "game/input.h"

#include "game/game_state.h"
#include "platform/quit.h"

#include <GL/freeglut_std.h>

namespace
{

// Brings a view angle that has just been turned by 5 degrees back into 0..355: a full turn
// becomes 0 and a step below 0 becomes 355.
float wrapped(float angle)
{
    if (angle > 356.0f)
    {
        return 0.0f;
    }
    if (angle < -1.0f)
    {
        return 355.0f;
    }
    return angle;
}

void placeAtCursor()
{
    // With the cursor beyond the board's edge there is no cell under it: nothing happens.
    placeStone(cursorX + BOARD_CENTRE, cursorY + BOARD_CENTRE);
}

} // namespace

void onKeyboard(unsigned char key, int, int)
{
    if (gameOver == 0)
    {
        switch (key)
        {
        case ' ':
            placeAtCursor();
            break;
        case 'a':
        case 'A':
            cursorX -= 1;
            break;
        case 'd':
        case 'D':
            cursorX += 1;
            break;
        case 's':
        case 'S':
            cursorY -= 1;
            break;
        case 'w':
        case 'W':
            cursorY += 1;
            break;
        default:
            break;
        }
    }
    if (key == KEY_ESCAPE)
    {
        platformQuit(0);
    }
    glutPostRedisplay();
}

void onSpecialKey(int key, int, int)
{
    switch (key)
    {
    case GLUT_KEY_UP:
        viewPitch -= 5.0f;
        break;
    case GLUT_KEY_DOWN:
        viewPitch += 5.0f;
        break;
    case GLUT_KEY_LEFT:
        viewYaw -= 5.0f;
        break;
    case GLUT_KEY_RIGHT:
        viewYaw += 5.0f;
        break;
    default:
        break;
    }
    viewPitch = wrapped(viewPitch);
    viewYaw = wrapped(viewYaw);
    glutPostRedisplay();
}

void onMenu(int value)
{
    if (value == MENU_CHEAT)
    {
        cheatMode ^= 1;
    }
    else
    {
        restartGame();
    }
    glutPostRedisplay();
}

void onTimer(int)
{
    glutPostRedisplay();
    glutTimerFunc(TIMER_INTERVAL_MS, onTimer, 1);
}
