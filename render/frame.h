// Drawing one frame.
#pragma once

// The display callback: the board, the grid, every stone, then the cursor stone or the winning
// line and the winner's banner; swaps buffers and asks for the next frame.
void onDisplay();
