// Matrix arithmetic for the GL tests and the frame's transforms written out step by step.
#include "tests/render/view_math.h"

#include <epoxy/gl.h>

#include <cmath>
#include <numbers>

Mat4 operator*(const Mat4 &a, const Mat4 &b)
{
    Mat4 out{};
    for (int col = 0; col < 4; ++col)
    {
        for (int row = 0; row < 4; ++row)
        {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
            {
                sum += a.m[4 * k + row] * b.m[4 * col + k];
            }
            out.m[4 * col + row] = sum;
        }
    }
    return out;
}

Mat4 identityMatrix()
{
    Mat4 out{};
    out.m[0] = out.m[5] = out.m[10] = out.m[15] = 1.0;
    return out;
}

Mat4 translation(double x, double y, double z)
{
    Mat4 out = identityMatrix();
    out.m[12] = x;
    out.m[13] = y;
    out.m[14] = z;
    return out;
}

Mat4 scaling(double s)
{
    Mat4 out = identityMatrix();
    out.m[0] = out.m[5] = out.m[10] = s;
    return out;
}

Mat4 rotation(double degrees, double x, double y, double z)
{
    double length = std::sqrt(x * x + y * y + z * z);
    x /= length;
    y /= length;
    z /= length;
    double radians = degrees * std::numbers::pi / 180.0;
    double c = std::cos(radians);
    double s = std::sin(radians);
    double t = 1.0 - c;
    Mat4 out = identityMatrix();
    out.m[0] = x * x * t + c;
    out.m[1] = y * x * t + z * s;
    out.m[2] = x * z * t - y * s;
    out.m[4] = x * y * t - z * s;
    out.m[5] = y * y * t + c;
    out.m[6] = y * z * t + x * s;
    out.m[8] = x * z * t + y * s;
    out.m[9] = y * z * t - x * s;
    out.m[10] = z * z * t + c;
    return out;
}

Mat4 readGlMatrix(unsigned which)
{
    GLfloat values[16];
    glGetFloatv(which, values);
    Mat4 out{};
    for (int i = 0; i < 16; ++i)
    {
        out.m[i] = values[i];
    }
    return out;
}

Mat4 cameraMatrix()
{
    return translation(0.0, 0.0, -150.0);
}

Mat4 boardFrame(double pitch, double yaw)
{
    return cameraMatrix() * scaling(1.2) * rotation(pitch, 1.0, 0.0, 0.0) *
           rotation(yaw, 0.0, 1.0, 0.0) * translation(-50.0, -50.0, 0.0);
}

Mat4 gridFrame(double pitch, double yaw)
{
    return boardFrame(pitch, yaw) * translation(0.0, 0.0, -1.0);
}

Mat4 stoneFrame(double pitch, double yaw)
{
    return gridFrame(pitch, yaw) * translation(47.85, 52.3, 6.0) * scaling(0.5) *
           rotation(90.0, 1.0, 0.0, 0.0);
}

Mat4 bannerFrame(double pitch, double yaw, int copy)
{
    return stoneFrame(pitch, yaw) * rotation(-90.0, 1.0, 0.0, 0.0) *
           translation(-115.0, -20.0, 20.0) * scaling(9.0) * translation(0.0, 5.0 * copy, 0.0);
}

Vec3 cellPlace(int row, int col)
{
    return {11.0 * (row - 9), 0.0, 11.0 * (9 - col)};
}

Projector::Projector(const Mat4 &projection, int width, int height)
    : projection(projection), width(width), height(height)
{
}

WindowPoint Projector::onScreen(const Mat4 &modelview, Vec3 p) const
{
    Mat4 whole = projection * modelview;
    double clip[4];
    for (int row = 0; row < 4; ++row)
    {
        clip[row] = whole.m[row] * p.x + whole.m[4 + row] * p.y + whole.m[8 + row] * p.z +
                    whole.m[12 + row];
    }
    double ndcX = clip[0] / clip[3];
    double ndcY = clip[1] / clip[3];
    return {(ndcX + 1.0) * 0.5 * width, (ndcY + 1.0) * 0.5 * height};
}
