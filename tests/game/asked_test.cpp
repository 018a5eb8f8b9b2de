// What the status line asks and how it is answered: "Abandon this game?" before a step that ends
// a game in progress, by key and by the menu's entries, and swap2's choices as entries that are
// there for the time they are asked; who opens a new game; a refused point's reason.
#include "app/input.h"
#include "game/ending.h"
#include "tests/fakes/fake_glut.h"
#include "tests/game/game_test_support.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

const auto keys = [](const std::string &text)
{
    for (unsigned char key : text)
    {
        onKeyboard(key, 0, 0);
    }
};

// Three stones placed: black, white, black; white to move.
void threeMoves()
{
    places({{9, 9}, {9, 10}, {10, 10}});
}

struct AbandonCase
{
    const char *name;
    int entry;         // the menu entry that ends the game on the board
    engine::Rule rule; // the rule and opening afterwards, once it is answered yes
    std::uint8_t opening;
};

// clang-format off
const AbandonCase ABANDON_CASES[] = {
    {"Restart", MENU_RESTART, engine::Rule::Freestyle, OPENING_FREE},
    {"Freestyle", MENU_FREESTYLE, engine::Rule::Freestyle, OPENING_FREE},
    {"Exactly five", MENU_EXACTLY_FIVE, engine::Rule::Standard, OPENING_FREE},
    {"Renju", MENU_RENJU, engine::Rule::Renju, OPENING_FREE},
    {"Free", MENU_FREE, engine::Rule::Freestyle, OPENING_FREE},
    {"Swap2", MENU_SWAP2, engine::Rule::Freestyle, OPENING_SWAP2},
};
// clang-format on

// In a game in progress each asks; after no (by key or by the entry) the game is as it was, its
// notice too; after yes (by key or by the entry) the step is taken, and black opens.
TEST(Abandon, AGameInProgressIsEndedOnlyAfterYes)
{
    for (const AbandonCase &c : ABANDON_CASES)
    {
        for (const bool byMenu : {false, true})
        {
            SCOPED_TRACE(std::string(c.name) + (byMenu ? ", answered in the menu" : ", by key"));
            resetGameState();
            threeMoves();
            announce("Words before.");
            const GameSnapshot before = takeSnapshot();
            onMenu(c.entry);
            EXPECT_EQ(takeSnapshot(), before) << "nothing changes before the answer";
            EXPECT_EQ(gameNotice, ABANDON_QUESTION);
            EXPECT_EQ(askedNow(), ASKED_ABANDON);
            EXPECT_STREQ(menuLabel(MENU_ABANDON_YES), "Yes, abandon this game");
            EXPECT_STREQ(menuLabel(MENU_ABANDON_NO), "No, go on with this game");
            byMenu ? onMenu(MENU_ABANDON_NO) : keys("n");
            EXPECT_EQ(takeSnapshot(), before) << "the game goes on unchanged after no";
            EXPECT_EQ(gameNotice, "Words before.");
            EXPECT_EQ(askedNow(), 0);
            byMenu ? onMenu(MENU_ABANDON_YES) : keys("y");
            EXPECT_EQ(takeSnapshot(), before) << "a yes not asked for does nothing";

            onMenu(c.entry);
            byMenu ? onMenu(MENU_ABANDON_YES) : keys("y");
            EXPECT_EQ(stones(), 0);
            EXPECT_EQ(sideToMove, 0) << "a new game opens with black";
            EXPECT_EQ(gameRule, c.rule);
            EXPECT_EQ(gameOpening, c.opening);
            EXPECT_EQ(askedNow(), 0);
            undoMove();
            EXPECT_EQ(stones(), 3) << "and Undo brings the game abandoned back";
        }
    }
}

// Nothing is asked where nothing would be lost: an empty board, a won game.
TEST(Abandon, NotAskedWithoutAGameInProgress)
{
    resetGameState();
    onMenu(MENU_RENJU);
    EXPECT_EQ(gameRule, engine::Rule::Renju);
    EXPECT_EQ(askedNow(), 0);
    resetGameState();
    for (int col = 2; col < 7; ++col)
    {
        placeStone(3, col), placeStone(4, col);
    }
    ASSERT_EQ(gameOver, 1);
    onMenu(MENU_RESTART);
    EXPECT_EQ(stones(), 0);
    EXPECT_EQ(askedNow(), 0);
}

// The question lapses when the game changes under it: a y afterwards ends nothing.
TEST(Abandon, AMovePlayedDropsTheQuestion)
{
    resetGameState();
    threeMoves();
    onMenu(MENU_RESTART);
    ASSERT_EQ(askedNow(), ASKED_ABANDON);
    placeStone(0, 0);
    EXPECT_EQ(askedNow(), 0);
    keys("y");
    EXPECT_EQ(stones(), 4);
}

// Restart after a won game: the loser opens, and the notice says so when it is white; mid-game
// (and with a rule or an opening chosen) black opens.
TEST(NewGame, BlackOpensButTheLoserAfterAWin)
{
    resetGameState();
    for (int col = 2; col < 6; ++col)
    {
        placeStone(3, col), placeStone(4, col);
    }
    placeStone(3, 6);
    ASSERT_EQ(gameOver, 1);
    restartGame();
    EXPECT_EQ(sideToMove, 1) << "black won: white opens";
    EXPECT_EQ(gameNotice, "") << "the status line says who moves; the console stays as it was";
    placeStone(9, 9);
    onMenu(MENU_FREE);
    keys("y");
    EXPECT_EQ(sideToMove, 0);
    EXPECT_EQ(gameNotice, "Free: a new game. Black places the first stone anywhere.");
    resetGameState();
    places({{9, 9}});
    restartGame();
    EXPECT_EQ(sideToMove, 0) << "no winner: black opens";
    EXPECT_EQ(gameNotice, "");
}

// Swap2's choices as entries: each there while it is the player's to make, doing what its key
// does; the computer's own choices are not the player's.
struct ChoiceCase
{
    const char *name;
    std::uint8_t opponentAtStart;
    int places; // stones placed before the entry (then 3 chosen for 5)
    int asked;
    int entry;
    std::uint8_t stepAfter;
};

// clang-format off
const ChoiceCase CHOICE_CASES[] = {
    {"before three stones nothing is asked", OPPONENT_NONE, 2, 0, MENU_SWAP2_WHITE, SWAP2_THREE},
    {"the second player takes white", OPPONENT_NONE, 3,
     ASKED_SWAP2_WHITE | ASKED_SWAP2_BLACK | ASKED_SWAP2_TWO, MENU_SWAP2_WHITE, SWAP2_OVER},
    {"the second player takes black", OPPONENT_NONE, 3,
     ASKED_SWAP2_WHITE | ASKED_SWAP2_BLACK | ASKED_SWAP2_TWO, MENU_SWAP2_BLACK, SWAP2_OVER},
    {"the second player places two more", OPPONENT_NONE, 3,
     ASKED_SWAP2_WHITE | ASKED_SWAP2_BLACK | ASKED_SWAP2_TWO, MENU_SWAP2_TWO, SWAP2_TWO_MORE},
    {"the first player may not place two more", OPPONENT_NONE, 5,
     ASKED_SWAP2_WHITE | ASKED_SWAP2_BLACK, MENU_SWAP2_TWO, SWAP2_FIRST_CHOICE},
    {"the first player takes black", OPPONENT_NONE, 5,
     ASKED_SWAP2_WHITE | ASKED_SWAP2_BLACK, MENU_SWAP2_BLACK, SWAP2_OVER},
    {"the computer's choice is not the player's", OPPONENT_WHITE, 3, 0, MENU_SWAP2_BLACK,
     SWAP2_SECOND_CHOICE},
    {"against the computer, the player's choice", OPPONENT_BLACK, 3,
     ASKED_SWAP2_WHITE | ASKED_SWAP2_BLACK | ASKED_SWAP2_TWO, MENU_SWAP2_TWO, SWAP2_TWO_MORE},
};
// clang-format on

TEST(Swap2Entries, AskedOnlyWhenTheChoiceIsThePlayers)
{
    for (const ChoiceCase &c : CHOICE_CASES)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        gameOpening = OPENING_SWAP2;
        opponent = c.opponentAtStart;
        const int stones[5][2] = {{9, 9}, {9, 10}, {10, 10}, {8, 8}, {8, 10}};
        for (int i = 0; i < c.places; ++i)
        {
            if (i == 3)
            {
                chooseInSwap2(SWAP2_TWO_STONES);
            }
            placeStone(stones[i][0], stones[i][1]);
        }
        EXPECT_EQ(askedNow(), c.asked);
        onMenu(c.entry);
        EXPECT_EQ(swap2Step(), c.stepAfter);
    }
}

// A taken point says so; the turn does not pass.
TEST(Refusal, ATakenPointSaysSo)
{
    resetGameState();
    places({{9, 9}});
    placeStone(9, 9);
    EXPECT_EQ(gameNotice, "That point is taken.");
    EXPECT_EQ(sideToMove, 1);
    placeStone(9, 10);
    EXPECT_EQ(gameNotice, "") << "said once: the next move takes it away";
}

// A draw offered at the board is asked of the other player: its entries answer it as y and n do,
// and only while it waits; "Abandon this game?" comes first, its y no acceptance of the offer.
TEST(DrawAnswer, TheEntriesAnswerTheOfferWhileItWaits)
{
    struct Case
    {
        const char *name;
        int entry;
        std::uint8_t gameOverAfter;
    };
    for (const Case &c :
         {Case{"accepted", MENU_ACCEPT_DRAW, GAME_DRAWN}, Case{"declined", MENU_DECLINE_DRAW, 0}})
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        threeMoves();
        onMenu(c.entry);
        EXPECT_EQ(gameOver, 0) << "no offer, no answer";
        onMenu(MENU_OFFER_DRAW);
        EXPECT_EQ(askedNow(), ASKED_DRAW_ANSWER);
        onMenu(MENU_RESTART);
        EXPECT_EQ(askedNow(), ASKED_ABANDON) << "the question hides the offer";
        keys("n");
        EXPECT_EQ(stones(), 3);
        EXPECT_EQ(gameOver, 0) << "the n answered the question, not the offer";
        EXPECT_EQ(askedNow(), ASKED_DRAW_ANSWER);
        onMenu(c.entry);
        EXPECT_EQ(gameOver, c.gameOverAfter);
        EXPECT_EQ(askedNow(), 0);
    }
}

// The see-through cursor: off at the start, toggled by its entry, which marks it.
TEST(SeeThroughCursor, TheEntryTogglesIt)
{
    resetGameState();
    seeThroughCursor = 0;
    EXPECT_STREQ(menuLabel(MENU_SEE_THROUGH), "( ) See-through cursor");
    onMenu(MENU_SEE_THROUGH);
    EXPECT_EQ(seeThroughCursor, 1);
    EXPECT_STREQ(menuLabel(MENU_SEE_THROUGH), "(*) See-through cursor");
    onMenu(MENU_SEE_THROUGH);
    EXPECT_EQ(seeThroughCursor, 0);
}

} // namespace
