// The reference frame: the game's own parts and transforms around the stones, and the stones
// drawn one by one as they were.
#include "bench/reference_frame.h"

#include "game/game_state.h"
#include "game/opponent.h"
#include "model/model_gpu.h"
#include "model/model_table.h"
#include "platform/status.h"
#include "render/frame.h"

#include "platform/gl.h"

#include <GL/freeglut_std.h>

namespace
{

void colourOfStone(std::int32_t cell)
{
    GLubyte level = cell == CELL_BLACK ? 0 : 255;
    glColor3ub(level, level, level);
}

// Translated there and back again, around a draw of the whole stone model.
void drawStoneAt(int row, int col)
{
    glTranslatef(cellX(row), 0.0f, cellZ(col));
    drawModel(MODEL_STONE);
    glTranslatef(-cellX(row), 0.0f, -cellZ(col));
}

} // namespace

void referenceDisplay()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    enterBoardFrame();
    drawBoardAndGrid();
    enterStoneFrame();
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            std::int32_t cell = Board[row * BOARD_SIZE + col];
            if (cell != CELL_BLACK && cell != CELL_WHITE)
            {
                continue;
            }
            checkFiveAt(row, col);
            colourOfStone(cell);
            drawStoneAt(row, col);
        }
    }
    if (gameOver == 0)
    {
        colourOfStone(sideToMove == 0 ? CELL_BLACK : CELL_WHITE);
        glTranslatef(cellX(cursorX + BOARD_CENTRE), 0.0f, cellZ(cursorY + BOARD_CENTRE));
        drawModel(MODEL_STONE);
    }
    else
    {
        drawWinLineAndBanner();
    }
    glPopMatrix();
    platformShowStatus(gameOver == 0 ? sideToMove : sideToMove ^ 1, gameOver != 0, cheatMode != 0,
                       opponent == OPPONENT_NONE    ? -1
                       : opponent == OPPONENT_WHITE ? 1
                                                    : 0,
                       computerLevel, static_cast<int>(gameRule), gameOpening, gameNotice.c_str(),
                       noticeNumber);
    glutSwapBuffers();
    glutPostRedisplay();
}
