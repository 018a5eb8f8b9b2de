// Drawing one frame.
#pragma once

// The display callback: the board, the grid, every stone, then the cursor stone or the winning
// line and the winner's banner; swaps buffers and asks for the next frame.
void onDisplay();

// Whether GL draws the winning line as wide as it is asked to. WebGL draws every line one pixel
// wide, so the browser build draws the line as a quad of the same width instead.
extern bool linesHaveWidth;

// The frame's transforms, each applied to the current matrix, in the order the frame applies
// them: from the camera's matrix (as onReshape leaves it) to the board, from the board to the
// grid, from the grid to the stone frame. Whatever is drawn on the board, or looked for under a
// point of the window, goes through the same three.
void enterBoardFrame(); // the view's scale, and its turns about the board's point (50, 50, 0)
void enterGridFrame();  // one unit below the board's origin
void enterStoneFrame(); // half size, turned so that stones stand along y

// The place of the cell (row, col) in the stone frame: (cellX(row), 0, cellZ(col)). Any row and
// column have one: the cursor stone, which may leave the board, stands at the place of the cell
// (cursorX + 9, cursorY + 9).
float cellX(int row);
float cellZ(int col);

// The parts of the frame around its stones, for a frame that draws the stones its own way.
// From the board frame: the board, then the grid, leaving the grid frame current.
void drawBoardAndGrid();
// From the stone frame, once a five has been found: the winning line and the winner's banner.
void drawWinLineAndBanner();
