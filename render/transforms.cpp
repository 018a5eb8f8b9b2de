// The frame's transforms, from the camera to the board, the grid and the stone frame.
#include "render/transforms.h"

#include "game/game_state.h"

#include "platform/gl.h"

void enterBoardFrame()
{
    glScalef(1.2f, 1.2f, 1.2f);
    glRotatef(viewPitch, 1.0f, 0.0f, 0.0f);
    glRotatef(viewYaw, 0.0f, 1.0f, 0.0f);
    glTranslatef(-50.0f, -50.0f, 0.0f);
}

void enterGridFrame()
{
    glTranslatef(0.0f, 0.0f, -1.0f);
}

void enterStoneFrame()
{
    glTranslatef(47.85f, 52.3f, 6.0f);
    glScalef(0.5f, 0.5f, 0.5f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
}

float cellX(int row)
{
    return CELL_SPACING * static_cast<float>(row - BOARD_CENTRE);
}

float cellZ(int col)
{
    return CELL_SPACING * static_cast<float>(BOARD_CENTRE - col);
}
