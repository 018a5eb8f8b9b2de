// The clocks at this board, on a time source of the tests' own: how they count, the side out of
// time losing, the menu's entry, the computer's budget from its clock, the window's title and
// the records of a timed game; and a game without a clock as it always was.
#include "app/input.h"
#include "core/record.h"
#include "game/ending.h"
#include "game/local_clock.h"
#include "game/records.h"
#include "tests/fakes/fake_glut.h"
#include "tests/game/game_test_support.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

std::int64_t fakeNow = 0;
std::int64_t fakeTime()
{
    return fakeNow;
}

// Each case begins a new game under its control, with the tests' clock.
class LocalClock : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetGameState();
        fakeNow = 1'000'000;
        setLocalTimeSource(fakeTime);
        chosenTimeControl = core::TimeControl{};
        restartGame();
        clearedGameCount = 0;
        onTimer(1); // the title as an untimed game leaves it, whatever a case before left
        gameNotice.clear();
        fakeGlutCalls().clear();
    }
    void TearDown() override
    {
        chosenTimeControl = gameTimeControl = core::TimeControl{};
        setLocalTimeSource(nullptr);
        resetGameState();
    }
    // A new game under `control` ("3+2", "" for none).
    static void beginWith(const std::string &control)
    {
        ASSERT_TRUE(core::parseTimeControl(control, &chosenTimeControl)) << control;
        restartGame();
        clearedGameCount = 0;
    }
};

// One step of a case: "wait MS", "place ROW COL", "undo", "back", "forward", "restart" or "tick"
// (the timer's callback, which looks at the clocks).
void run(const std::string &step)
{
    std::istringstream words(step);
    std::string verb;
    words >> verb;
    if (verb == "wait")
    {
        std::int64_t ms = 0;
        words >> ms;
        fakeNow += ms;
    }
    else if (verb == "place")
    {
        int row = 0, col = 0;
        words >> row >> col;
        placeStone(row, col);
    }
    else if (verb == "undo")
    {
        undoMove();
    }
    else if (verb == "back")
    {
        stepBack();
    }
    else if (verb == "forward")
    {
        stepForward();
    }
    else if (verb == "restart")
    {
        restartGame();
    }
    else if (verb == "tick")
    {
        onTimer(1);
    }
    else
    {
        FAIL() << "no such step: " << step;
    }
}

// Black's five along row 9, white answering on row 10: nine stones, no time taken.
const std::vector<std::string> BLACK_FIVE = {"place 9 5",  "place 10 5", "place 9 6",
                                             "place 10 6", "place 9 7",  "place 10 7",
                                             "place 9 8",  "place 10 8", "place 9 9"};

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct CountCase
{
    const char *name;
    const char *control;
    std::vector<std::string> steps;
    const char *clocks; // localClockText() afterwards
};

const CountCase COUNT_CASES[] = {
    {"BlacksClockRunsFirst", "3+2", {"wait 2000"}, "Black 2:58 - White 3:00 (3+2)"},
    {"TheMoverGetsItsIncrement",
     "3+2",
     {"wait 2000", "place 9 9", "wait 5000"},
     "Black 3:00 - White 2:55 (3+2)"},
    {"OnlyTheSideToMovesClockRuns",
     "3+2",
     {"place 9 9", "wait 30000", "place 9 10", "wait 1000"},
     "Black 3:01 - White 2:32 (3+2)"},
    {"TenthsUnderTenSeconds", "1+0", {"wait 50550"}, "Black 0:09.4 - White 1:00 (1+0)"},
    {"ATakeBackGivesBackTheTimeSinceTheMoveKept",
     "3+2",
     {"wait 1000", "place 9 9", "wait 4000", "place 9 10", "wait 3000", "undo", "wait 2000"},
     "Black 3:01 - White 2:58 (3+2)"},
    {"NoClockRunsWhileTheGameIsLookedBackOn",
     "3+2",
     {"place 9 9", "wait 1000", "place 9 10", "back", "wait 60000", "forward", "wait 1000"},
     "Black 3:01 - White 3:01 (3+2)"},
    {"TheLoserOfAWonGameOpensOnItsOwnClock", "1+0", joined(BLACK_FIVE, {"restart", "wait 5000"}),
     "Black 1:00 - White 0:55 (1+0)"},
    {"TheClocksStandOnceTheGameIsOver", "1+0",
     joined(joined({"wait 3000"}, BLACK_FIVE), {"wait 100000", "tick"}),
     "Black 0:57 - White 1:00 (1+0)"},
};

void PrintTo(const CountCase &c, std::ostream *out)
{
    *out << c.name;
}

class Counting : public LocalClock, public ::testing::WithParamInterface<CountCase>
{
};

TEST_P(Counting, BothClocksStandAsTheMovesTimesHaveThem)
{
    const CountCase &c = GetParam();
    beginWith(c.control);
    for (const std::string &step : c.steps)
    {
        run(step);
    }
    EXPECT_EQ(localClockText(), c.clocks);
}

INSTANTIATE_TEST_SUITE_P(LocalClock, Counting, ::testing::ValuesIn(COUNT_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

struct FlagCase
{
    const char *name;
    const char *control;
    std::vector<std::string> steps;
    std::uint8_t gameOver;
    int stones;         // on the board afterwards
    const char *notice; // the last notice
};

const FlagCase FLAG_CASES[] = {
    {"BlackOutOfTimeLoses",
     "1+0",
     {"wait 60000", "tick"},
     GAME_LOST_ON_TIME,
     0,
     "Black ran out of time: white wins on time."},
    {"WhiteOutOfTimeLoses",
     "1+0",
     {"place 9 9", "wait 60000", "tick"},
     GAME_LOST_ON_TIME,
     1,
     "White ran out of time: black wins on time."},
    {"AMoveJustInTimeIsPlaced", "1+0", {"wait 59999", "place 9 9", "tick"}, 0, 1, ""},
    {"AMoveAfterTheFlagIsNotPlaced",
     "1+0",
     {"wait 60000", "place 9 9"},
     GAME_LOST_ON_TIME,
     0,
     "Black ran out of time: white wins on time."},
    {"TheIncrementKeepsAClockGoing",
     "3+2",
     {"wait 25000", "place 9 9",  "wait 1000",  "place 0 0",  "wait 25000", "place 9 10",
      "wait 1000",  "place 0 1",  "wait 25000", "place 9 11", "wait 1000",  "place 0 2",
      "wait 25000", "place 9 12", "wait 1000",  "place 0 3",  "wait 25000", "place 2 2",
      "wait 1000",  "place 0 5",  "wait 25000", "place 2 3",  "wait 1000",  "place 0 6",
      "wait 25000", "place 2 4",  "wait 1000",  "place 0 7",  "wait 18999", "tick"},
     0,
     14,
     ""},
    {"TheFlagComesBackAfterALookBack",
     "1+0",
     {"place 9 9", "wait 60000", "tick", "back", "forward"},
     GAME_LOST_ON_TIME,
     1,
     "White ran out of time: black wins on time."},
};

void PrintTo(const FlagCase &c, std::ostream *out)
{
    *out << c.name;
}

class Flag : public LocalClock, public ::testing::WithParamInterface<FlagCase>
{
};

TEST_P(Flag, TheSideOutOfTimeLosesAndNoOtherMoveIsMade)
{
    const FlagCase &c = GetParam();
    beginWith(c.control);
    for (const std::string &step : c.steps)
    {
        run(step);
    }
    EXPECT_EQ(gameOver, c.gameOver);
    EXPECT_EQ(stones(), c.stones);
    EXPECT_EQ(gameNotice, c.notice);
    if (c.gameOver == GAME_LOST_ON_TIME)
    {
        // The side to move lost: the banner, which names the side that moved last, names the
        // other, and its clock shows no time left.
        const core::ClockReading clock = readLocalClock();
        EXPECT_TRUE(clock.flagged);
        EXPECT_EQ(clock.toMove, sideToMove);
        EXPECT_EQ(clock.remainingMs[sideToMove], 0);
        EXPECT_EQ(winDirection, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(LocalClock, Flag, ::testing::ValuesIn(FLAG_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

// Without a clock the game is as it always was: nobody runs out of time, nothing is shown, and a
// move's time is still kept for the records.
TEST_F(LocalClock, WithoutAClockNothingRunsOut)
{
    run("wait 3600000");
    run("tick");
    onIdle();
    run("place 9 9");
    EXPECT_EQ(gameOver, 0);
    EXPECT_EQ(stones(), 1);
    EXPECT_EQ(moveHistory[0].ms, 3600000);
    EXPECT_EQ(localClockText(), "");
    EXPECT_FALSE(localClockWarning());
    for (const GlutCall &call : fakeGlutCalls())
    {
        EXPECT_NE(call.first.rfind("glutSetWindowTitle", 0), 0u) << call.first;
    }
    core::Record record;
    std::string why;
    ASSERT_TRUE(recordOfWindowGame(&record, &why)) << why;
    EXPECT_FALSE(record.control.timed());
    EXPECT_TRUE(record.leftMs.empty());
}

// The window's title carries the clocks, and the warning of the side to move's last ten seconds.
TEST_F(LocalClock, TheTitleShowsTheClocksAndTheLastTenSeconds)
{
    beginWith("1+0");
    const auto lastTitle = []
    {
        std::string title;
        for (const GlutCall &call : fakeGlutCalls())
        {
            if (call.first.rfind("glutSetWindowTitle ", 0) == 0)
            {
                title = call.first.substr(std::string("glutSetWindowTitle ").size());
            }
        }
        return title;
    };
    run("wait 2000");
    run("tick");
    EXPECT_EQ(lastTitle(), "Game - Black 0:58 - White 1:00 (1+0)");
    EXPECT_FALSE(localClockWarning());
    run("wait 48001");
    run("tick");
    EXPECT_TRUE(localClockWarning());
    EXPECT_EQ(lastTitle(), "Game - Black 0:09.9 - White 1:00 (1+0) - Black: under ten seconds!");
    // Back to no clock: the title as it was.
    beginWith("");
    run("tick");
    EXPECT_EQ(lastTitle(), "Game");
}

// The computer's own ten seconds are not the player's to be warned of.
TEST_F(LocalClock, NoWarningOfTheComputersClock)
{
    beginWith("1+0");
    opponent = OPPONENT_BLACK;
    run("wait 55000");
    EXPECT_FALSE(localClockWarning());
    opponent = OPPONENT_WHITE;
    EXPECT_TRUE(localClockWarning());
}

// The menu's entry steps through the controls; on an empty board the game takes it at once,
// with a stone placed only the next game, and a game opened by swap2 none.
TEST_F(LocalClock, TheMenuEntryStepsThroughTheControls)
{
    const char *labels[] = {"Clock: 1+0",  "Clock: 3+2",  "Clock: 5+3",
                            "Clock: 10+5", "Clock: none", "Clock: 1+0"};
    for (const char *label : labels)
    {
        onMenu(MENU_LOCAL_CLOCK);
        EXPECT_STREQ(menuLabel(MENU_LOCAL_CLOCK), label);
        EXPECT_EQ(gameTimeControl, chosenTimeControl) << label;
    }
    EXPECT_EQ(localClockText(), "Black 1:00 - White 1:00 (1+0)");
    run("place 9 9");
    onMenu(MENU_LOCAL_CLOCK);
    EXPECT_STREQ(menuLabel(MENU_LOCAL_CLOCK), "Clock: 3+2");
    EXPECT_EQ(gameNotice, "Clock 3+2: from the next game (Restart).");
    EXPECT_EQ(core::timeControlName(gameTimeControl), "1+0");
    restartGame();
    EXPECT_EQ(core::timeControlName(gameTimeControl), "3+2");
    chooseOpening(OPENING_SWAP2);
    EXPECT_FALSE(localClockTimed());
    EXPECT_EQ(localClockText(), "");
    chooseOpening(OPENING_FREE);
    EXPECT_EQ(core::timeControlName(gameTimeControl), "3+2");
}

// The computer thinks within the brain's match budget of its clock's time left: a share of it,
// less a margin, and never beyond its level's own second.
struct BudgetCase
{
    const char *name;
    std::uint8_t level;
    std::int64_t whiteSpentMs; // of its 60 s, before its turn
    std::int64_t nodes, timeMs, settledMs;
};

const BudgetCase BUDGET_CASES[] = {
    {"HardWithTimeToSpare", LEVEL_HARD, 0, 0, 900, 225},
    {"HardLowOnTime", LEVEL_HARD, 54000, 0, 450, 112},
    {"HardAlmostOut", LEVEL_HARD, 59400, 0, 1, 0},
    {"MediumCountsItsPositionsStill", LEVEL_MEDIUM, 0, 12000, 900, 225},
    {"MediumLowOnTime", LEVEL_MEDIUM, 57600, 12000, 150, 37},
};

void PrintTo(const BudgetCase &c, std::ostream *out)
{
    *out << c.name;
}

class Budget : public LocalClock, public ::testing::WithParamInterface<BudgetCase>
{
};

TEST_P(Budget, TheComputerThinksWithinItsClock)
{
    const BudgetCase &c = GetParam();
    beginWith("1+0");
    computerLevel = c.level;
    run("place 9 9"); // black's, at once: white to move
    fakeNow += c.whiteSpentMs;
    opponent = OPPONENT_WHITE;
    const engine::Limits limits = computerLimits();
    EXPECT_EQ(limits.nodes, c.nodes);
    EXPECT_EQ(limits.timeMs, c.timeMs);
    EXPECT_EQ(limits.settledMs, c.settledMs);
    EXPECT_LE(limits.timeMs, 60000 - c.whiteSpentMs);
}

INSTANTIATE_TEST_SUITE_P(LocalClock, Budget, ::testing::ValuesIn(BUDGET_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

// Without a clock the levels think as they always have.
TEST_F(LocalClock, WithoutAClockTheLevelsKeepTheirOwnLimits)
{
    computerLevel = LEVEL_HARD;
    EXPECT_EQ(computerLimits().timeMs, 1000);
    EXPECT_EQ(computerLimits().nodes, 0);
    EXPECT_EQ(computerLimits().settledMs, 0);
    computerLevel = LEVEL_MEDIUM;
    EXPECT_EQ(computerLimits().timeMs, 0);
    EXPECT_EQ(computerLimits().nodes, 0);
}

// A timed game's records: each move's time, the control, each side's time left after its moves,
// and the loss on time, in SGF as TM, OT, BL and WL and RE[W+T]; read back the same.
TEST_F(LocalClock, TheRecordsCarryTheClocks)
{
    beginWith("3+2");
    for (const char *step : {"wait 2000", "place 9 9", "wait 3000", "place 9 10", "wait 1500",
                             "place 8 8", "wait 179000", "tick"})
    {
        run(step);
    }
    ASSERT_EQ(gameOver, GAME_LOST_ON_TIME);
    core::Record record;
    std::string why;
    ASSERT_TRUE(recordOfWindowGame(&record, &why)) << why;
    EXPECT_EQ(core::timeControlName(record.control), "3+2");
    EXPECT_EQ(record.leftMs, (std::vector<std::int64_t>{180000, 179000, 180500}));
    ASSERT_EQ(record.game.moves().size(), 3u);
    EXPECT_EQ(record.game.moves()[0].ms, 2000);
    EXPECT_EQ(record.game.moves()[1].ms, 3000);
    EXPECT_EQ(record.game.moves()[2].ms, 1500);
    EXPECT_EQ(record.game.result(), (core::Result{core::Ending::Time, core::Colour::Black}));

    const std::string sgf = core::writeSgf(record);
    for (const char *part :
         {"RE[B+T]", "TM[180]", "OT[+2 s a move]", "BL[180]", "WL[179]", "BL[180.5]"})
    {
        EXPECT_NE(sgf.find(part), std::string::npos) << part << " in " << sgf;
    }
    const core::Record back = core::readSgf(sgf);
    EXPECT_EQ(back.control, record.control);
    EXPECT_EQ(back.leftMs, record.leftMs);
    EXPECT_EQ(back.game.result(), record.game.result());
    EXPECT_NE(core::writePsq(record).find(",2000"), std::string::npos);
}

} // namespace
