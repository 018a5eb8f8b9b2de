// Drawing one frame.
#pragma once

// The transforms the frame draws in.
#include "render/transforms.h"

// The display callback: the board, the grid, every stone, then the cursor stone or the winning
// line and the winner's banner; swaps buffers and asks for the next frame.
void onDisplay();

// The bar under the board while a hint is shown, in shares of the window: its ends this far
// from the window's sides, its bottom this far above the window's, this tall (3 pixels at the
// least).
inline constexpr float HINT_BAR_LEFT = 0.25f;
inline constexpr float HINT_BAR_BOTTOM = 0.012f;
inline constexpr float HINT_BAR_HEIGHT = 0.012f;

// Whether GL draws the winning line as wide as it is asked to. WebGL draws every line one pixel
// wide, so the browser build draws the line as a quad of the same width instead.
extern bool linesHaveWidth;

// The parts of the frame around its stones, for a frame that draws the stones its own way.
// From the board frame: the board, then the grid, leaving the grid frame current.
void drawBoardAndGrid();
// From the stone frame, once a five has been found: the winning line and the winner's banner.
void drawWinLineAndBanner();
