// The program's entry: the start-up in its fixed order, then the freeglut main loop.
#include "app/input.h"
#include "app/instructions.h"
#include "app/online_session.h"
#include "app/record_option.h"
#include "app/seed_option.h"
#include "app/window.h"
#include "game/hint.h"
#include "game/opponent.h"
#include "model/model_table.h"
#include "platform/console.h"
#include "platform/heap.h"
#include "platform/sleep.h"
#include "render/scene.h"

#include "platform/gl.h"
#include <GL/freeglut_std.h>

namespace
{

constexpr int REPORT_ROW = 7; // every mesh report starts at column 0 of this console row

} // namespace

int main(int argc, char **argv)
{
    platformKeepFreedMemory();
    if (!takeOnlineOptions(&argc, argv))
    {
        return 2;
    }
    takeSeedOption();
    openRecordOption(&argc, argv);

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

    // Window: the window "Game" with its right-button menu, every callback and the first timer.
#ifdef __EMSCRIPTEN__
    // On a touch screen the cursor stone sits under the finger that put it there: see-through,
    // it is never taken for a placed stone.
    seeThroughCursor = 1;
#endif
    createWindowAndMenu(&argc, argv);
    startOnlineSession();

    initScene();
    beginFrames();
    // The computer thinks beside the frames, never between them.
    useThinker(makeBesideThinker());
    glutMainLoop();
    return 0;
}
