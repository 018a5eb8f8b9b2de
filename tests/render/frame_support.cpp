// Five-in-a-row boards and the frame's places on the window, for the frame tests.
#include "tests/render/frame_support.h"

#include "game/game_state.h"

#include <epoxy/gl.h>

#include <cmath>

namespace
{

struct Step
{
    int dRow, dCol;
};

// One step along each direction, by direction code - 1.
constexpr Step STEPS[4] = {
    {0, 1},  // DIR_ROW: along the row
    {1, 1},  // DIR_DIAGONAL
    {1, 0},  // DIR_COLUMN: along the column
    {1, -1}, // DIR_ANTIDIAGONAL
};

// The line's end offsets (x1, z1, x2, z2) from the centre cell's place, by direction code - 1.
constexpr double END_OFFSETS[4][4] = {
    {4.0, -18.0, 4.0, 27.5},    // DIR_ROW
    {-19.0, 27.5, 26.5, -18.0}, // DIR_DIAGONAL
    {-19.0, 4.0, 26.5, 4.0},    // DIR_COLUMN
    {-19.0, -18.0, 26.5, 27.5}, // DIR_ANTIDIAGONAL
};

constexpr double LINE_HEIGHT = 5.0; // the line floats this far above the stones' plane

} // namespace

void placeFive(int row, int col, std::int32_t direction, std::int32_t cell)
{
    const Step &step = STEPS[direction - 1];
    for (int i = -2; i <= 2; ++i)
    {
        Board[(row + i * step.dRow) * BOARD_SIZE + col + i * step.dCol] = cell;
    }
}

LineEnds winLineEnds(int row, int col, std::int32_t direction)
{
    const double *offsets = END_OFFSETS[direction - 1];
    Vec3 centre = cellPlace(row, col);
    return {{centre.x + offsets[0], LINE_HEIGHT, centre.z + offsets[1]},
            {centre.x + offsets[2], LINE_HEIGHT, centre.z + offsets[3]}};
}

WindowPoint alongLine(WindowPoint a, WindowPoint b, double t, double across)
{
    double dx = b.x - a.x;
    double dy = b.y - a.y;
    double length = std::hypot(dx, dy);
    return {a.x + t * dx - across * dy / length, a.y + t * dy + across * dx / length};
}

FrameProjector::FrameProjector()
    : projector(readGlMatrix(GL_PROJECTION_MATRIX), WINDOW_WIDTH, WINDOW_HEIGHT)
{
}

WindowPoint FrameProjector::cell(int row, int col, double pitch, double yaw) const
{
    return stonePoint(cellPlace(row, col), pitch, yaw);
}

WindowPoint FrameProjector::stonePoint(Vec3 p, double pitch, double yaw) const
{
    return projector.onScreen(stoneFrame(pitch, yaw), p);
}

WindowPoint FrameProjector::boardPoint(Vec3 p) const
{
    return projector.onScreen(boardFrame(0.0, 0.0), p);
}

WindowPoint FrameProjector::gridPoint(Vec3 p) const
{
    return projector.onScreen(gridFrame(0.0, 0.0), p);
}

WindowPoint FrameProjector::bannerPoint(Vec3 p, int copy) const
{
    return projector.onScreen(bannerFrame(0.0, 0.0, copy), p);
}
