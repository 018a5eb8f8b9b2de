// A resignation and a draw at this board, through the menu and the keys as a player gives them:
// between two players, and against the computer, which takes a draw only when its evaluation of
// the board says the game is even or worse for it.
#include "app/input.h"
#include "game/ending.h"
#include "tests/fakes/fake_glut.h"
#include "tests/game/game_test_support.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

struct EndingCase
{
    const char *name;
    std::uint8_t opponent;
    std::vector<std::pair<int, int>> stones; // placed in turn, black's first
    std::vector<std::string> steps;          // "resign", "draw", or a key: "y", "n", "u", " "
    std::uint8_t gameOver;                   // afterwards
    std::string notice;                      // the last notice
    int stonesAfter = -1;                    // -1: as placed
};

// White has an open three along row 3 (its stones on (3, 5), (3, 6), (3, 7)); black's stones lie
// scattered. Black's open three the other way round, white to move.
const std::vector<std::pair<int, int>> WHITE_THREE = {{12, 0}, {3, 5},  {0, 17},
                                                      {3, 6},  {17, 9}, {3, 7}};
const std::vector<std::pair<int, int>> BLACK_THREE = {{3, 5}, {12, 0}, {3, 6}, {0, 17}, {3, 7}};

// The same, and a black stone more: white to move, the computer playing black.
const std::vector<std::pair<int, int>> WHITE_THREE_WHITE_TO_MOVE = {
    {12, 0}, {3, 5}, {0, 17}, {3, 6}, {17, 9}, {3, 7}, {15, 15}};

const std::vector<EndingCase> CASES = {
    {"BlackResignsOnItsMove",
     OPPONENT_NONE,
     {},
     {"resign"},
     1,
     "Black resigned: white wins by resignation."},
    {"WhiteResignsOnItsMove",
     OPPONENT_NONE,
     {{9, 9}},
     {"resign"},
     1,
     "White resigned: black wins by resignation."},
    {"NothingAfterTheResignation",
     OPPONENT_NONE,
     {{9, 9}},
     {"resign", " ", "draw"},
     1,
     "The game is over."},
    {"TakingBackTakesTheResignationBack",
     OPPONENT_NONE,
     {{9, 9}},
     {"resign", "u"},
     0,
     "White resigned: black wins by resignation.",
     0},
    {"AnOfferAskedOfTheOther",
     OPPONENT_NONE,
     {{9, 9}},
     {"draw"},
     0,
     "White offers a draw: black, accept it (y) or decline (n)?"},
    {"TheOtherAgrees", OPPONENT_NONE, {{9, 9}}, {"draw", "y"}, GAME_DRAWN, "Drawn by agreement."},
    {"TheOtherDeclines", OPPONENT_NONE, {{9, 9}}, {"draw", "n"}, 0, "Black declines the draw."},
    {"AYesWithNoOfferIsNothing", OPPONENT_NONE, {{9, 9}}, {"y"}, 0, ""},
    {"AMoveAnswersTheOffer", OPPONENT_NONE, {{9, 9}}, {"draw", " ", "y"}, 0, "", 2},
    {"AnOfferDeclinedIsNotAnsweredTwice",
     OPPONENT_NONE,
     {{9, 9}},
     {"draw", "n", "y"},
     0,
     "Black declines the draw."},
    // Against the computer, playing white.
    {"TheComputerTakesAnEvenGame",
     OPPONENT_WHITE,
     {},
     {"draw"},
     GAME_DRAWN,
     "The computer accepts the draw: drawn by agreement."},
    {"TheComputerDeclinesWithItsThree",
     OPPONENT_WHITE,
     WHITE_THREE,
     {"draw"},
     0,
     "The computer declines the draw: it likes its position."},
    {"TheComputerTakesItFacingAThree",
     OPPONENT_BLACK,
     WHITE_THREE_WHITE_TO_MOVE,
     {"draw"},
     GAME_DRAWN,
     "The computer accepts the draw: drawn by agreement."},
    {"ThePlayerResignsToTheComputer",
     OPPONENT_WHITE,
     WHITE_THREE,
     {"resign"},
     1,
     "Black resigned: white wins by resignation."},
    {"NotOnTheComputersMove",
     OPPONENT_WHITE,
     {{9, 9}},
     {"resign", "draw"},
     0,
     "The computer is to move: resign or offer a draw on your own move."},
};

TEST(LocalEnding, ResignAndOfferADrawThroughTheMenuAndKeys)
{
    for (const EndingCase &c : CASES)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        for (const auto &[row, col] : c.stones)
        {
            placeStone(row, col);
        }
        cursorX = 1, cursorY = 1; // a free point for a space's stone: (10, 10)
        opponent = c.opponent;
        for (const std::string &step : c.steps)
        {
            if (step == "resign" || step == "draw")
            {
                onMenu(step == "resign" ? MENU_RESIGN : MENU_OFFER_DRAW);
            }
            else
            {
                onKeyboard(static_cast<unsigned char>(step[0]), 0, 0);
            }
        }
        EXPECT_EQ(gameOver, c.gameOver);
        EXPECT_EQ(gameNotice, c.notice);
        EXPECT_EQ(historyLength,
                  c.stonesAfter >= 0 ? c.stonesAfter : static_cast<int>(c.stones.size()));
        EXPECT_EQ(winDirection, 0) << "no five to draw a line along";
    }
}

// The computer's judgement alone, either side to move: its own three, the other's, none.
TEST(LocalEnding, TheComputerTakesADrawWhenItsEvaluationIsEvenOrWorse)
{
    struct Judged
    {
        const char *name;
        std::vector<std::pair<int, int>> stones;
        int computer, toMove;
        bool takes;
    };
    const std::vector<Judged> cases = {
        {"EmptyBoard", {}, 1, 0, true},
        {"ItsOwnThreeTheOtherToMove", WHITE_THREE, 1, 0, false},
        {"ItsOwnThreeItToMove", WHITE_THREE, 1, 1, false},
        {"TheOthersThreeItToMove", WHITE_THREE, 0, 0, true},
        {"TheOthersThree", BLACK_THREE, 1, 1, true},
    };
    for (const Judged &c : cases)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        for (const auto &[row, col] : c.stones)
        {
            placeStone(row, col);
        }
        EXPECT_EQ(computerTakesDraw(c.computer, c.toMove), c.takes);
    }
}

} // namespace
