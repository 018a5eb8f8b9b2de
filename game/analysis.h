// "Analyse game": the engine goes over every move of the game on the board, the moves after the
// one shown included, one position at a time on the computer's thinker (beside the game, as the
// hint thinks), and marks the moves that threw away the mover's prospects, each with the move it
// would have played instead. Free of any window or GL code: the frame draws the marks this holds.
#pragma once

#include "engine/search.h"

#include <cstdint>
#include <string>

// Positions the engine looks at in each position of the game, whatever the level chosen: the
// same game always gets the same marks.
inline constexpr std::int64_t ANALYSIS_NODES = 200000;

// How far the engine's judgement of the mover's prospects, in the evaluation's units (hint.h),
// may fall over one move, neither side having a proved win before or after, before the move is
// marked: the hint's CLEAR_MARGIN, as far as from "even" to "much better" (from a share of 50 %
// to 18 %). The judgements of one game's positions, each searched to its own depth, wander by
// several hundred from a move to the next with no mistake made, and an ordinary slip by a
// thousand or two.
inline constexpr int ANALYSIS_DROP_MARGIN = 3000;

// What a marked move did.
enum class Finding : std::uint8_t
{
    WinMissed,      // the engine had proved a win for the mover before it, and not after
    LossWalkedInto, // no proved loss for the mover before it, a proved loss after
    JudgementFell,  // the judgement fell by more than ANALYSIS_DROP_MARGIN
};

// A marked move: its number in the game (the first move is 1), its point and mover, what it
// did, the engine's judgement from the mover's side before and after it (as SearchInfo scores
// it), and the point the engine would have played.
struct MarkedMove
{
    int number = 0;
    int row = 0, col = 0;
    std::uint8_t side = 0; // 0 black, 1 white
    Finding finding = Finding::JudgementFell;
    int before = 0, after = 0;
    int betterRow = 0, betterCol = 0;
};

// The menu's "Analyse game": begins the analysis of the whole game, or stops the one under way,
// or takes away the marks of one done. Refused, with a notice why, in an online game, with the
// computer to move, or with no move made.
void analyseKey();
bool startAnalysis();
// Stops an analysis under way, leaving nothing of it: what any key other than the view keys, a
// click and any other menu entry does.
void cancelAnalysis();
// Drops the analysis, under way or done, and its marks.
void dropAnalysis();
// Once a frame: looks whether the engine's answer for the position under way has come (the
// slice thinker thinks here for about `milliseconds`), takes it and hands on the next position,
// saying how far it has gone on the status line; at the end says how many moves were marked and
// the first. A game that has changed since (a stone, an undo, a restart, a record opened; not a
// step through it) drops it, marks and all.
void lookForAnalysis(int milliseconds);
bool analysing();
// The marks of the game on the board, once its analysis is done and while it is the game that was
// analysed: `count` of them, in the order of the moves.
const MarkedMove *analysisMarks(int *count);
// The marks on the stones of the board as shown, BOARD_CELLS of them, row-major as Board: 1 on a
// marked move's stone, 0 elsewhere (a move not made yet in the game as shown has no stone).
void analysisMarksOfBoard(std::uint8_t *marks);
// When the move shown last (the one a step has just come to) is marked, says what it did.
void sayMarkOfShownMove();

// What a move did to its mover's prospects, judged `before` and `after` it from the mover's side
// as SearchInfo scores them: false when it is not marked.
bool findingOf(int before, int after, Finding *finding);

// The words of a mark: "Move 17 (j9) by black: a forced win missed; better k10".
std::string markWords(const MarkedMove &mark);
