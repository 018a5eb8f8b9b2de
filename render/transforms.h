// The transforms the frame draws in, kept in one place: the frame (render/frame.cpp) enters them
// one after the other, and the pick (render/pick.cpp) inverts the same ones. Each multiplies the
// current modelview matrix, as glTranslatef, glRotatef and glScalef do.
#pragma once

inline constexpr float CELL_SPACING = 11.0f;     // stone-frame units between neighbouring points
inline constexpr double FIELD_OF_VIEW = 45.0;    // degrees, vertical
inline constexpr float CAMERA_DISTANCE = 150.0f; // from the eye to the point the board turns about

// From the camera's matrix (the one onReshape leaves) to the board frame: the view turns about
// the board's point (50, 50, 0) by viewPitch and viewYaw, and the board is drawn smaller by
// viewScale (as if the camera backed off) when a turn would take points out of the picture.
void enterBoardFrame();

// How much smaller than in the starting view the board is drawn, turned by `pitch` and `yaw`
// degrees, in a picture `aspect` times as wide as it is high: 1 in the starting view, which is
// the game's own picture, and in any turn that keeps every point of the board, with the stone on
// it, within the picture; otherwise the largest scale below 1 that does.
float viewScale(float pitch, float yaw, float aspect);

// From the board frame to the grid's, which sits one unit below the board's origin.
void enterGridFrame();

// From the grid's frame to the stone frame, in which the point (r, c) lies at x = cellX(r),
// z = cellZ(c) and stones stand along y.
void enterStoneFrame();

float cellX(int row);
float cellZ(int col);
