// "Analyse game": the engine over every move of a game, through the menu as a player reaches it,
// on the slice thinker; the moves it marks, their words, and what stops or drops it.
#include "game/analysis.h"
#include "game/game_state.h"
#include "game/hint.h"
#include "app/input.h"
#include "game/opponent.h"
#include "game_test_support.h"

#include <gtest/gtest.h>

#include <GL/freeglut_std.h>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Frames until the analysis is done, each looking once as onIdle does. Bounded by frames, not by
// time: an analysis that never ends fails.
bool analysisEnds(int frames = 100000)
{
    for (int i = 0; i < frames && analysing(); ++i)
    {
        lookForAnalysis(THINKING_SLICE_MS);
    }
    return !analysing();
}

// Black's open three on row 9 (columns 9 to 11), which white leaves open with its sixth move
// on (2, 2): black's seventh makes it an open four, and black wins with the ninth.
void blunderedGame()
{
    resetGameState();
    places({{9, 9}, {10, 10}, {9, 10}, {8, 8}, {9, 11}, {2, 2}, {9, 12}, {9, 8}, {9, 13}});
}

// The same game up to white's sixth, and black's seventh far off too, on (2, 15): black's win
// missed; white then stops the three at (9, 12).
void twoBlundersGame()
{
    resetGameState();
    places({{9, 9}, {10, 10}, {9, 10}, {8, 8}, {9, 11}, {2, 2}, {2, 15}, {9, 12}});
}

// The same game with white stopping the three at once. Of its six moves only the sixth is the one
// the engine would play itself; the others cost their mover a little by its judgement, the fourth
// the most (about 2600), less than ANALYSIS_DROP_MARGIN.
void soundGame()
{
    resetGameState();
    places({{9, 9}, {10, 10}, {9, 10}, {8, 8}, {9, 11}, {9, 8}});
}

// The points that stop black's open three on row 9 at either end, black's open four's points.
bool endOfTheThree(int row, int col)
{
    return row == 9 && (col == 8 || col == 12);
}

// A point as players name it: the row's letter, the column's number.
std::string name(int row, int col)
{
    std::string words = "a";
    words[0] = static_cast<char>(words[0] + row);
    return words + std::to_string(col + 1);
}

int markedStones()
{
    std::uint8_t marks[BOARD_CELLS];
    analysisMarksOfBoard(marks);
    int count = 0;
    for (std::uint8_t mark : marks)
        count += mark;
    return count;
}

} // namespace

TEST(Analysis, MarksTheMoveThatLeftAnOpenThreeOpenAndNamesTheBlock)
{
    blunderedGame();
    ASSERT_EQ(gameOver, 1);
    EXPECT_STREQ(menuLabel(MENU_ANALYSE), "Analyse game");
    onMenu(MENU_ANALYSE);
    EXPECT_TRUE(analysing());
    EXPECT_EQ(gameNotice, "Analysing: move 1 of 9");
    // The progress, move by move: each said once, in order, up to the last searched (the ninth
    // made five, and the position after it needs no search).
    std::vector<std::string> said{gameNotice};
    for (int i = 0; i < 100000 && analysing(); ++i)
    {
        lookForAnalysis(THINKING_SLICE_MS);
        if (analysing() && gameNotice != said.back())
            said.push_back(gameNotice);
    }
    ASSERT_FALSE(analysing());
    std::vector<std::string> progress;
    for (int move = 1; move <= 8; ++move)
        progress.push_back("Analysing: move " + std::to_string(move) + " of 9");
    EXPECT_EQ(said, progress);

    int count = 0;
    const MarkedMove *marks = analysisMarks(&count);
    ASSERT_EQ(count, 1);
    const MarkedMove &mark = marks[0];
    EXPECT_EQ(mark.number, 6);
    EXPECT_EQ(mark.row, 2);
    EXPECT_EQ(mark.col, 2);
    EXPECT_EQ(mark.side, 1);
    EXPECT_EQ(mark.finding, Finding::LossWalkedInto);
    EXPECT_GT(mark.before, -engine::WIN_THRESHOLD);
    EXPECT_LE(mark.after, -engine::WIN_THRESHOLD);
    EXPECT_TRUE(endOfTheThree(mark.betterRow, mark.betterCol))
        << mark.betterRow << ", " << mark.betterCol;
    const std::string words = "Move 6 (c3) by white: a forced loss walked into; better " +
                              name(mark.betterRow, mark.betterCol);
    EXPECT_EQ(markWords(mark), words);
    EXPECT_EQ(gameNotice, "Analysed 9 moves, 1 marked. " + words);
    // On the board: that stone alone.
    std::uint8_t marked[BOARD_CELLS];
    analysisMarksOfBoard(marked);
    EXPECT_EQ(marked[2 * BOARD_SIZE + 2], 1);
    EXPECT_EQ(markedStones(), 1);
    EXPECT_EQ(stones(), 9); // nothing placed
}

TEST(Analysis, AMissedWinIsMarkedTooAndASteppedToMarkSaysWhatItDid)
{
    twoBlundersGame();
    // Analysed from the empty board: the whole game, the moves not shown included.
    onSpecialKey(GLUT_KEY_HOME, 0, 0);
    ASSERT_EQ(historyLength, 0);
    onMenu(MENU_ANALYSE);
    EXPECT_EQ(gameNotice, "Analysing: move 1 of 8");
    ASSERT_TRUE(analysisEnds());
    int count = 0;
    const MarkedMove *marks = analysisMarks(&count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(marks[0].number, 6);
    EXPECT_EQ(marks[0].finding, Finding::LossWalkedInto);
    EXPECT_EQ(marks[1].number, 7);
    EXPECT_EQ(marks[1].side, 0);
    EXPECT_EQ(marks[1].finding, Finding::WinMissed);
    EXPECT_GE(marks[1].before, engine::WIN_THRESHOLD);
    EXPECT_LT(marks[1].after, engine::WIN_THRESHOLD);
    EXPECT_TRUE(endOfTheThree(marks[1].betterRow, marks[1].betterCol));
    EXPECT_EQ(gameNotice, "Analysed 8 moves, 2 marked. " + markWords(marks[0]));
    EXPECT_EQ(markWords(marks[1]), "Move 7 (c16) by black: a forced win missed; better " +
                                       name(marks[1].betterRow, marks[1].betterCol));
    EXPECT_EQ(markedStones(), 0); // no stone on the empty board

    // Stepped through: a marked move says what it did, the others say where the game stands.
    for (int move = 1; move <= 5; ++move)
        onSpecialKey(GLUT_KEY_PAGE_DOWN, 0, 0);
    EXPECT_EQ(gameNotice, "Move 5 of 8");
    EXPECT_EQ(markedStones(), 0);
    onSpecialKey(GLUT_KEY_PAGE_DOWN, 0, 0);
    EXPECT_EQ(gameNotice, markWords(marks[0]));
    EXPECT_EQ(markedStones(), 1);
    onSpecialKey(GLUT_KEY_PAGE_DOWN, 0, 0);
    EXPECT_EQ(gameNotice, markWords(marks[1]));
    EXPECT_EQ(markedStones(), 2);
    onSpecialKey(GLUT_KEY_PAGE_DOWN, 0, 0);
    EXPECT_EQ(gameNotice, "");
    onSpecialKey(GLUT_KEY_PAGE_UP, 0, 0);
    EXPECT_EQ(gameNotice, markWords(marks[1]));
    onSpecialKey(GLUT_KEY_PAGE_UP, 0, 0);
    onSpecialKey(GLUT_KEY_PAGE_UP, 0, 0);
    EXPECT_EQ(gameNotice, "Move 5 of 8");
    EXPECT_EQ(analysisMarks(&count), marks);
    EXPECT_EQ(count, 2); // stepping keeps them
}

TEST(Analysis, SoundMovesAreNotMarked)
{
    soundGame();
    onMenu(MENU_ANALYSE);
    ASSERT_TRUE(analysisEnds());
    EXPECT_EQ(gameNotice, "Analysed 6 moves, none marked.");
    int count = -1;
    analysisMarks(&count);
    EXPECT_EQ(count, 0);
}

TEST(Analysis, ThinksBesideTheGameOnTheThreadAsInSlices)
{
    blunderedGame();
    useThinker(makeBesideThinker());
    onMenu(MENU_ANALYSE);
    for (int i = 0; i < 60000 && analysing(); ++i)
    {
        lookForAnalysis(THINKING_SLICE_MS);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    int count = 0;
    const MarkedMove *marks = analysisMarks(&count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(marks[0].number, 6);
    useThinker(makeSliceThinker());
}

TEST(Analysis, AnyOtherKeyClickOrEntryStopsItButTurningTheBoardDoesNot)
{
    const std::vector<std::pair<const char *, Action>> actions = {
        {"a key", [] { onKeyboard('m', 0, 0); }},
        {"a step", [] { onSpecialKey(GLUT_KEY_PAGE_UP, 0, 0); }},
        {"a click", [] { onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); }},
        {"another entry", [] { onMenu(MENU_MOVE_NUMBERS); }},
        {"the entry again", [] { onMenu(MENU_ANALYSE); }},
        {"the hint", [] { onKeyboard('h', 0, 0); }},
    };
    for (const auto &[what, action] : actions)
    {
        SCOPED_TRACE(what);
        twoBlundersGame();
        onMenu(MENU_ANALYSE);
        lookForAnalysis(THINKING_SLICE_MS);
        onSpecialKey(GLUT_KEY_LEFT, 0, 0);
        onSpecialKey(GLUT_KEY_UP, 0, 0);
        onPassiveMotion(10, 10);
        ASSERT_TRUE(analysing());
        action();
        EXPECT_FALSE(analysing());
        EXPECT_NE(gameNotice.rfind("Analysing", 0), 0u) << gameNotice;
        for (int i = 0; i < 2000; ++i)
            lookForAnalysis(THINKING_SLICE_MS); // nothing comes of it
        int count = -1;
        analysisMarks(&count);
        EXPECT_EQ(count, 0);
    }
}

// The marks go with the game they were made of: a stone, an undo, a restart, a record opened (the
// same game too) each take them away. A test of its own for each, since each analyses the game
// afresh.
struct MarksGo
{
    const char *name;
    void (*change)();
};
const MarksGo MARKS_GO[] = {
    {"AStone", [] { placeStone(0, 0); }},
    {"AnUndo", [] { onKeyboard('u', 0, 0); }},
    {"AnUndoAndTheSameStoneAgain", [] { undoMove(), placeStone(9, 12); }},
    {"ARestart", [] { onMenu(MENU_RESTART), onKeyboard('y', 0, 0); }},
    {"ARecordOpened",
     []
     {
         const MoveRecord moves[] = {{9, 9, E, 0}, {10, 10, E, 1}};
         showGame(engine::Rule::Freestyle, OPENING_FREE, moves, 2, 0, 0);
     }},
    {"TheSameGameOpened",
     []
     {
         MoveRecord moves[MAX_HISTORY];
         std::copy(moveHistory, moveHistory + historyLength, moves);
         showGame(engine::Rule::Freestyle, OPENING_FREE, moves, historyLength, 0, 0);
     }},
};

void PrintTo(const MarksGo &c, std::ostream *os)
{
    *os << c.name;
}

class AnalysisMarksGo : public testing::TestWithParam<MarksGo>
{
};

TEST_P(AnalysisMarksGo, WhenTheGameChanges)
{
    twoBlundersGame();
    onMenu(MENU_ANALYSE);
    ASSERT_TRUE(analysisEnds());
    int count = 0;
    analysisMarks(&count);
    ASSERT_EQ(count, 2);
    GetParam().change();
    lookForAnalysis(THINKING_SLICE_MS);
    analysisMarks(&count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(markedStones(), 0);
}

INSTANTIATE_TEST_SUITE_P(Analysis, AnalysisMarksGo, testing::ValuesIn(MARKS_GO),
                         [](const testing::TestParamInfo<MarksGo> &info)
                         { return std::string(info.param.name); });

// Chosen again once done, the entry takes the marks away.
TEST(Analysis, TheEntryChosenAgainTakesTheMarksAway)
{
    twoBlundersGame();
    onMenu(MENU_ANALYSE);
    ASSERT_TRUE(analysisEnds());
    onMenu(MENU_ANALYSE);
    int count = -1;
    analysisMarks(&count);
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(analysing());
}

TEST(Analysis, NoneWithoutMovesNorWithTheComputerToMove)
{
    resetGameState();
    onMenu(MENU_ANALYSE);
    EXPECT_FALSE(analysing());
    EXPECT_EQ(gameNotice, "Analyse game: no moves to analyse");
    places({{9, 9}});
    opponent = OPPONENT_WHITE;
    onMenu(MENU_ANALYSE);
    EXPECT_FALSE(analysing());
    EXPECT_EQ(gameNotice, "Analyse game: the computer is to move");
    // Shown before its end the computer waits: the game can be analysed.
    onSpecialKey(GLUT_KEY_PAGE_UP, 0, 0);
    onMenu(MENU_ANALYSE);
    EXPECT_TRUE(analysing());
    EXPECT_EQ(gameNotice, "Analysing: move 1 of 1");
}

TEST(Analysis, WhatAMoveDidByTheJudgementsBeforeAndAfterIt)
{
    const int win = engine::WIN - 7, proved = engine::WIN_THRESHOLD;
    const struct
    {
        int before, after;
        bool marked;
        Finding finding;
    } table[] = {
        {win, win - 2, false, {}},
        {win, proved - 1, true, Finding::WinMissed},
        {win, -win, true, Finding::WinMissed},
        {proved, 0, true, Finding::WinMissed},
        {0, -proved, true, Finding::LossWalkedInto},
        {proved - 1, -win, true, Finding::LossWalkedInto},
        {-win, -win + 4, false, {}}, // lost already
        {-proved, -win, false, {}},
        {0, -ANALYSIS_DROP_MARGIN, false, {}},
        {0, -ANALYSIS_DROP_MARGIN - 1, true, Finding::JudgementFell},
        {2500, 2500 - ANALYSIS_DROP_MARGIN - 1, true, Finding::JudgementFell},
        {-proved + 1, -proved + 1 + ANALYSIS_DROP_MARGIN, false, {}},
        {0, 5000, false, {}},
    };
    for (const auto &row : table)
    {
        Finding finding{};
        EXPECT_EQ(findingOf(row.before, row.after, &finding), row.marked)
            << row.before << " -> " << row.after;
        if (row.marked)
        {
            EXPECT_EQ(finding, row.finding) << row.before << " -> " << row.after;
        }
    }
    MarkedMove fell{12, 9, 9, 0, Finding::JudgementFell, 400, -3200, 10, 9};
    EXPECT_EQ(markWords(fell),
              "Move 12 (j10) by black: the judgement fell from black is slightly better to white "
              "is much better; better k10");
}
