// What the frame tests share: a window with the scene set up, boards with a five on them, and
// where the frame puts cells, line ends and banners on the window.
#pragma once

#include "tests/render/frame_capture.h"
#include "tests/render/gl_window.h"
#include "tests/render/view_math.h"

#include <cstdint>

// Sets `cell` on the five cells centred on (row, col) along `direction` (a DIR_ code).
void placeFive(int row, int col, std::int32_t direction, std::int32_t cell);

// The winning line's two ends in the stone frame for a five centred on (row, col).
struct LineEnds
{
    Vec3 first, second;
};
LineEnds winLineEnds(int row, int col, std::int32_t direction);

// A point a fraction `t` of the way from a to b, moved `across` pixels at right angles to it.
WindowPoint alongLine(WindowPoint a, WindowPoint b, double t, double across);

// Projections with the projection matrix that onReshape left in GL.
class FrameProjector
{
public:
    FrameProjector();
    WindowPoint cell(int row, int col, double pitch = 0.0, double yaw = 0.0) const;
    WindowPoint stonePoint(Vec3 p, double pitch = 0.0, double yaw = 0.0) const;
    WindowPoint boardPoint(Vec3 p) const;
    WindowPoint gridPoint(Vec3 p) const;
    WindowPoint bannerPoint(Vec3 p, int copy) const;

private:
    Projector projector;
};
