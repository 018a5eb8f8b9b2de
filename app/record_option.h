// A record named on the command line (gomoku3d FILE.psq, gomoku3d FILE.sgf), opened for review.
#pragma once

// Takes the first argument that names a .psq or .sgf file out of the command line and opens it
// on the board; the rest stays, in its order, for freeglut. A record that cannot be read or is
// refused is reported on standard error and in the game's notice, and the game starts empty.
void openRecordOption(int *argc, char **argv);
