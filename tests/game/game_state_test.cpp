// Tests of the game rules: placement and turns, restart, and the five-in-a-row test and scan.
#include "game/game_state.h"
#include "tests/game/game_test_support.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

// A record no rule ever writes by itself, to see whether a check or scan touched the record.
constexpr WinRecord UNTOUCHED_RECORD = {11, 4, 2};

// A straight run of stones of one colour.
struct StoneRun
{
    std::int32_t colour;
    Cell start;
    Cell step;
    int length;
};

void putRuns(const std::vector<StoneRun> &runs)
{
    for (const StoneRun &run : runs)
    {
        putLine(run.colour, run.start.row, run.start.col, run.step.row, run.step.col, run.length);
    }
}

constexpr Cell ALONG_ROW = {0, 1};
constexpr Cell ALONG_DIAGONAL = {1, 1};
constexpr Cell ALONG_COLUMN = {1, 0};
constexpr Cell ALONG_ANTIDIAGONAL = {1, -1};

// A board laid out by runs of stones and the record a scan must leave: none means the scan
// must change nothing.
struct ScanCase
{
    const char *name;
    std::vector<StoneRun> runs;
    std::optional<WinRecord> expected;
};

void PrintTo(const ScanCase &c, std::ostream *out)
{
    *out << c.name;
}

std::string scanCaseName(const testing::TestParamInfo<ScanCase> &info)
{
    return info.param.name;
}

class Placement : public GameStateTest
{
};
class Restart : public GameStateTest
{
};
class FiveDetection : public GameStateTest
{
};
class CheckFiveAt : public GameStateTest
{
};

//=== Placement and turns

TEST_F(Placement, BlackMovesFirst)
{
    placeStone(3, 4);

    EXPECT_EQ(cellAt(3, 4), CELL_BLACK);
    EXPECT_EQ(sideToMove, 1);
    EXPECT_EQ(stoneCount(), 1);
}

TEST_F(Placement, SidesAlternate)
{
    const Cell moves[] = {{0, 0}, {17, 17}, {5, 9}, {9, 5}, {12, 1}, {1, 12}};
    std::int32_t expectedColour = CELL_BLACK;
    for (Cell move : moves)
    {
        placeStone(move.row, move.col);
        EXPECT_EQ(cellAt(move.row, move.col), expectedColour)
            << "at (" << move.row << ", " << move.col << ")";
        EXPECT_EQ(sideToMove, expectedColour == CELL_BLACK ? 1 : 0);
        expectedColour = -expectedColour;
    }
    EXPECT_EQ(stoneCount(), 6);
    EXPECT_EQ(gameOver, 0);
}

TEST_F(Placement, RefusesAnOccupiedCellOutsideCheatMode)
{
    struct Case
    {
        std::int32_t occupant;
        std::uint8_t side;
    };
    const Case cases[] = {
        {CELL_BLACK, 0}, // black on black
        {CELL_BLACK, 1}, // white on black
        {CELL_WHITE, 0}, // black on white
        {CELL_WHITE, 1}, // white on white
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(testing::Message() << "occupant " << c.occupant << ", side " << int(c.side));
        resetGameState();
        putStones(c.occupant, {{6, 7}});
        sideToMove = c.side;
        GameSnapshot before = takeSnapshot();

        placeStone(6, 7);

        EXPECT_EQ(takeSnapshot(), before);
    }
}

TEST_F(Placement, CheatModeReplacesTheOtherSidesStoneAndPassesTheTurn)
{
    struct Case
    {
        std::uint8_t side;
        std::int32_t occupant;
        std::int32_t placed;
    };
    const Case cases[] = {
        {0, CELL_WHITE, CELL_BLACK},
        {1, CELL_BLACK, CELL_WHITE},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(testing::Message() << "side " << int(c.side));
        resetGameState();
        cheatMode = 1;
        putStones(c.occupant, {{0, 17}, {1, 16}});
        sideToMove = c.side;

        placeStone(0, 17);

        EXPECT_EQ(cellAt(0, 17), c.placed);
        EXPECT_EQ(cellAt(1, 16), c.occupant);
        EXPECT_EQ(stoneCount(), 2);
        EXPECT_EQ(sideToMove, c.side ^ 1);
        EXPECT_EQ(cheatMode, 1);
    }
}

TEST_F(Placement, CheatModeOnOnesOwnStoneKeepsTheBoardButPassesTheTurn)
{
    const std::uint8_t sides[] = {0, 1};
    for (std::uint8_t side : sides)
    {
        SCOPED_TRACE(testing::Message() << "side " << int(side));
        resetGameState();
        cheatMode = 1;
        putStones(side == 0 ? CELL_BLACK : CELL_WHITE, {{12, 3}});
        putStones(side == 0 ? CELL_WHITE : CELL_BLACK, {{12, 4}});
        sideToMove = side;
        GameSnapshot before = takeSnapshot();

        placeStone(12, 3);

        EXPECT_EQ(takeSnapshot().board, before.board);
        EXPECT_EQ(sideToMove, side ^ 1);
    }
}

TEST_F(Placement, CheatModeOnAnEmptyCellPlacesAsUsual)
{
    cheatMode = 1;
    placeStone(9, 9);
    placeStone(9, 10);

    EXPECT_EQ(cellAt(9, 9), CELL_BLACK);
    EXPECT_EQ(cellAt(9, 10), CELL_WHITE);
    EXPECT_EQ(stoneCount(), 2);
    EXPECT_EQ(sideToMove, 0);
}

TEST_F(Placement, RefusesCellsOffTheBoard)
{
    const Cell cells[] = {{-1, 0},  {0, -1},  {18, 0},  {0, 18},        {-1, -1},
                          {18, 18}, {-1, 17}, {17, 18}, {100, -100},    {-19, 9},
                          {9, 27},  {27, 9},  {18, -1}, {INT32_MIN, 0}, {0, INT32_MAX}};
    for (std::uint8_t cheat : {std::uint8_t{0}, std::uint8_t{1}})
    {
        for (Cell cell : cells)
        {
            SCOPED_TRACE(testing::Message()
                         << "(" << cell.row << ", " << cell.col << "), cheat " << int(cheat));
            resetGameState();
            cheatMode = cheat;
            putStones(CELL_WHITE, {{0, 0}, {17, 17}, {9, 9}});
            GameSnapshot before = takeSnapshot();

            placeStone(cell.row, cell.col);

            EXPECT_EQ(takeSnapshot(), before);
        }
    }
}

TEST_F(Placement, AFullBoardRefusesEveryPlacementOutsideCheatMode)
{
    // Pairs of each colour, shifted by one column every row: no five along any line.
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            cellAt(row, col) = (row + 2 * col) % 4 < 2 ? CELL_BLACK : CELL_WHITE;
        }
    }
    ASSERT_TRUE(allFives().empty());
    GameSnapshot before = takeSnapshot();

    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            placeStone(row, col);
        }
    }

    EXPECT_EQ(takeSnapshot(), before);
}

TEST_F(Placement, AFiveEndsTheGameAtOnce)
{
    struct Case
    {
        const char *name;
        std::uint8_t side;
        std::uint8_t cheat;
        std::int32_t occupant; // what the completing cell holds before the placement
        WinRecord expected;
    };
    const Case cases[] = {
        {"black on an empty cell", 0, 0, CELL_EMPTY, {4, 8, 1}},
        {"white on an empty cell", 1, 0, CELL_EMPTY, {4, 8, 1}},
        {"black over a white stone in cheat mode", 0, 1, CELL_WHITE, {4, 8, 1}},
        {"white over a black stone in cheat mode", 1, 1, CELL_BLACK, {4, 8, 1}},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        std::int32_t own = c.side == 0 ? CELL_BLACK : CELL_WHITE;
        putStones(own, {{4, 6}, {4, 7}, {4, 9}, {4, 10}});
        cellAt(4, 8) = c.occupant;
        sideToMove = c.side;
        cheatMode = c.cheat;

        placeStone(4, 8);

        EXPECT_EQ(gameOver, 1);
        EXPECT_EQ(recordedWin(), c.expected);
        EXPECT_EQ(sideToMove, c.side ^ 1); // the side not to move is the winner
    }
}

TEST_F(Placement, AMoveThatMakesNoFiveLeavesTheRecordAlone)
{
    setWinRecord(UNTOUCHED_RECORD);
    putStones(CELL_BLACK, {{4, 6}, {4, 7}, {4, 9}});

    placeStone(4, 8);

    EXPECT_EQ(gameOver, 0);
    EXPECT_EQ(recordedWin(), UNTOUCHED_RECORD);
}

//=== Restart

TEST_F(Restart, ClearsTheBoardCentresTheCursorAndResumesPlay)
{
    putLine(CELL_BLACK, 2, 2, 1, 1, 5);
    putStones(CELL_WHITE, {{0, 0}, {17, 17}, {0, 17}, {17, 0}});
    cursorX = 14;
    cursorY = -23;
    cheatMode = 1;
    gameOver = 1;

    restartGame();

    EXPECT_EQ(stoneCount(), 0);
    EXPECT_EQ(cursorX, 0);
    EXPECT_EQ(cursorY, 0);
    EXPECT_EQ(cheatMode, 0);
    EXPECT_EQ(gameOver, 0);
}

TEST_F(Restart, KeepsTheSideToMoveTheRecordAndTheView)
{
    for (std::uint8_t side : {std::uint8_t{0}, std::uint8_t{1}})
    {
        SCOPED_TRACE(testing::Message() << "side " << int(side));
        resetGameState();
        sideToMove = side;
        setWinRecord({3, 4, 2});
        gameOver = 1;
        viewPitch = 35.0f;
        viewYaw = 270.0f;

        restartGame();

        EXPECT_EQ(sideToMove, side);
        EXPECT_EQ(recordedWin(), (WinRecord{3, 4, 2}));
        EXPECT_EQ(viewPitch, 35.0f);
        EXPECT_EQ(viewYaw, 270.0f);
    }
}

TEST_F(Restart, TheLoserMovesFirstAfterAWin)
{
    struct Case
    {
        const char *name;
        std::uint8_t winnerSide;
        std::int32_t loserColour;
    };
    const Case cases[] = {
        {"black won", 0, CELL_WHITE},
        {"white won", 1, CELL_BLACK},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        sideToMove = c.winnerSide;
        std::int32_t winner = c.winnerSide == 0 ? CELL_BLACK : CELL_WHITE;
        putStones(winner, {{10, 1}, {11, 1}, {12, 1}, {13, 1}});
        placeStone(14, 1);
        ASSERT_EQ(gameOver, 1);

        restartGame();
        placeStone(9, 9);

        EXPECT_EQ(cellAt(9, 9), c.loserColour);
        EXPECT_EQ(stoneCount(), 1);
        EXPECT_EQ(gameOver, 0);
    }
}

//=== Five-in-a-row scan

class ScanEdgeCases : public GameStateTest, public testing::WithParamInterface<ScanCase>
{
};

TEST_P(ScanEdgeCases, LeavesTheExpectedRecord)
{
    const ScanCase &c = GetParam();
    putRuns(c.runs);
    setWinRecord(UNTOUCHED_RECORD);
    GameSnapshot before = takeSnapshot();

    scanForFive();

    if (c.expected)
    {
        EXPECT_EQ(gameOver, 1);
        EXPECT_EQ(recordedWin(), *c.expected);
        EXPECT_EQ(takeSnapshot().board, before.board);
        scanForFive(); // every later scan finds the same five again
        EXPECT_EQ(recordedWin(), *c.expected);
    }
    else
    {
        EXPECT_EQ(takeSnapshot(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boards, ScanEdgeCases,
    testing::Values(
        ScanCase{"EmptyBoard", {}, std::nullopt},
        ScanCase{"OpenFourIsNoFive", {{CELL_BLACK, {8, 6}, ALONG_ROW, 4}}, std::nullopt},
        ScanCase{"BlackRowZeroFromTheLeftEdge",
                 {{CELL_BLACK, {0, 0}, ALONG_ROW, 5}},
                 WinRecord{0, 2, DIR_ROW}},
        ScanCase{"WhiteLastColumnToTheBottomEdge",
                 {{CELL_WHITE, {13, 17}, ALONG_COLUMN, 5}},
                 WinRecord{15, 17, DIR_COLUMN}},
        ScanCase{"DiagonalFromTheTopLeftCorner",
                 {{CELL_BLACK, {0, 0}, ALONG_DIAGONAL, 5}},
                 WinRecord{2, 2, DIR_DIAGONAL}},
        ScanCase{"AntidiagonalFromTheTopEdge",
                 {{CELL_WHITE, {0, 4}, ALONG_ANTIDIAGONAL, 5}},
                 WinRecord{2, 2, DIR_ANTIDIAGONAL}},
        ScanCase{"BlackFirstColumnFromTheTopEdge",
                 {{CELL_BLACK, {0, 0}, ALONG_COLUMN, 5}},
                 WinRecord{2, 0, DIR_COLUMN}},
        ScanCase{"RowRunningOnIntoTheNextRowIsNoFive",
                 {{CELL_BLACK, {5, 16}, ALONG_ROW, 2}, {CELL_BLACK, {6, 0}, ALONG_ROW, 3}},
                 std::nullopt},
        ScanCase{"SixInARowRecordsTheLaterCentre",
                 {{CELL_BLACK, {7, 3}, ALONG_ROW, 6}},
                 WinRecord{7, 6, DIR_ROW}},
        ScanCase{"RowAndColumnThroughOneStoneRecordTheColumn",
                 {{CELL_BLACK, {9, 7}, ALONG_ROW, 5}, {CELL_BLACK, {7, 9}, ALONG_COLUMN, 5}},
                 WinRecord{9, 9, DIR_COLUMN}},
        ScanCase{"FiveCellsOfMixedColoursIsNoFive",
                 {{CELL_BLACK, {3, 3}, ALONG_DIAGONAL, 5}, {CELL_WHITE, {5, 5}, ALONG_ROW, 1}},
                 std::nullopt},
        ScanCase{"FourEachSideOfAnEmptyCellIsNoFive",
                 {{CELL_WHITE, {10, 0}, ALONG_ROW, 4}, {CELL_WHITE, {10, 5}, ALONG_ROW, 4}},
                 std::nullopt}),
    scanCaseName);

class ScanWithSeveralFives : public GameStateTest, public testing::WithParamInterface<ScanCase>
{
};

TEST_P(ScanWithSeveralFives, RecordsTheHighestCentreThenTheHighestDirection)
{
    const ScanCase &c = GetParam();
    putRuns(c.runs);
    setWinRecord(UNTOUCHED_RECORD);

    scanForFive();

    EXPECT_EQ(gameOver, 1);
    EXPECT_EQ(recordedWin(), *c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Boards, ScanWithSeveralFives,
    testing::Values(
        ScanCase{"TwoFivesOfDifferentColours",
                 {{CELL_BLACK, {2, 0}, ALONG_ROW, 5}, {CELL_WHITE, {8, 10}, ALONG_COLUMN, 5}},
                 WinRecord{10, 10, DIR_COLUMN}},
        ScanCase{"BlackFiveBelowAWhiteOne",
                 {{CELL_WHITE, {0, 0}, ALONG_ROW, 5}, {CELL_BLACK, {17, 13}, ALONG_ROW, 5}},
                 WinRecord{17, 15, DIR_ROW}},
        ScanCase{"WhiteFiveBelowABlackOne",
                 {{CELL_BLACK, {0, 0}, ALONG_COLUMN, 5}, {CELL_WHITE, {10, 10}, ALONG_DIAGONAL, 5}},
                 WinRecord{12, 12, DIR_DIAGONAL}},
        ScanCase{"LaterCentreBeatsAHigherDirection",
                 {{CELL_BLACK, {3, 7}, ALONG_ANTIDIAGONAL, 5}, {CELL_BLACK, {5, 4}, ALONG_ROW, 5}},
                 WinRecord{5, 6, DIR_ROW}},
        ScanCase{"CentreCountsNotWhereTheFiveStarts",
                 {{CELL_WHITE, {2, 3}, ALONG_COLUMN, 5}, {CELL_WHITE, {3, 8}, ALONG_ROW, 5}},
                 WinRecord{4, 3, DIR_COLUMN}},
        ScanCase{"RowAndDiagonalThroughOneCentre",
                 {{CELL_BLACK, {9, 7}, ALONG_ROW, 5}, {CELL_BLACK, {7, 7}, ALONG_DIAGONAL, 5}},
                 WinRecord{9, 9, DIR_DIAGONAL}},
        ScanCase{"AllFourDirectionsThroughOneCentre",
                 {{CELL_WHITE, {9, 7}, ALONG_ROW, 5},
                  {CELL_WHITE, {7, 7}, ALONG_DIAGONAL, 5},
                  {CELL_WHITE, {7, 9}, ALONG_COLUMN, 5},
                  {CELL_WHITE, {7, 11}, ALONG_ANTIDIAGONAL, 5}},
                 WinRecord{9, 9, DIR_ANTIDIAGONAL}},
        ScanCase{"SevenOnADiagonalRecordsTheLastCentre",
                 {{CELL_BLACK, {3, 3}, ALONG_DIAGONAL, 7}},
                 WinRecord{7, 7, DIR_DIAGONAL}},
        ScanCase{"SixInAColumnRecordsTheLowerCentre",
                 {{CELL_WHITE, {10, 4}, ALONG_COLUMN, 6}},
                 WinRecord{13, 4, DIR_COLUMN}}),
    scanCaseName);

TEST_F(FiveDetection, FindsAFiveOfEitherColourAtEveryPossibleCentre)
{
    const std::int32_t colours[] = {CELL_BLACK, CELL_WHITE};
    const Cell steps[] = {ALONG_ROW, ALONG_DIAGONAL, ALONG_COLUMN, ALONG_ANTIDIAGONAL};
    for (std::int32_t colour : colours)
    {
        for (std::int32_t direction = DIR_ROW; direction <= DIR_ANTIDIAGONAL; ++direction)
        {
            Cell step = steps[direction - 1];
            for (int row = 0; row < BOARD_SIZE; ++row)
            {
                for (int col = 0; col < BOARD_SIZE; ++col)
                {
                    int firstRow = row - 2 * step.row;
                    int firstCol = col - 2 * step.col;
                    if (!cellOnBoard(firstRow, firstCol) ||
                        !cellOnBoard(row + 2 * step.row, col + 2 * step.col))
                    {
                        continue; // no five of this direction fits around this centre
                    }
                    SCOPED_TRACE(testing::Message() << "colour " << colour << ", centre (" << row
                                                    << ", " << col << "), direction " << direction);
                    resetGameState();
                    putLine(colour, firstRow, firstCol, step.row, step.col, 5);

                    scanForFive();

                    ASSERT_EQ(gameOver, 1);
                    ASSERT_EQ(recordedWin(), (WinRecord{row, col, direction}));
                }
            }
        }
    }
}

TEST_F(FiveDetection, IgnoresRunsOfFlatIndicesThatCrossARowEnd)
{
    // Five cells whose flat indices step by 1, 19 or 17 form a line only when no step wraps from
    // one row's end to the next row's start; every wrapping run must go unnoticed.
    struct Stride
    {
        int flatStep;
        Cell step;
    };
    const Stride strides[] = {{1, ALONG_ROW}, {19, ALONG_DIAGONAL}, {17, ALONG_ANTIDIAGONAL}};
    for (Stride stride : strides)
    {
        int wrappingRuns = 0;
        for (int first = 0; first + 4 * stride.flatStep < BOARD_CELLS; ++first)
        {
            bool isLine = true;
            for (int i = 1; i < 5; ++i)
            {
                int previous = first + (i - 1) * stride.flatStep;
                int current = first + i * stride.flatStep;
                isLine = isLine &&
                         current / BOARD_SIZE - previous / BOARD_SIZE == stride.step.row &&
                         current % BOARD_SIZE - previous % BOARD_SIZE == stride.step.col;
            }
            if (isLine)
            {
                continue;
            }
            ++wrappingRuns;
            SCOPED_TRACE(testing::Message()
                         << "flat step " << stride.flatStep << ", first index " << first);
            resetGameState();
            for (int i = 0; i < 5; ++i)
            {
                Board[first + i * stride.flatStep] = CELL_BLACK;
            }

            scanForFive();

            ASSERT_EQ(gameOver, 0);
        }
        EXPECT_GT(wrappingRuns, 0) << "flat step " << stride.flatStep;
    }
}

TEST_F(FiveDetection, ScanNeverClearsGameOverOrTheRecord)
{
    struct Case
    {
        const char *name;
        std::vector<StoneRun> runs;
    };
    const Case cases[] = {
        {"empty board", {}},
        {"a four", {{CELL_WHITE, {1, 1}, ALONG_COLUMN, 4}}},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        putRuns(c.runs);
        gameOver = 1;
        setWinRecord({3, 4, 2});

        scanForFive();

        EXPECT_EQ(gameOver, 1);
        EXPECT_EQ(recordedWin(), (WinRecord{3, 4, 2}));
    }
}

//=== The per-cell test

TEST_F(CheckFiveAt, DoesNothingOnAnEmptyCell)
{
    struct Case
    {
        const char *name;
        std::vector<StoneRun> runs;
        Cell tested;
    };
    const Case cases[] = {
        {"empty board, centre cell", {}, {9, 9}},
        {"empty board, corner", {}, {17, 0}},
        {"gap in a black row",
         {{CELL_BLACK, {9, 7}, ALONG_ROW, 2}, {CELL_BLACK, {9, 10}, ALONG_ROW, 2}},
         {9, 9}},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        putRuns(c.runs);
        setWinRecord(UNTOUCHED_RECORD);
        GameSnapshot before = takeSnapshot();

        checkFiveAt(c.tested.row, c.tested.col);

        EXPECT_EQ(takeSnapshot(), before);
    }
}

TEST_F(CheckFiveAt, FindsOnlyTheFiveCentredOnTheTestedStone)
{
    putLine(CELL_WHITE, 9, 5, 0, 1, 5); // centre (9, 7)
    setWinRecord(UNTOUCHED_RECORD);
    for (int col : {5, 6, 8, 9})
    {
        checkFiveAt(9, col);
        EXPECT_EQ(gameOver, 0) << "column " << col;
    }
    EXPECT_EQ(recordedWin(), UNTOUCHED_RECORD);

    checkFiveAt(9, 7);

    EXPECT_EQ(gameOver, 1);
    EXPECT_EQ(recordedWin(), (WinRecord{9, 7, DIR_ROW}));
}

TEST_F(CheckFiveAt, TestsEachStoneAgainstItsOwnColour)
{
    putStones(CELL_BLACK, {{9, 7}, {9, 8}, {9, 10}, {9, 11}});
    putStones(CELL_WHITE, {{9, 9}});
    setWinRecord(UNTOUCHED_RECORD);

    checkFiveAt(9, 9);

    EXPECT_EQ(gameOver, 0);
    EXPECT_EQ(recordedWin(), UNTOUCHED_RECORD);
}

TEST_F(CheckFiveAt, LeavesTheBoardAndTurnAlone)
{
    putLine(CELL_BLACK, 4, 4, 1, 1, 5);
    sideToMove = 1;
    cheatMode = 1;
    cursorX = -3;
    GameSnapshot before = takeSnapshot();

    checkFiveAt(6, 6);

    GameSnapshot after = takeSnapshot();
    after.gameOver = before.gameOver;
    after.win = before.win;
    EXPECT_EQ(after, before);
    EXPECT_EQ(gameOver, 1);
}

} // namespace
