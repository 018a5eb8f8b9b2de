// The frame's transforms, from the camera to the board, the grid and the stone frame.
#include "render/transforms.h"

#include "game/game_state.h"

#include "platform/gl.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace
{

constexpr float BOARD_SCALE = 1.2f;
// Where the stones stand in the stone frame, beside cellX and cellZ: their middle's offset along
// x and z, their foot and top along y, and their radius, with a little room.
constexpr float STONE_X = 3.875f, STONE_Z = 4.375f, STONE_FOOT = -11.2f, STONE_TOP = -6.8f;
constexpr float STONE_RADIUS = 5.5f;
constexpr double PI = 3.14159265358979323846;

using Vector = std::array<double, 3>;

// A point of the stone frame in the board frame: enterGridFrame's and enterStoneFrame's steps.
Vector boardPointOf(double x, double y, double z)
{
    // The stone frame's quarter turn about x takes (x, y, z) to (x, -z, y).
    return {47.85 + 0.5 * x, 52.3 - 0.5 * z, 6.0 - 1.0 + 0.5 * y};
}

// The corners of the box that holds every point of the board and the stone on it.
std::array<Vector, 8> playingCorners()
{
    const double xs[2] = {cellX(0) + STONE_X - STONE_RADIUS,
                          cellX(BOARD_SIZE - 1) + STONE_X + STONE_RADIUS};
    const double zs[2] = {cellZ(BOARD_SIZE - 1) + STONE_Z - STONE_RADIUS,
                          cellZ(0) + STONE_Z + STONE_RADIUS};
    const double ys[2] = {STONE_FOOT, STONE_TOP};
    std::array<Vector, 8> corners;
    for (int i = 0; i < 8; ++i)
    {
        corners[i] = boardPointOf(xs[i & 1], ys[(i >> 1) & 1], zs[i >> 2]);
    }
    return corners;
}

// How far out the farthest corner lies at `scale`, in the projection's units: 1 is the picture's
// edge (its side or its top or bottom, whichever is nearer to be crossed).
double reach(float pitch, float yaw, float aspect, double scale)
{
    const double p = pitch * PI / 180.0, q = yaw * PI / 180.0;
    const double cp = std::cos(p), sp = std::sin(p), cq = std::cos(q), sq = std::sin(q);
    const double focal = 1.0 / std::tan(FIELD_OF_VIEW * PI / 360.0);
    double farthest = 0.0;
    for (const Vector &corner : playingCorners())
    {
        // enterBoardFrame's steps backwards: about (50, 50, 0), turned by yaw about y, then by
        // pitch about x, scaled, and CAMERA_DISTANCE in front of the eye.
        const double x0 = corner[0] - 50.0, y0 = corner[1] - 50.0, z0 = corner[2];
        const double x1 = cq * x0 + sq * z0, z1 = -sq * x0 + cq * z0;
        const double y2 = cp * y0 - sp * z1, z2 = sp * y0 + cp * z1;
        const double k = BOARD_SCALE * scale;
        const double depth = CAMERA_DISTANCE - k * z2;
        if (depth <= 0.0)
        {
            return 1e9; // behind the eye
        }
        farthest = std::max({farthest, std::abs(focal / aspect * k * x1 / depth),
                             std::abs(focal * k * y2 / depth)});
    }
    return farthest;
}

} // namespace

float viewScale(float pitch, float yaw, float aspect)
{
    // The starting view is the game's own picture, whose nearest row stands on the window's edge.
    if (!(aspect > 0.0f) || (pitch == 0.0f && yaw == 0.0f) || reach(pitch, yaw, aspect, 1.0) <= 1.0)
    {
        return 1.0f;
    }
    double low = 0.05, high = 1.0; // the reach grows with the scale
    for (int step = 0; step < 30; ++step)
    {
        const double middle = (low + high) / 2.0;
        (reach(pitch, yaw, aspect, middle) <= 1.0 ? low : high) = middle;
    }
    return static_cast<float>(low);
}

void enterBoardFrame()
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float aspect =
        viewport[3] > 0 ? static_cast<float>(viewport[2]) / static_cast<float>(viewport[3]) : 1.0f;
    const float scale = BOARD_SCALE * viewScale(viewPitch, viewYaw, aspect);
    glScalef(scale, scale, scale);
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
