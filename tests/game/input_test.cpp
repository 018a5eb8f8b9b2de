// Tests of the input callbacks: the play keys, the view keys, the menu and the redraw timer,
// with freeglut replaced by a recording fake.
#include "game/input.h"
#include "game/game_state.h"
#include "tests/fakes/fake_glut.h"
#include "tests/game/game_test_support.h"

#include <GL/freeglut_std.h>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace
{

// Every input test starts from a fresh process with no freeglut call recorded.
class InputTest : public GameStateTest
{
protected:
    void SetUp() override
    {
        GameStateTest::SetUp();
        fakeGlutReset();
    }
};

class Keyboard : public InputTest
{
};
class KeyboardDeathTest : public InputTest
{
};
class PlayAfterAFive : public InputTest
{
};
class ViewKeys : public InputTest
{
};
class Menu : public InputTest
{
};
class Timer : public InputTest
{
};

void pressKeys(std::string_view keys)
{
    for (char key : keys)
    {
        onKeyboard(static_cast<unsigned char>(key), 0, 0);
    }
}

void pressSpecial(int key, int times)
{
    for (int i = 0; i < times; ++i)
    {
        onSpecialKey(key, 0, 0);
    }
}

// The keys that take the cursor from where it is to the offsets (x, y).
std::string keysToReach(int x, int y)
{
    std::string keys;
    keys.append(x > cursorX ? x - cursorX : 0, 'd');
    keys.append(x < cursorX ? cursorX - x : 0, 'a');
    keys.append(y > cursorY ? y - cursorY : 0, 'w');
    keys.append(y < cursorY ? cursorY - y : 0, 's');
    return keys;
}

// Moves the cursor to the cell (row, col) with the cursor keys and presses space.
void playAt(Cell cell)
{
    pressKeys(keysToReach(cell.row - BOARD_CENTRE, cell.col - BOARD_CENTRE));
    pressKeys(" ");
}

// Leaves a game that black has won along row 3, white to move, the cursor on an empty cell.
void endGameWithBlackFive()
{
    putLine(CELL_BLACK, 3, 2, 0, 1, 5);
    putStones(CELL_WHITE, {{4, 2}, {4, 3}, {4, 4}, {4, 5}});
    sideToMove = 1;
    scanForFive();
    cursorX = 2;
    cursorY = -1;
}

//=== Keyboard

TEST_F(Keyboard, CursorKeysMoveTheCursorInEitherCase)
{
    struct Case
    {
        unsigned char key;
        int dx;
        int dy;
    };
    const Case cases[] = {
        {'a', -1, 0}, {'A', -1, 0}, {'d', +1, 0}, {'D', +1, 0},
        {'s', 0, -1}, {'S', 0, -1}, {'w', 0, +1}, {'W', 0, +1},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(testing::Message() << "key '" << c.key << "'");
        resetGameState();
        fakeGlutReset();
        cursorX = 3;
        cursorY = -4;
        GameSnapshot expected = takeSnapshot();
        expected.cursorX += c.dx;
        expected.cursorY += c.dy;

        onKeyboard(c.key, 0, 0);

        EXPECT_EQ(takeSnapshot(), expected);
        EXPECT_EQ(fakeGlutRedisplayCount(), 1);
    }
}

TEST_F(Keyboard, CursorOffsetsAreUnlimited)
{
    struct Case
    {
        char key;
        int presses;
        std::int32_t expectedX;
        std::int32_t expectedY;
    };
    const Case cases[] = {
        {'d', 9, 9, 0},     // one row beyond the last row
        {'a', 10, -10, 0},  // one row before the first
        {'w', 9, 0, 9},     // one column beyond the last
        {'s', 10, 0, -10},  // one column before the first
        {'D', 250, 250, 0}, // far off in any direction
        {'S', 300, 0, -300},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.presses << " x '" << c.key << "'");
        resetGameState();

        pressKeys(std::string(c.presses, c.key));

        EXPECT_EQ(cursorX, c.expectedX);
        EXPECT_EQ(cursorY, c.expectedY);
    }
}

TEST_F(Keyboard, SpaceAtTheStartPutsBlackOnTheCentre)
{
    onKeyboard(' ', 0, 0);

    EXPECT_EQ(cellAt(9, 9), CELL_BLACK);
    EXPECT_EQ(stoneCount(), 1);
    EXPECT_EQ(sideToMove, 1);
    EXPECT_EQ(fakeGlutRedisplayCount(), 1);
}

TEST_F(Keyboard, SpaceTwiceOnOneCellPlacesOnlyOnce)
{
    pressKeys("  ");

    EXPECT_EQ(cellAt(9, 9), CELL_BLACK);
    EXPECT_EQ(stoneCount(), 1);
    EXPECT_EQ(sideToMove, 1);
    EXPECT_EQ(fakeGlutRedisplayCount(), 2);
}

TEST_F(Keyboard, SpacePlacesOnTheCursorsCell)
{
    const Cell cells[] = {{0, 0}, {17, 17}, {0, 17}, {17, 0}, {12, 7}, {2, 15}};
    for (Cell cell : cells)
    {
        SCOPED_TRACE(testing::Message() << "(" << cell.row << ", " << cell.col << ")");
        resetGameState();

        playAt(cell);

        EXPECT_EQ(cellAt(cell.row, cell.col), CELL_BLACK);
        EXPECT_EQ(stoneCount(), 1);
    }
}

TEST_F(Keyboard, SpaceWithTheCursorOffTheBoardPlacesNothing)
{
    struct Offsets
    {
        std::int32_t x;
        std::int32_t y;
    };
    const Offsets cases[] = {{9, 0},   {-10, 0}, {0, 9},   {0, -10},    {9, 9},
                             {-10, 8}, {8, -10}, {-1, 27}, {100, -100}, {-18, -18}};
    for (std::uint8_t cheat : {std::uint8_t{0}, std::uint8_t{1}})
    {
        for (Offsets c : cases)
        {
            SCOPED_TRACE(testing::Message()
                         << "cursor (" << c.x << ", " << c.y << "), cheat " << int(cheat));
            resetGameState();
            fakeGlutReset();
            putStones(CELL_WHITE, {{0, 0}, {17, 17}, {8, 0}});
            cheatMode = cheat;
            cursorX = c.x;
            cursorY = c.y;
            GameSnapshot before = takeSnapshot();

            onKeyboard(' ', 0, 0);

            EXPECT_EQ(takeSnapshot(), before);
            EXPECT_EQ(fakeGlutRedisplayCount(), 1);
        }
    }
}

TEST_F(Keyboard, OtherKeysChangeNothingButRequestARedraw)
{
    const unsigned char keys[] = {'x', 'X', '\r', '\n', '\t', 'q', 'e', '1', 0, 127, 200, 255};
    for (unsigned char key : keys)
    {
        SCOPED_TRACE(testing::Message() << "key " << int(key));
        resetGameState();
        fakeGlutReset();
        putStones(CELL_BLACK, {{9, 9}});
        sideToMove = 1;
        cursorX = -2;
        cursorY = 5;
        GameSnapshot before = takeSnapshot();

        onKeyboard(key, 0, 0);

        EXPECT_EQ(takeSnapshot(), before);
        EXPECT_EQ(fakeGlutRedisplayCount(), 1);
    }
}

TEST_F(Keyboard, EveryKeyButEscRequestsExactlyOneRedraw)
{
    for (bool over : {false, true})
    {
        for (int key = 0; key < 256; ++key)
        {
            if (key == KEY_ESCAPE)
            {
                continue;
            }
            SCOPED_TRACE(testing::Message() << "key " << key << (over ? ", game over" : ""));
            resetGameState();
            fakeGlutReset();
            if (over)
            {
                endGameWithBlackFive();
            }

            onKeyboard(static_cast<unsigned char>(key), 17, 23);

            ASSERT_EQ(fakeGlutRedisplayCount(), 1);
            ASSERT_TRUE(fakeGlutTimerRequests().empty());
        }
    }
}

TEST_F(KeyboardDeathTest, EscExitsWithStatusZero)
{
    EXPECT_EXIT(onKeyboard(27, 0, 0), testing::ExitedWithCode(0), "");
}

TEST_F(KeyboardDeathTest, EscExitsWithStatusZeroAfterAFive)
{
    endGameWithBlackFive();
    ASSERT_EQ(gameOver, 1);

    EXPECT_EXIT(onKeyboard(27, 0, 0), testing::ExitedWithCode(0), "");
}

//=== Play after a five

TEST_F(PlayAfterAFive, PlayKeysDoNothing)
{
    endGameWithBlackFive();
    ASSERT_EQ(gameOver, 1);
    for (unsigned char key : std::string_view("wasdWASD "))
    {
        SCOPED_TRACE(testing::Message() << "key '" << key << "'");
        GameSnapshot before = takeSnapshot();
        fakeGlutReset();

        onKeyboard(key, 0, 0);

        EXPECT_EQ(takeSnapshot(), before);
        EXPECT_EQ(fakeGlutRedisplayCount(), 1);
    }
}

TEST_F(PlayAfterAFive, MovesBeforeTheNextFrameAreRefusedAndTheWinnerStands)
{
    // Several keys can arrive between two frames: the five must end the game at once, so the
    // keys after it neither move the cursor nor place a stone, and the side that is not to move
    // is still the side that made the five.
    struct Case
    {
        const char *name;
        std::vector<Cell> moves; // black, white, black, ... ; the last move completes a five
        std::uint8_t winnerSide;
        WinRecord expected;
    };
    const std::vector<Case> cases = {
        {"black completes a row",
         {{9, 9}, {10, 9}, {9, 10}, {10, 10}, {9, 11}, {10, 11}, {9, 12}, {10, 12}, {9, 8}},
         0,
         {9, 10, DIR_ROW}},
        {"white completes a column",
         {{9, 0}, {12, 5}, {9, 2}, {13, 5}, {9, 4}, {14, 5}, {9, 6}, {15, 5}, {9, 15}, {16, 5}},
         1,
         {14, 5, DIR_COLUMN}},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        for (Cell move : c.moves)
        {
            playAt(move);
        }
        ASSERT_EQ(gameOver, 1);
        GameSnapshot afterFive = takeSnapshot();

        pressKeys(" d wA  ss ");

        EXPECT_EQ(takeSnapshot(), afterFive);
        EXPECT_EQ(recordedWin(), c.expected);
        EXPECT_EQ(sideToMove, c.winnerSide ^ 1);
    }
}

//=== View keys

TEST_F(ViewKeys, TurnTheViewInStepsOfFiveAndWrap)
{
    struct Case
    {
        const char *name;
        int key;
        int presses;
        float expectedPitch;
        float expectedYaw;
    };
    const Case cases[] = {
        {"up once", GLUT_KEY_UP, 1, 355.0f, 0.0f},
        {"up twice", GLUT_KEY_UP, 2, 350.0f, 0.0f},
        {"up a full turn", GLUT_KEY_UP, 72, 0.0f, 0.0f},
        {"down once", GLUT_KEY_DOWN, 1, 5.0f, 0.0f},
        {"down 71 times", GLUT_KEY_DOWN, 71, 355.0f, 0.0f},
        {"down a full turn", GLUT_KEY_DOWN, 72, 0.0f, 0.0f},
        {"left once", GLUT_KEY_LEFT, 1, 0.0f, 355.0f},
        {"left a full turn", GLUT_KEY_LEFT, 72, 0.0f, 0.0f},
        {"right once", GLUT_KEY_RIGHT, 1, 0.0f, 5.0f},
        {"right a full turn", GLUT_KEY_RIGHT, 72, 0.0f, 0.0f},
        {"right a turn and a half", GLUT_KEY_RIGHT, 108, 0.0f, 180.0f},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        fakeGlutReset();

        pressSpecial(c.key, c.presses);

        EXPECT_EQ(viewPitch, c.expectedPitch);
        EXPECT_EQ(viewYaw, c.expectedYaw);
        EXPECT_EQ(fakeGlutRedisplayCount(), c.presses);
    }
}

TEST_F(ViewKeys, AnglesStayMultiplesOfFiveInRange)
{
    struct Case
    {
        int key;
        int step; // degrees one press turns, before wrapping
        float *angle;
    };
    const Case cases[] = {
        {GLUT_KEY_UP, -5, &viewPitch},
        {GLUT_KEY_DOWN, +5, &viewPitch},
        {GLUT_KEY_LEFT, -5, &viewYaw},
        {GLUT_KEY_RIGHT, +5, &viewYaw},
    };
    for (const Case &c : cases)
    {
        resetGameState();
        for (int press = 1; press <= 400; ++press)
        {
            SCOPED_TRACE(testing::Message() << "key " << c.key << ", press " << press);
            onSpecialKey(c.key, 0, 0);

            int expected = ((press * c.step) % 360 + 360) % 360;
            ASSERT_EQ(*c.angle, static_cast<float>(expected));
        }
    }
}

TEST_F(ViewKeys, OtherSpecialKeysChangeNothingButRequestARedraw)
{
    // Function and paging keys, codes no key has, and freeglut's left shift (112) and right
    // control (115), which it reports as special keys too.
    const int keys[] = {GLUT_KEY_F1,
                        GLUT_KEY_F12,
                        GLUT_KEY_PAGE_UP,
                        GLUT_KEY_PAGE_DOWN,
                        GLUT_KEY_HOME,
                        GLUT_KEY_END,
                        GLUT_KEY_INSERT,
                        0,
                        -1,
                        99,
                        104,
                        1000,
                        112,
                        115};
    for (int key : keys)
    {
        SCOPED_TRACE(testing::Message() << "special key " << key);
        resetGameState();
        fakeGlutReset();
        viewPitch = 35.0f;
        viewYaw = 270.0f;
        putStones(CELL_WHITE, {{1, 2}});
        GameSnapshot before = takeSnapshot();

        onSpecialKey(key, 0, 0);

        EXPECT_EQ(takeSnapshot(), before);
        EXPECT_EQ(fakeGlutRedisplayCount(), 1);
    }
}

TEST_F(ViewKeys, TurnOnlyTheViewAlsoAfterAFive)
{
    endGameWithBlackFive();
    ASSERT_EQ(gameOver, 1);
    GameSnapshot expected = takeSnapshot();
    expected.viewPitch = 355.0f;
    expected.viewYaw = 5.0f;

    onSpecialKey(GLUT_KEY_UP, 0, 0);
    onSpecialKey(GLUT_KEY_RIGHT, 0, 0);

    EXPECT_EQ(takeSnapshot(), expected);
    EXPECT_EQ(fakeGlutRedisplayCount(), 2);
}

//=== Menu

TEST_F(Menu, CheatTogglesCheatModeAndNothingElse)
{
    putStones(CELL_BLACK, {{9, 9}});
    sideToMove = 1;
    cursorY = 4;
    GameSnapshot before = takeSnapshot();

    onMenu(MENU_CHEAT);
    GameSnapshot once = takeSnapshot();
    onMenu(MENU_CHEAT);

    GameSnapshot expectedOnce = before;
    expectedOnce.cheatMode = 1;
    EXPECT_EQ(once, expectedOnce);
    EXPECT_EQ(takeSnapshot(), before);
    EXPECT_EQ(fakeGlutRedisplayCount(), 2);
}

TEST_F(Menu, RestartWhileCheatingClearsAndKeepsTheSideToMove)
{
    onMenu(MENU_CHEAT);
    pressKeys(" dd ww  ");
    ASSERT_EQ(stoneCount(), 3);
    std::uint8_t side = sideToMove;
    fakeGlutReset();

    onMenu(MENU_RESTART);

    EXPECT_EQ(stoneCount(), 0);
    EXPECT_EQ(cursorX, 0);
    EXPECT_EQ(cursorY, 0);
    EXPECT_EQ(cheatMode, 0);
    EXPECT_EQ(gameOver, 0);
    EXPECT_EQ(sideToMove, side);
    EXPECT_EQ(fakeGlutRedisplayCount(), 1);
}

TEST_F(Menu, AnyValueButCheatRestarts)
{
    const int values[] = {MENU_RESTART, 2, -1, 7, 1000};
    for (int value : values)
    {
        SCOPED_TRACE(testing::Message() << "menu value " << value);
        resetGameState();
        fakeGlutReset();
        endGameWithBlackFive();
        cheatMode = 1;
        viewYaw = 45.0f;

        onMenu(value);

        EXPECT_EQ(stoneCount(), 0);
        EXPECT_EQ(cursorX, 0);
        EXPECT_EQ(cursorY, 0);
        EXPECT_EQ(cheatMode, 0);
        EXPECT_EQ(gameOver, 0);
        EXPECT_EQ(sideToMove, 1);
        EXPECT_EQ(viewYaw, 45.0f);
        EXPECT_EQ(fakeGlutRedisplayCount(), 1);
    }
}

TEST_F(Menu, RestartAfterAFiveLetsTheLoserPlay)
{
    endGameWithBlackFive();
    ASSERT_EQ(gameOver, 1);

    onMenu(MENU_RESTART);
    pressKeys(" ");

    EXPECT_EQ(cellAt(9, 9), CELL_WHITE);
    EXPECT_EQ(stoneCount(), 1);
}

//=== Timer

TEST_F(Timer, RequestsARedrawAndArmsItselfAgain)
{
    for (int value : {1, 0, 42})
    {
        SCOPED_TRACE(testing::Message() << "timer value " << value);
        resetGameState();
        fakeGlutReset();
        putStones(CELL_BLACK, {{3, 3}});
        GameSnapshot before = takeSnapshot();

        onTimer(value);

        EXPECT_EQ(takeSnapshot(), before);
        EXPECT_EQ(fakeGlutRedisplayCount(), 1);
        ASSERT_EQ(fakeGlutTimerRequests().size(), 1u);
        EXPECT_EQ(fakeGlutTimerRequests()[0].ms, 100u);
        EXPECT_EQ(fakeGlutTimerRequests()[0].callback, &onTimer);
        EXPECT_EQ(fakeGlutTimerRequests()[0].value, 1);
    }
}

TEST_F(Timer, KeepsTheChainGoing)
{
    onTimer(1);
    for (int fired = 1; fired <= 5; ++fired)
    {
        ASSERT_EQ(fakeGlutTimerRequests().size(), static_cast<std::size_t>(fired));
        FakeTimerRequest last = fakeGlutTimerRequests().back();
        last.callback(last.value);
    }

    EXPECT_EQ(fakeGlutRedisplayCount(), 6);
    EXPECT_EQ(fakeGlutTimerRequests().size(), 6u);
}

} // namespace
