// The frame as the game drew it before its stones were gathered by colour: each stone, and the
// cursor stone, drawn by itself from the stone model's buffers under a translation of its own,
// 325 draws on a full board. Kept to measure the game's frame against and to compare pictures
// with; otherwise the same frame (board, grid, five test, line, banner).
#pragma once

// A display callback in place of onDisplay, in the same GL state (initScene, onReshape).
void referenceDisplay();
