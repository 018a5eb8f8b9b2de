// The input callbacks: keyboard, view keys, the right-button menu and the redraw timer.
#pragma once

// Menu entry values.
inline constexpr int MENU_CHEAT = 0;
inline constexpr int MENU_RESTART = 1;

// The key that ends the program.
inline constexpr unsigned char KEY_ESCAPE = 27;

// Milliseconds between the timer's redraw requests.
inline constexpr unsigned TIMER_INTERVAL_MS = 100;

void onKeyboard(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
void onMenu(int value);
void onTimer(int value);
