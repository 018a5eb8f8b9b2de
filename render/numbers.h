// Numbers drawn on the stones, facing the viewer whichever way the board is turned.
#pragma once

// The digits of `number` (1 or more) as small flat blocks, centred on the stone of the point
// (row, col) as the viewer sees it and in front of it, upright on the screen: from the stone
// frame's matrix, in the current colour, with whatever lighting is in force (the frame turns it
// off, so that the digits take their colour as it is). Leaves the matrix as it found it.
void drawNumberOnStone(int row, int col, int number);

// How wide `number` is set, in pixels of the digits' font, gaps included: for the tests.
int numberWidth(int number);
