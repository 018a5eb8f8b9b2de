// A real freeglut window for the GL tests: every test gets a fresh 800 x 600 double-buffered
// window with its own context, and starts from a zeroed game state and model table.
#pragma once

#include "tests/game/game_test_support.h" // resetGameState

#include <gtest/gtest.h>

inline constexpr int WINDOW_WIDTH = 800;
inline constexpr int WINDOW_HEIGHT = 600;

// Opens the window in SetUp (failing the test when there is no X display) and closes it in
// TearDown, after releasing everything the model table holds.
class GlWindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

private:
    int window = 0; // freeglut window id; 0 while no window is open
};

// Frees the arrays of every model record, deletes its buffers in the current context and zeroes
// the record.
void clearModelTable();
