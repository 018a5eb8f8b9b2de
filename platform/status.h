// The game's state in words, where the platform has a place for them beside the window.
#pragma once

// Says whose turn it is (`side`: 0 black, 1 white) or, when `won`, which side has won; whether
// Cheat is on; which side the computer plays (`computer`: -1 for two players) and at which level
// (0 easy, 1 medium, 2 hard). In the browser the page's status line says it; on the desktop the
// window alone shows the state, and this does nothing.
void platformShowStatus(int side, bool won, bool cheat, int computer, int level);
