// The pointer's point: the frame's transforms inverted with gluUnProject.
#include "render/pick.h"

#include "game/game_state.h"
#include "model/model_table.h"
#include "render/transforms.h"

#include "platform/gl.h"
// After the GL header, which stands in for the system's.
#include "platform/glu.h"

#include <algorithm>
#include <cmath>

namespace
{

// How far beyond an outer line, in cells, the pointer still counts as on it: the line is drawn a
// few pixels wide, and a point on the edge is aimed at there.
constexpr double EDGE_TOLERANCE = 0.1;

// Where a stone touches the board, in the stone frame, from the place of its point: the middle of
// the stone model's outline at its lowest height. The meshes made for the game put the stone a
// little off its point's place (so that a five's line runs through the stones' middles), and the
// grid's lines under the stones' middles, so this is where the player sees the point. Without a
// stone mesh it is the point's place itself.
void stoneFoot(double foot[3])
{
    const ModelRecord &stone = ModelTable[MODEL_STONE];
    foot[0] = foot[1] = foot[2] = 0.0;
    if (stone.facetCount <= 0 || stone.vertexArray == nullptr)
    {
        return;
    }
    const float *v = stone.vertexArray;
    float low[3] = {v[0], v[1], v[2]}, high[3] = {v[0], v[1], v[2]};
    for (std::int32_t i = 0; i < stone.facetCount * FLOATS_PER_FACET; i += 3)
    {
        for (int k = 0; k < 3; ++k)
        {
            low[k] = std::min(low[k], v[i + k]);
            high[k] = std::max(high[k], v[i + k]);
        }
    }
    foot[0] = (low[0] + high[0]) / 2.0;
    foot[1] = low[1];
    foot[2] = (low[2] + high[2]) / 2.0;
}

} // namespace

bool pickPoint(int x, int y, int *row, int *col)
{
    GLfloat modelviewF[16], projectionF[16];
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glPushMatrix();
    enterBoardFrame();
    enterGridFrame();
    enterStoneFrame();
    glGetFloatv(GL_MODELVIEW_MATRIX, modelviewF);
    glPopMatrix();
    glGetFloatv(GL_PROJECTION_MATRIX, projectionF);
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::copy(modelviewF, modelviewF + 16, modelview);
    std::copy(projectionF, projectionF + 16, projection);
    if (x < viewport[0] || x >= viewport[0] + viewport[2] || y < 0 ||
        y >= viewport[1] + viewport[3])
    {
        return false; // outside what is drawn
    }

    // The middle of the pixel, in GL's window coordinates, which count from the bottom.
    const double windowX = x + 0.5, windowY = viewport[1] + viewport[3] - (y + 0.5);
    GLdouble nearPoint[3], farPoint[3]; // "near" and "far" are macros on Windows
    if (gluUnProject(windowX, windowY, 0.0, modelview, projection, viewport, &nearPoint[0],
                     &nearPoint[1], &nearPoint[2]) != GL_TRUE ||
        gluUnProject(windowX, windowY, 1.0, modelview, projection, viewport, &farPoint[0],
                     &farPoint[1], &farPoint[2]) != GL_TRUE)
    {
        return false;
    }
    double foot[3];
    stoneFoot(foot);
    if (farPoint[1] == nearPoint[1])
    {
        return false; // the board seen edge on: the ray runs along its plane
    }
    const double t = (foot[1] - nearPoint[1]) / (farPoint[1] - nearPoint[1]);
    if (t < 0.0 || t > 1.0)
    {
        return false; // the plane meets the ray outside what is drawn
    }
    // The point's place is x = 11 (r - 9), z = 11 (9 - c), with the foot beside it.
    const double r =
        (nearPoint[0] + t * (farPoint[0] - nearPoint[0]) - foot[0]) / CELL_SPACING + BOARD_CENTRE;
    const double c =
        BOARD_CENTRE - (nearPoint[2] + t * (farPoint[2] - nearPoint[2]) - foot[2]) / CELL_SPACING;
    const double last = BOARD_SIZE - 1;
    if (!(r >= -EDGE_TOLERANCE && r <= last + EDGE_TOLERANCE && c >= -EDGE_TOLERANCE &&
          c <= last + EDGE_TOLERANCE))
    {
        return false;
    }
    *row = std::clamp(static_cast<int>(std::lround(r)), 0, BOARD_SIZE - 1);
    *col = std::clamp(static_cast<int>(std::lround(c)), 0, BOARD_SIZE - 1);
    return true;
}
