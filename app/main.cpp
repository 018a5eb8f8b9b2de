// The program's entry: the start-up in its fixed order, then the freeglut main loop.
#include "app/instructions.h"
#include "game/input.h"
#include "model/model_table.h"
#include "platform/console.h"
#include "platform/sleep.h"
#include "render/frame.h"
#include "render/scene.h"

#include <epoxy/gl.h>
#include <GL/freeglut_std.h>

namespace
{

constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;
constexpr int REPORT_ROW = 7; // every mesh report starts at column 0 of this console row
constexpr unsigned FIRST_TIMER_MS = 1000;

} // namespace

int main(int argc, char **argv)
{
    // Console: the instructions, then the five meshes, each report at the same place.
    writeInstructions();
    for (ModelRecord &record : ModelTable)
    {
        consoleMoveCursor(0, REPORT_ROW);
        record.facets = loadStl(modelFileNames[&record - ModelTable], &record.facetCount);
    }
    for (ModelRecord &record : ModelTable)
    {
        prepareMesh(&record);
    }

    // Window: double-buffered with a depth buffer; the size overrides any given on the
    // command line, a position given there stays.
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    glutCreateWindow("Game");

    glutCreateMenu(onMenu);
    glutAddMenuEntry("Cheat", MENU_CHEAT);
    glutAddMenuEntry("Restart", MENU_RESTART);
    glutAttachMenu(GLUT_RIGHT_BUTTON);

    glutReshapeFunc(onReshape);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecialKey);
    glutDisplayFunc(onDisplay);
    glutTimerFunc(FIRST_TIMER_MS, onTimer, 1);

    initScene();
    glutMainLoop();
    return 0;
}
