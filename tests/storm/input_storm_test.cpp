// A storm of seeded random keys, view keys and menu choices through the real callbacks, with what
// must hold at any time checked after every event.
#include "game/input.h"
#include "tests/fakes/fake_glut.h"
#include "tests/game/game_test_support.h"

#include <GL/freeglut_std.h>
#include <cmath>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace
{

constexpr std::uint32_t STORM_SEED = 20240607; // fixed: a failure replays exactly

// Why `after` cannot follow `before` through one event other than a restart; empty when it can.
std::string brokenRule(const GameSnapshot &before, const GameSnapshot &after)
{
    int changed = -1;
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        changed = after.board[i] == before.board[i] ? changed : changed < 0 ? i : BOARD_CELLS;
    }
    int underCursor = (before.cursorX + BOARD_CENTRE) * BOARD_SIZE + before.cursorY + BOARD_CENTRE;
    if (changed >= 0 && (before.gameOver == 1 || changed != underCursor))
    {
        return "the board changed other than by one stone under the cursor of a running game";
    }
    if (std::abs(after.cursorX - before.cursorX) + std::abs(after.cursorY - before.cursorY) > 1)
    {
        return "the cursor jumped";
    }
    if (std::fmod(after.viewPitch, 5.0f) != 0.0f || std::fmod(after.viewYaw, 5.0f) != 0.0f ||
        std::fmax(after.viewPitch, after.viewYaw) > 355.0f ||
        std::fmin(after.viewPitch, after.viewYaw) < 0.0f)
    {
        return "a view angle left the multiples of 5 in 0..355";
    }
    if (before.gameOver > after.gameOver)
    {
        return "the game resumed without a restart";
    }
    scanForFive(); // the next frame's scan must find nothing that the placement did not
    return gameOver == after.gameOver ? "" : "a running game holds a five";
}

TEST(InputStorm, AMillionEventsKeepTheRules)
{
    std::mt19937 random(STORM_SEED);
    resetGameState();
    int wins = 0;
    for (int event = 0; event < 1000000; ++event)
    {
        GameSnapshot before = takeSnapshot();
        int roll = static_cast<int>(random() % 100);
        if (roll < 50)
        {
            // A cursor key, pushed back towards the board once the cursor has left it.
            char key = "wasdWASD"[random() % 8];
            key = cursorX > 8    ? 'a'
                  : cursorX < -9 ? 'd'
                  : cursorY > 8  ? 's'
                  : cursorY < -9 ? 'w'
                                 : key;
            onKeyboard(static_cast<unsigned char>(key), 0, 0);
        }
        else if (roll < 85)
        {
            unsigned char key = roll < 80 ? ' ' : static_cast<unsigned char>(random() % 256);
            onKeyboard(key == KEY_ESCAPE ? ' ' : key, 0, 0);
        }
        else if (roll < 96)
        {
            onSpecialKey(GLUT_KEY_LEFT + static_cast<int>(random() % 4), 0, 0);
        }
        else
        {
            onMenu(roll == 99 ? 1 : 0);
        }
        fakeGlutCalls().clear();
        GameSnapshot after = takeSnapshot();
        ASSERT_EQ(roll == 99 ? "" : brokenRule(before, after), "") << "event " << event;
        wins += before.gameOver < after.gameOver ? 1 : 0;
    }
    EXPECT_GE(wins, 100) << "the storm must play whole games, not just wander about";
}

} // namespace
