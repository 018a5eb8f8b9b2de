// The game's state in words, where the platform has a place for them beside the window.
#pragma once

// Says whose turn it is (`side`: 0 black, 1 white) or, when `won`, which side has won, and
// whether Cheat is on. In the browser the page's status line says it; on the desktop the window
// alone shows the state, and this does nothing.
void platformShowStatus(int side, bool won, bool cheat);
