// The game's window: freeglut set up, the window "Game" opened with its right-button menu, and
// every callback of the program registered.
#pragma once

// Initialises freeglut with the command line (it takes out its own options), opens the 800 x 600
// window "Game", builds the menu, registers the callbacks and arms the first timer.
void createWindowAndMenu(int *argc, char **argv);
