// A long run of random keys, view keys, menu choices, timer ticks and frame scans, checking
// after every event that the game's state still obeys its rules.
#include "game/input.h"
#include "game/game_state.h"
#include "tests/fakes/fake_glut.h"
#include "tests/game/game_test_support.h"

#include <GL/freeglut_std.h>
#include <cmath>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace
{

class RandomPlay : public GameStateTest
{
protected:
    void SetUp() override
    {
        GameStateTest::SetUp();
        fakeGlutReset();
    }
};

enum class EventKind
{
    Keyboard,
    SpecialKey,
    Menu,
    Timer,
    Frame, // the scan every frame runs
};

struct Event
{
    EventKind kind;
    int code;
};

std::string describe(Event event)
{
    switch (event.kind)
    {
    case EventKind::Keyboard:
        return "key " + std::to_string(event.code);
    case EventKind::SpecialKey:
        return "special key " + std::to_string(event.code);
    case EventKind::Menu:
        return "menu " + std::to_string(event.code);
    case EventKind::Timer:
        return "timer";
    case EventKind::Frame:
        return "frame";
    }
    return "?";
}

// Picks a cursor key, leaning toward the centre once the cursor has wandered off, so that most
// presses of space land on the board and games run to a five.
unsigned char cursorKey(std::mt19937 &random)
{
    std::uniform_int_distribution<int> percent(0, 99);
    bool upper = percent(random) < 30;
    char key;
    if (std::abs(cursorX) > 2 && percent(random) < 70)
    {
        key = cursorX > 0 ? 'a' : 'd';
    }
    else if (std::abs(cursorY) > 2 && percent(random) < 70)
    {
        key = cursorY > 0 ? 's' : 'w';
    }
    else
    {
        key = "wasd"[percent(random) % 4];
    }
    return static_cast<unsigned char>(upper ? key - 'a' + 'A' : key);
}

Event restartEvent(std::mt19937 &random)
{
    // Mostly the "Restart" entry, now and then a value no entry has, which restarts as well.
    std::uniform_int_distribution<int> percent(0, 99);
    return {EventKind::Menu, percent(random) < 80 ? MENU_RESTART : percent(random) - 50};
}

Event nextEvent(std::mt19937 &random)
{
    static const int specialKeys[] = {GLUT_KEY_UP,    GLUT_KEY_DOWN, GLUT_KEY_LEFT,
                                      GLUT_KEY_RIGHT, GLUT_KEY_F5,   GLUT_KEY_HOME};
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> perMille(0, 999);
    // A won game is restarted soon, a running one seldom, so that most games reach a five and
    // still a good many events arrive while one is over.
    if (perMille(random) < (gameOver == 1 ? 30 : 1))
    {
        return restartEvent(random);
    }
    int roll = percent(random);
    if (roll < 45)
    {
        return {EventKind::Keyboard, ' '};
    }
    if (roll < 78)
    {
        return {EventKind::Keyboard, cursorKey(random)};
    }
    if (roll < 81)
    {
        // Any other character but Esc.
        int key = std::uniform_int_distribution<int>(0, 254)(random);
        return {EventKind::Keyboard, key >= KEY_ESCAPE ? key + 1 : key};
    }
    if (roll < 89)
    {
        return {EventKind::SpecialKey, specialKeys[percent(random) % 6]};
    }
    if (roll < 90)
    {
        return {EventKind::Menu, MENU_CHEAT};
    }
    if (roll < 96)
    {
        return {EventKind::Timer, 1};
    }
    return {EventKind::Frame, 0};
}

void apply(Event event)
{
    switch (event.kind)
    {
    case EventKind::Keyboard:
        onKeyboard(static_cast<unsigned char>(event.code), 0, 0);
        break;
    case EventKind::SpecialKey:
        onSpecialKey(event.code, 0, 0);
        break;
    case EventKind::Menu:
        onMenu(event.code);
        break;
    case EventKind::Timer:
        onTimer(event.code);
        break;
    case EventKind::Frame:
        scanForFive();
        break;
    }
}

bool isViewAngle(float angle)
{
    return angle >= 0.0f && angle <= 355.0f && std::fmod(angle, 5.0f) == 0.0f;
}

// Checks every rule of the state that must hold between two events.
void expectInvariants()
{
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        ASSERT_TRUE(Board[i] == CELL_BLACK || Board[i] == CELL_EMPTY || Board[i] == CELL_WHITE)
            << "cell " << i << " holds " << Board[i];
    }
    ASSERT_LE(sideToMove, 1);
    ASSERT_LE(cheatMode, 1);
    ASSERT_LE(gameOver, 1);
    ASSERT_TRUE(isViewAngle(viewPitch)) << viewPitch;
    ASSERT_TRUE(isViewAngle(viewYaw)) << viewYaw;
    if (gameOver == 1)
    {
        ASSERT_TRUE(isFiveOnBoard(recordedWin())) << testing::PrintToString(recordedWin());
        // The five belongs to the side that moved last, the side not to move.
        std::int32_t winner = sideToMove == 0 ? CELL_WHITE : CELL_BLACK;
        ASSERT_EQ(cellAt(winRow, winCol), winner);
    }
    else
    {
        // A five ends the game as soon as it is made, so a running game holds none.
        ASSERT_TRUE(allFives().empty());
    }
}

TEST_F(RandomPlay, EveryEventKeepsTheStateValid)
{
    std::mt19937 random(20240611u);
    int gamesWon = 0;
    int restarts = 0;
    int cheatPlacements = 0;
    int eventsWhileOver = 0;
    for (int step = 0; step < 20000; ++step)
    {
        Event event = nextEvent(random);
        SCOPED_TRACE(testing::Message() << "event " << step << ": " << describe(event));
        GameSnapshot before = takeSnapshot();
        int redrawsBefore = fakeGlutRedisplayCount();

        apply(event);

        GameSnapshot after = takeSnapshot();
        ASSERT_NO_FATAL_FAILURE(expectInvariants());
        if (before.gameOver == 1)
        {
            ++eventsWhileOver;
            if (after.gameOver == 1)
            {
                ASSERT_EQ(after.board, before.board) << "the board changed after a five";
                ASSERT_EQ(after.win, before.win);
                ASSERT_EQ(after.cursorX, before.cursorX);
                ASSERT_EQ(after.cursorY, before.cursorY);
            }
            else
            {
                ASSERT_EQ(event.kind, EventKind::Menu);
                ASSERT_NE(event.code, MENU_CHEAT);
            }
        }
        if (event.kind == EventKind::Frame)
        {
            ASSERT_EQ(after, before) << "a frame's scan found something the moves had not";
        }
        else
        {
            ASSERT_EQ(fakeGlutRedisplayCount(), redrawsBefore + 1);
        }
        if (before.gameOver == 0 && after.gameOver == 1)
        {
            ++gamesWon;
        }
        if (event.kind == EventKind::Menu && event.code != MENU_CHEAT)
        {
            ++restarts;
            ASSERT_EQ(stoneCount(), 0);
        }
        if (before.cheatMode == 1 && before.gameOver == 0 && event.kind == EventKind::Keyboard &&
            event.code == ' ' && after.sideToMove != before.sideToMove)
        {
            ++cheatPlacements;
        }
    }

    // The run must have reached the states whose rules it checks.
    EXPECT_GE(gamesWon, 20);
    EXPECT_GE(restarts, 30);
    EXPECT_GE(cheatPlacements, 500);
    EXPECT_GE(eventsWhileOver, 500);
}

} // namespace
