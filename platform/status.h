// The game's state in words, where the platform has a place for them beside the window.
#pragma once

// Says whose turn it is (`side`: 0 black, 1 white) or, when `won`, which side has won; whether
// Cheat is on; which side the computer plays (`computer`: -1 for two players) and at which level
// (0 easy, 1 medium, 2 hard); the rule (0 freestyle, 1 exactly five, 2 renju) and the opening
// (0 free, 1 swap2); and what the game has to say beyond that (`notice`, "" for nothing), whose
// `noticeNumber` changes with every notice. In the browser the page's status line says it all; on
// the desktop the window shows the state, and each new notice is written to the console as a line
// of its own.
void platformShowStatus(int side, bool won, bool cheat, int computer, int level, int rule,
                        int opening, const char *notice, unsigned noticeNumber);
