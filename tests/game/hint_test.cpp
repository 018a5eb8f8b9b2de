// The move numbers and the hint, through the keys and the menu as a player reaches them, and the
// hint's words for the engine's scores.
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

namespace
{

// Frames until the hint has come: each looks once, as onIdle does (the slice thinker thinks
// there). Bounded by frames, not by time: a hint that never comes fails.
bool hintComes(int frames = 5000)
{
    for (int i = 0; i < frames && hintThinking(); ++i)
    {
        lookForHint(THINKING_SLICE_MS);
    }
    return !hintThinking() && shownHint() != nullptr;
}

// Black to move with a four-three on (9, 8): the column's three below it is closed by white at
// (5, 8), so (9, 8) makes a four there, which white must stop at (10, 8), and an open three along
// the row, which black then makes an open four: five on black's third stone. No other point wins
// as fast.
void fourThree()
{
    resetGameState();
    line(B, 6, 8, COLUMN, 3);
    line(W, 5, 8);
    line(B, 9, 6, ROW, 2);
    line(W, 2, 2, ROW, 2);
    line(W, 15, 15, ROW, 2);
    sideToMove = 0;
}

} // namespace

TEST(MoveNumbers, TheKeyAndTheMenuEntryToggleThemAndTheMenuMarksThem)
{
    resetGameState();
    EXPECT_EQ(moveNumbers, 0);
    EXPECT_STREQ(menuLabel(MENU_MOVE_NUMBERS), "( ) Move numbers");
    onKeyboard('m', 0, 0);
    EXPECT_EQ(moveNumbers, 1);
    EXPECT_STREQ(menuLabel(MENU_MOVE_NUMBERS), "(*) Move numbers");
    onMenu(MENU_MOVE_NUMBERS);
    EXPECT_EQ(moveNumbers, 0);
    onKeyboard('M', 0, 0);
    EXPECT_EQ(moveNumbers, 1);
    EXPECT_EQ(stones(), 0); // nothing of the game changes
}

TEST(MoveNumbers, EachStoneHasTheNumberOfTheMoveThatPutItThere)
{
    resetGameState();
    places({{9, 9}, {9, 10}, {10, 10}});
    int numbers[BOARD_CELLS];
    moveNumbersOfBoard(numbers);
    EXPECT_EQ(numbers[9 * BOARD_SIZE + 9], 1);
    EXPECT_EQ(numbers[9 * BOARD_SIZE + 10], 2);
    EXPECT_EQ(numbers[10 * BOARD_SIZE + 10], 3);
    EXPECT_EQ(numbers[0], 0);
    // Cheat: a stone over another takes the later number; undone, the earlier comes back.
    onMenu(MENU_CHEAT);
    placeStone(9, 9);
    moveNumbersOfBoard(numbers);
    EXPECT_EQ(numbers[9 * BOARD_SIZE + 9], 4);
    undoMove();
    undoMove();
    moveNumbersOfBoard(numbers);
    EXPECT_EQ(numbers[9 * BOARD_SIZE + 9], 1);
    EXPECT_EQ(numbers[10 * BOARD_SIZE + 10], 0);
    int count = 0;
    for (int n : numbers)
        count += n != 0;
    EXPECT_EQ(count, 2);
}

TEST(Hint, NamesTheWinningPointOfAFourThreeAndSaysInHowManyMoves)
{
    fourThree();
    onKeyboard('h', 0, 0);
    EXPECT_TRUE(hintThinking());
    EXPECT_EQ(gameNotice, "Hint: thinking...");
    ASSERT_TRUE(hintComes());
    const HintLine *hint = shownHint();
    EXPECT_EQ(hint->rows[0], 9);
    EXPECT_EQ(hint->cols[0], 8);
    EXPECT_EQ(hint->side, 0);
    EXPECT_EQ(gameNotice, "Hint: j9, black wins in 3");
    // Found by the search for wins by fours, whose line the table does not hold: the hint
    // alone, or with what the table knows after it.
    ASSERT_GE(hint->length, 1);
    for (int i = 0; i < hint->length; ++i)
        EXPECT_EQ(cell(hint->rows[i], hint->cols[i]), E) << i; // every point of it empty now
    EXPECT_EQ(stones(), 10);                                   // the hint places nothing
}

TEST(Hint, ThinksBesideTheGameOnTheThreadAsInSlices)
{
    fourThree();
    useThinker(makeBesideThinker());
    onMenu(MENU_HINT);
    EXPECT_TRUE(hintThinking());
    for (int i = 0; i < 30000 && hintThinking(); ++i)
    {
        lookForHint(THINKING_SLICE_MS);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_NE(shownHint(), nullptr);
    EXPECT_EQ(gameNotice, "Hint: j9, black wins in 3");
    useThinker(makeSliceThinker());
}

TEST(Hint, DisappearsWhenAStoneIsPlacedOrTheGameIsStepped)
{
    fourThree();
    onKeyboard('h', 0, 0);
    ASSERT_TRUE(hintComes());
    placeStone(0, 0);
    EXPECT_EQ(shownHint(), nullptr);
    undoMove(); // back to the same stones: the hint was for before, and stays gone
    EXPECT_EQ(shownHint(), nullptr);

    // A game of moves, stepped back from its end.
    resetGameState();
    places({{9, 9}, {9, 10}, {10, 9}, {8, 8}});
    onKeyboard('h', 0, 0);
    ASSERT_TRUE(hintComes());
    // A line of several moves, the colours alternating from black's, whose move it is.
    EXPECT_GE(shownHint()->length, 3);
    EXPECT_EQ(shownHint()->side, 0);
    onSpecialKey(GLUT_KEY_PAGE_UP, 0, 0);
    EXPECT_EQ(shownHint(), nullptr);
    // Asked for in the game as shown: for white, whose move it was there.
    onKeyboard('h', 0, 0);
    ASSERT_TRUE(hintComes());
    EXPECT_EQ(shownHint()->side, 1);
    onSpecialKey(GLUT_KEY_PAGE_DOWN, 0, 0);
    EXPECT_EQ(shownHint(), nullptr);
}

TEST(Hint, AnyOtherKeyOrEntryDropsItWhileItThinksButTurningTheBoardDoesNot)
{
    fourThree();
    onKeyboard('h', 0, 0);
    onSpecialKey(GLUT_KEY_LEFT, 0, 0);
    EXPECT_TRUE(hintThinking());
    onKeyboard('w', 0, 0); // the cursor moves: the hint under way goes
    EXPECT_FALSE(hintThinking());
    EXPECT_FALSE(hintComes());
    onMenu(MENU_HINT);
    EXPECT_TRUE(hintThinking());
    onMenu(MENU_FREESTYLE); // even a choice that changes nothing
    EXPECT_FALSE(hintComes());
    // h again while it thinks drops it; a third time asks again.
    onKeyboard('h', 0, 0);
    onKeyboard('h', 0, 0);
    EXPECT_FALSE(hintThinking());
    onKeyboard('h', 0, 0);
    EXPECT_TRUE(hintComes());
    // Shown, h hides it.
    onKeyboard('h', 0, 0);
    EXPECT_EQ(shownHint(), nullptr);
}

TEST(Hint, NoneForTheComputerNorAfterAFiveAndTheComputerStillPlaysAfterOne)
{
    fourThree();
    opponent = OPPONENT_BLACK;
    EXPECT_FALSE(askHint());
    EXPECT_EQ(gameNotice, "Hint: the computer is to move");
    EXPECT_FALSE(hintThinking());

    // The player asks, and while the hint thinks gives black to the computer: the computer's
    // thought is not lost to the hint's, and it plays the winning stone itself.
    fourThree();
    onKeyboard('h', 0, 0);
    onMenu(MENU_COMPUTER_BLACK);
    for (int i = 0; i < 5000 && cell(9, 8) == E; ++i)
    {
        thinkFor(THINKING_SLICE_MS);
        lookForHint(THINKING_SLICE_MS);
    }
    EXPECT_EQ(cell(9, 8), B);
    EXPECT_EQ(shownHint(), nullptr);

    resetGameState();
    line(B, 9, 5, ROW, 5);
    scanForFive();
    ASSERT_EQ(gameOver, 1);
    EXPECT_FALSE(askHint());
    EXPECT_EQ(gameNotice, "Hint: the game is over");
}

TEST(Hint, WordsForTheScores)
{
    const struct
    {
        std::uint8_t side;
        int score;
        const char *words;
    } table[] = {
        {0, engine::WIN - 5, "Hint: j9, black wins in 3"},
        {0, engine::WIN - 1, "Hint: j9, black wins in 1"},
        {1, engine::WIN - 13, "Hint: j9, white wins in 7"},
        {0, -(engine::WIN - 4), "Hint: j9, white wins in 2"},
        {1, -(engine::WIN - 2), "Hint: j9, black wins in 1"},
        {0, 0, "Hint: j9, even"},
        {0, EVEN_MARGIN - 1, "Hint: j9, even"},
        {1, -(EVEN_MARGIN - 1), "Hint: j9, even"},
        {0, EVEN_MARGIN, "Hint: j9, black is slightly better"},
        {1, EVEN_MARGIN, "Hint: j9, white is slightly better"},
        {0, -(SLIGHT_MARGIN - 1), "Hint: j9, white is slightly better"},
        {0, SLIGHT_MARGIN, "Hint: j9, black is better"},
        {1, -(CLEAR_MARGIN - 1), "Hint: j9, black is better"},
        {1, CLEAR_MARGIN, "Hint: j9, white is much better"},
        {0, engine::WIN_THRESHOLD - 1, "Hint: j9, black is much better"},
    };
    for (const auto &row : table)
        EXPECT_EQ(hintWords("j9", row.side, row.score), row.words)
            << int(row.side) << " " << row.score;
}

TEST(Hint, TheBarsShareForBlack)
{
    EXPECT_FLOAT_EQ(blackShareOf(0, 0), 0.5f);
    EXPECT_FLOAT_EQ(blackShareOf(0, engine::WIN - 3), 1.0f);
    EXPECT_FLOAT_EQ(blackShareOf(1, engine::WIN - 3), 0.0f);
    EXPECT_FLOAT_EQ(blackShareOf(1, -(engine::WIN - 2)), 1.0f);
    EXPECT_NEAR(blackShareOf(0, 2000), 0.731f, 0.001f); // a logit of 1
    EXPECT_NEAR(blackShareOf(1, 2000), 0.269f, 0.001f);
    EXPECT_LT(blackShareOf(0, 500), blackShareOf(0, 1500));
}
