// The stones as the frame draws them: one buffer object holds a copy of the stone model for the
// cursor stone and for every stone on the board, each copy moved to its cell in the stone frame,
// the black stones before the white ones. Each colour is then one draw, under the stone frame's
// matrix. The stones are placed again and uploaded only when the
// board has changed since they last were (a placement, a restart, a Cheat replacement); the
// buffer grows with the board, to at most 325 copies (3 MB with the game's stone).
// Needs the window's GL context current.
#pragma once

#include <cstdint>

// Makes the buffer for the current GL context, empty of stones, from the stone model as the
// model table holds it now; the copies keep that stone whatever becomes of the table's. The
// last step of initScene, after uploadModelBuffers.
void uploadStoneBuffers();

// Refills the buffer's stones from the Board when any cell differs from what the buffer holds:
// every stone is placed again, and the part of the buffer they take is uploaded.
void updateBoardStones();

// Draws the buffer's stones of one colour (CELL_BLACK or CELL_WHITE) in one draw, at the current
// matrix (the stone frame) and colour. As of the last updateBoardStones.
void drawBoardStones(std::int32_t cell);

// Draws one stone at the place of the cell (row, col), on the board or beyond it, at the current
// matrix (the stone frame) and colour: the cursor stone. Its copy is moved there first if it
// stood elsewhere. Where a stone of the board stands it has the very same vertices, so the depth
// test keeps the stone drawn first.
void drawCursorStoneAt(int row, int col);
