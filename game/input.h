// The input callbacks: keyboard, view keys, the pointer, the right-button menu and the redraw
// timer.
#pragma once

// Menu entry values.
inline constexpr int MENU_CHEAT = 0;
inline constexpr int MENU_RESTART = 1;

// The key that ends the program.
inline constexpr unsigned char KEY_ESCAPE = 27;

// Milliseconds between the timer's redraw requests.
inline constexpr unsigned TIMER_INTERVAL_MS = 100;

// Finds the board point under the window position (x, y): true with its row and column, false
// when there is none. The pointer's callbacks ask it; the window sets it to the renderer's pick,
// so that this library stays free of GL. Until then the pointer finds no point.
using PointUnder = bool (*)(int x, int y, int *row, int *col);
extern PointUnder pointUnder;

void onKeyboard(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
// A press of the left button on a point places the side to move's stone there, by the rule of
// space; any other button, and a release, does nothing.
void onMouse(int button, int state, int x, int y);
// The pointer moved with a button held (onMotion) or none (onPassiveMotion): while the game runs,
// the cursor goes to the point under it, if there is one.
void onMotion(int x, int y);
void onPassiveMotion(int x, int y);
void onMenu(int value);
void onTimer(int value);
