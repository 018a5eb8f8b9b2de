// The per-test window and the resets of the program-wide state that the GL tests share.
#include "tests/render/gl_window.h"

#include "game/game_state.h"
#include "model/model_table.h"
#include "tests/x_display.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace
{

// freeglut is initialised once per process; each test then opens a window of its own.
void initGlutOnce()
{
    static bool ready = false;
    if (ready)
    {
        return;
    }
    static char programName[] = "gomoku_gl_test";
    static char *argv[] = {programName, nullptr};
    int argc = 1;
    glutInit(&argc, argv);
    ready = true;
}

} // namespace

void GlWindowTest::SetUp()
{
    const std::string noDisplay = useSuiteDisplay();
    ASSERT_EQ(noDisplay, "");
    initGlutOnce();
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    // A new window brings a new context, so GL state never leaks from one test to the next.
    window = glutCreateWindow("Game");
    resetGameState();
    for (ModelRecord &record : ModelTable)
    {
        record = ModelRecord{};
    }
}

void GlWindowTest::TearDown()
{
    if (window == 0)
    {
        return;
    }
    clearModelTable();
    glutDestroyWindow(window);
    glutMainLoopEvent(); // lets freeglut finish closing the window now
    window = 0;
}

void clearModelTable()
{
    for (ModelRecord &record : ModelTable)
    {
        delete[] record.vertexArray;
        delete[] record.normalArray;
        delete[] record.facets;
        if (glIsBuffer(record.vertexBuffer))
        {
            glDeleteBuffers(1, &record.vertexBuffer);
        }
        if (glIsBuffer(record.normalBuffer))
        {
            glDeleteBuffers(1, &record.normalBuffer);
        }
        record = ModelRecord{};
    }
}
