// The frame in the browser, for tools/bench.sh: the game's frame or the reference frame, on the
// empty board or the full board of frame_bench, as the page's address says:
//   index.html?game&full, ?game&empty, ?reference&full, ?reference&empty
// The five meshes are packed beside the program. The browser paces the frames.
#include "bench/reference_frame.h"
#include "game/game_state.h"
#include "model/model_table.h"
#include "render/frame.h"
#include "render/scene.h"

#include <GL/freeglut_std.h>

#include <cstring>

int main(int argc, char **argv)
{
    const bool reference = argc > 1 && std::strcmp(argv[1], "reference") == 0;
    const bool full = argc > 2 && std::strcmp(argv[2], "full") == 0;
    for (ModelRecord &record : ModelTable)
    {
        record.facets = loadStl(modelFileNames[&record - ModelTable], &record.facetCount);
    }
    for (ModelRecord &record : ModelTable)
    {
        prepareMesh(&record);
    }
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow("Game");
    glutReshapeFunc(onReshape);
    glutDisplayFunc(reference ? referenceDisplay : onDisplay);
    initScene();
    // As frame_bench fills it: pairs along each row, shifted by one cell from row to row.
    for (int cell = 0; full && cell < BOARD_CELLS; ++cell)
    {
        int row = cell / BOARD_SIZE, col = cell % BOARD_SIZE;
        Board[cell] = (col / 2 + row) % 2 == 0 ? CELL_BLACK : CELL_WHITE;
    }
    glutMainLoop();
    return 0;
}
