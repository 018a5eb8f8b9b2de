// The online game's connection to the server, for the program's start-up: the desktop game joins
// the game of `--join LINK`; the page joins the game its address names (?game=ID) and creates one
// from its menu's "Play online".
#pragma once

// Takes the program's own options out of the command line, before freeglut reads the rest:
// `--join LINK` on the desktop. False, with the reason on standard error, when they are wrong.
bool takeOnlineOptions(int *argc, char **argv);

// After the window: connects the online game to the platform's connection, adds the online
// game's menu entries to the window's menu, and joins the game asked for, if any.
void startOnlineSession();
