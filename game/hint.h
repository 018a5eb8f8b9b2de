// What the game can show beside the stones: each stone's move number, and a hint, the move the
// engine would play for the side to move in the game as shown, with the line of play it expects
// after it and its judgement of the position. The hint thinks on the computer's thinker (beside
// the game: a thread, or the page's worker), so no frame waits for it. Free of any window or GL
// code: the frame draws what this holds.
#pragma once

#include "engine/search.h"
#include "game/thinker.h"

#include <cstdint>
#include <string>

// 1: every stone shows its move number (off at the start).
extern std::uint8_t moveNumbers;
void toggleMoveNumbers();
// 1: the cursor stone is drawn see-through, so that it is never taken for a placed stone (off at
// the start on the desktop, which draws it as it always has; the page turns it on).
extern std::uint8_t seeThroughCursor;

// The move number of each point's stone, BOARD_CELLS of them, row-major as Board: the number
// of the move that put the stone there (the first move is 1), 0 for an empty point. A stone
// put over another with Cheat has the later number.
void moveNumbersOfBoard(int *numbers);

// Positions the hint's search may look at: the hard level's engine, about a second of it
// (engine::NODES_PER_MS a millisecond), counted in positions so that the same position always
// gets the same hint.
inline constexpr std::int64_t HINT_NODES = 400000;

// A hint as it is shown: the points of its line, the hinted move first, for the side to move
// and then alternating; the score of the move from that side, as engine::SearchInfo has it.
struct HintLine
{
    int rows[ANSWER_LINE_LONGEST];
    int cols[ANSWER_LINE_LONGEST];
    int length = 0;
    std::uint8_t side = 0; // who plays the first: 0 black, 1 white
    int score = 0;
};

// Asks for a hint for the game as shown: false, with a notice why, when none can be given (the
// game is over or online, the computer is to move, swap2's stones are still being placed).
// A hint asked for again while it thinks, or while it is shown, is dropped instead.
bool askHint();
// The h key and the menu's entry: askHint, or the hint dropped when there is one.
void hintKey();
// Drops the hint: one under way never lands, one shown disappears.
void dropHint();
// Drops a hint under way, leaving one shown as it is: what any other key, click or menu entry
// does (turning the board and moving the pointer only look, and leave it thinking).
void cancelHintThought();
// Once a frame: looks whether the hint's answer has come (the slice thinker thinks here for
// about `milliseconds`), and says it on the status line when it has. A hint whose game has
// changed since it was asked for (a stone, an undo, a step, a restart) is dropped.
void lookForHint(int milliseconds);
bool hintThinking();
// The hint as shown, when there is one for the game as it stands now.
const HintLine *shownHint();

// The status line's words for a hint of `point` (its name, j9) by `side` (0 black, 1 white)
// scored `score` from that side: "Hint: j9, black wins in 7" for a five the engine has proved
// (7 moves of the winner's, the five the last), "Hint: j9, white wins in 4" for one it has proved
// against the mover, else its judgement in words (judgementOf).
std::string hintWords(const std::string &point, std::uint8_t side, int score);
// The judgement of a score that is no proved win, from `side`'s view, turned into who is better:
// within EVEN_MARGIN of 0 "even"; up to SLIGHT_MARGIN "black is slightly better" (or white);
// up to CLEAR_MARGIN "black is better"; beyond it "black is much better". The evaluation's units
// are fitted so that a score of 2000 wins about three games in four: 300 is about 54 %, 1000
// about 62 %, 3000 about 82 %.
inline constexpr int EVEN_MARGIN = 300;
inline constexpr int SLIGHT_MARGIN = 1000;
inline constexpr int CLEAR_MARGIN = 3000;
std::string judgementOf(std::uint8_t side, int score);
// Black's share of the game by the same score, 0 to 1, for the bar under the board: 1 a proved
// win of black's, 0 of white's, 0.5 even; between, the logistic curve of the evaluation's fit.
float blackShareOf(std::uint8_t side, int score);
