// The frame's chain of transforms rebuilt in double precision, so tests know where on the window
// a point of the board, grid, stone or banner frame must appear.
#pragma once

#include "tests/render/frame_capture.h"

#include <array>

struct Vec3
{
    double x, y, z;
};

// A 4 x 4 matrix in GL's column-major order: element (row i, column j) is m[4 * j + i].
struct Mat4
{
    std::array<double, 16> m;
};
Mat4 operator*(const Mat4 &a, const Mat4 &b);
Mat4 identityMatrix();
Mat4 translation(double x, double y, double z);
Mat4 scaling(double s);
Mat4 rotation(double degrees, double x, double y, double z); // as glRotate, axis normalised

// The current GL matrix of `which` (GL_PROJECTION_MATRIX or GL_MODELVIEW_MATRIX), widened.
Mat4 readGlMatrix(unsigned which);

// The modelview matrix the frame starts from: the scene 150 units in front of the eye.
Mat4 cameraMatrix();
// The board's model coordinates: turned about (50, 50, 0) by the view angles.
Mat4 boardFrame(double pitch, double yaw);
// The grid's model coordinates: one unit below the board's.
Mat4 gridFrame(double pitch, double yaw);
// The stone frame: cell (r, c) at cellPlace(r, c), stones standing along y.
Mat4 stoneFrame(double pitch, double yaw);
// One of the three banner copies: copy 0, +1 or -1 lies 0, +5 or -5 along the banner's y.
Mat4 bannerFrame(double pitch, double yaw, int copy);

// Where cell (row, col) lies in the stone frame.
Vec3 cellPlace(int row, int col);

// Projects points through a projection matrix onto a window of the given size.
class Projector
{
public:
    Projector(const Mat4 &projection, int width, int height);
    WindowPoint onScreen(const Mat4 &modelview, Vec3 p) const;

private:
    Mat4 projection;
    int width;
    int height;
};
