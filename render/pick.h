// Which point of the board the pointer is on, in the view as it is drawn now.
#pragma once

// The point under the window position (x, y), in pixels from the window's top-left corner as
// freeglut reports the pointer: true with its row and column when there is one, false when the
// pointer is off the board, or on its rim beyond the outer lines. The frame's own transforms
// (render/transforms.h) taken back: the pointer's ray, from the near to the far plane, meets the
// plane the stones stand on, and the nearest point to where it meets is taken. Needs the
// window's GL context, with the matrices that onReshape left.
bool pickPoint(int x, int y, int *row, int *col);
