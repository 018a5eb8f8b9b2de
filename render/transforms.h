// The transforms the frame draws in, kept in one place: the frame (render/frame.cpp) enters them
// one after the other, and the pick (render/pick.cpp) inverts the same ones. Each multiplies the
// current modelview matrix, as glTranslatef, glRotatef and glScalef do.
#pragma once

inline constexpr float CELL_SPACING = 11.0f; // stone-frame units between neighbouring points

// From the camera's matrix (the one onReshape leaves) to the board frame: the view turns about
// the board's point (50, 50, 0) by viewPitch and viewYaw.
void enterBoardFrame();

// From the board frame to the grid's, which sits one unit below the board's origin.
void enterGridFrame();

// From the grid's frame to the stone frame, in which the point (r, c) lies at x = cellX(r),
// z = cellZ(c) and stones stand along y.
void enterStoneFrame();

float cellX(int row);
float cellZ(int col);
