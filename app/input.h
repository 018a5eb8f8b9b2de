// The input callbacks: keyboard, view keys, the pointer, the right-button menu and the redraw
// timer.
#pragma once

#include <string>

// Menu entry values, in the menu's order.
inline constexpr int MENU_CHEAT = 0;
inline constexpr int MENU_RESTART = 1;
inline constexpr int MENU_UNDO = 2;
inline constexpr int MENU_TWO_PLAYERS = 3;
inline constexpr int MENU_COMPUTER_WHITE = 4;
inline constexpr int MENU_COMPUTER_BLACK = 5;
inline constexpr int MENU_EASY = 6;
inline constexpr int MENU_MEDIUM = 7;
inline constexpr int MENU_HARD = 8;
inline constexpr int MENU_FREESTYLE = 9;
inline constexpr int MENU_EXACTLY_FIVE = 10;
inline constexpr int MENU_RENJU = 11;
inline constexpr int MENU_FREE = 12;
inline constexpr int MENU_SWAP2 = 13;
inline constexpr int MENU_SAVE_GAME = 14;
inline constexpr int MENU_PLAY_ON = 15;
inline constexpr int MENU_MOVE_NUMBERS = 16;
inline constexpr int MENU_HINT = 17;
inline constexpr int MENU_ANALYSE = 18;
inline constexpr int MENU_STARTING_VIEW = 19;
// Ending a game other than by a five, at this board or online; and after an online game, a new
// one with the colours swapped.
inline constexpr int MENU_RESIGN = 20;
inline constexpr int MENU_OFFER_DRAW = 21;
inline constexpr int MENU_REMATCH = 22;
// The answers to what the status line asks, each doing what its key does, and each for the time
// it is asked only: swap2's choices (1, 2, 3), the answer to the other player's request to take
// back a move online (y, n), the answer to "Abandon this game?" (y, n) and to an offer of a draw,
// online or at this board (y, n).
inline constexpr int MENU_SWAP2_WHITE = 23;
inline constexpr int MENU_SWAP2_BLACK = 24;
inline constexpr int MENU_SWAP2_TWO = 25;
inline constexpr int MENU_ALLOW_UNDO = 26;
inline constexpr int MENU_REFUSE_UNDO = 27;
inline constexpr int MENU_ABANDON_YES = 28;
inline constexpr int MENU_ABANDON_NO = 29;
// A toggle, as Move numbers: the cursor stone drawn see-through.
inline constexpr int MENU_SEE_THROUGH = 30;
inline constexpr int MENU_ACCEPT_DRAW = 31;
inline constexpr int MENU_DECLINE_DRAW = 32;
// The clock of the games at this board: none, 1+0, 3+2, 5+3, 10+5 in turn (game/local_clock.h).
inline constexpr int MENU_LOCAL_CLOCK = 33;
inline constexpr int MENU_ENTRIES = 34;
// The online game's entries, after the others and apart from them: "Play online" where the game
// knows a server to create a game on (the page), "Leave online game" wherever it can play one.
inline constexpr int MENU_PLAY_ONLINE = 100;
inline constexpr int MENU_LEAVE_ONLINE = 101;
// The page's: the clock of the games it creates online, from none through 1+0, 3+2, 5+3, 10+5.
inline constexpr int MENU_ONLINE_CLOCK = 102;
// Where the page's menu has that entry (1 the first), 0 where it has none; and its label.
extern int onlineClockEntry;
std::string onlineClockLabel();
// The page's: a rated game with a stranger; and the list of live games.
inline constexpr int MENU_PLAY_SOMEONE = 103;
inline constexpr int MENU_LIVE_GAMES = 104;
// What the page does for the entries above that only it has (asking for a name to play as,
// opening the list of live games); none elsewhere.
extern void (*pageEntry)(int value);

// The label of a menu entry as it stands: the choices of opponent, level, rule and opening carry
// a mark, "(*)" on the one in force and "( )" on the others; in an online game every entry of
// local play says that it is not for online games (and does nothing there).
const char *menuLabel(int value);
// Gives the menu's entries their labels as they stand now; the labels change by themselves with
// the choices made in the menu, and the online game's platform calls this when a game starts or
// ends.
void relabelMenu();

// The key that ends the program. On the page, in a game in progress, it asks first.
inline constexpr unsigned char KEY_ESCAPE = 27;

// What the player is asked for now, as bits: each swap2 choice that is theirs to make, the
// answer to the other player's request to take back a move or offer of a draw, and the answer to
// "Abandon this game?", which Restart, a rule, an opening, "Play online", "Leave online game" (and on the page
// Esc) ask in a game in progress (a move played and no winner yet). The game goes on unchanged
// after "no"; the question lapses when the game changes.
inline constexpr int ASKED_SWAP2_WHITE = 1;
inline constexpr int ASKED_SWAP2_BLACK = 2;
inline constexpr int ASKED_SWAP2_TWO = 4;
inline constexpr int ASKED_UNDO_ANSWER = 8;
inline constexpr int ASKED_ABANDON = 16;
inline constexpr int ASKED_DRAW_ANSWER = 32;
int askedNow();
// The question's words.
inline constexpr const char *ABANDON_QUESTION = "Abandon this game? Yes (y) or no (n).";

// Milliseconds between the timer's redraw requests.
inline constexpr unsigned TIMER_INTERVAL_MS = 100;

// Milliseconds of the computer's thinking between two frames.
inline constexpr int THINKING_SLICE_MS = 12;

// Finds the board point under the window position (x, y): true with its row and column, false
// when there is none. The pointer's callbacks ask it; the window sets it to the renderer's pick,
// so that this library stays free of GL. Until then the pointer finds no point.
using PointUnder = bool (*)(int x, int y, int *row, int *col);
extern PointUnder pointUnder;

void onKeyboard(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
// The scene is set up: from now on the idle callback and the timer may ask for frames (in the
// page, the start-up's pauses let them run before it is).
void beginFrames();
// The board turned back to the view it starts in (key v, "Starting view").
void toStartingView();
// A press of the left button on a point places the side to move's stone there, by the rule of
// space; any other button, and a release, does nothing.
void onMouse(int button, int state, int x, int y);
// The pointer moved with a button held (onMotion) or none (onPassiveMotion): while the game runs,
// the cursor goes to the point under it, if there is one.
void onMotion(int x, int y);
void onPassiveMotion(int x, int y);
void onMenu(int value);
void onTimer(int value);
// Between frames: the clocks of a timed game are looked at (the side out of time loses), and the
// computer thinks for a slice when it is its turn.
void onIdle();
// A timed game's clocks where the platform shows them: on the desktop the window's title
// ("Game - Black 2:58 - White 3:00 (3+2)"), in the page a line under the status line; each time
// their words change. Online games show their own.
void showLocalClock();
