// The game under each rule and opening: the five under exactly five and renju, black's forbidden
// points refused and marked, and swap2 step by step, by two players and against the computer.
#include "app/input.h"
#include "game/rules.h"
#include "tests/fakes/fake_glut.h"
#include "tests/game/game_test_support.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using engine::Rule;
// Rows of five to seven along every line, at the edges and in the open, under each rule; of a
// winning row the last five in the board's order stands, centred two before the row's end.
TEST(GameRule, FiveUnderEachRuleAlongEveryLine)
{
    struct Case
    {
        const char *name;
        std::int32_t colour;
        int row, col;
        const int *step;
        int length;
        std::int32_t direction;
    };
    const Case cases[] = {
        {"five along the first row", B, 0, 0, ROW, 5, DIR_ROW},
        {"six along the first row", B, 0, 0, ROW, 6, DIR_ROW},
        {"five down the first column", B, 0, 0, COLUMN, 5, DIR_COLUMN},
        {"six along the last column", W, 12, 17, COLUMN, 6, DIR_COLUMN},
        {"seven down the first column", B, 11, 0, COLUMN, 7, DIR_COLUMN},
        {"six on the diagonal from the corner", W, 0, 0, DIAGONAL, 6, DIR_DIAGONAL},
        {"six on the other diagonal into the corner", B, 12, 5, ANTIDIAGONAL, 6, DIR_ANTIDIAGONAL},
        {"six on the diagonal into the far corner", B, 12, 12, DIAGONAL, 6, DIR_DIAGONAL},
        {"five on the other diagonal from the top", W, 0, 4, ANTIDIAGONAL, 5, DIR_ANTIDIAGONAL},
        {"five on the other diagonal in the open", W, 4, 10, ANTIDIAGONAL, 5, DIR_ANTIDIAGONAL},
        {"six along a row in the open", W, 9, 3, ROW, 6, DIR_ROW},
    };
    for (const Case &c : cases)
    {
        for (Rule rule : {Rule::Freestyle, Rule::Standard, Rule::Renju})
        {
            SCOPED_TRACE(std::string(c.name) + ", rule " + std::to_string(int(rule)));
            resetGameState();
            gameRule = rule;
            line(c.colour, c.row, c.col, c.step, c.length);
            scanForFive();
            const bool wins =
                c.length == 5 || rule == Rule::Freestyle || (rule == Rule::Renju && c.colour == W);
            EXPECT_EQ(gameOver, wins ? 1 : 0);
            if (wins)
            {
                EXPECT_EQ(winRow, c.row + (c.length - 3) * c.step[0]) << "the five's centre";
                EXPECT_EQ(winCol, c.col + (c.length - 3) * c.step[1]);
                EXPECT_EQ(winDirection, c.direction);
            }
        }
    }
}

// Black's stones around (9, 9): two open threes meet there; (3, 9) makes an overline;
// (14, 4) two fours.
void renjuPosition()
{
    line(B, 9, 7, ROW, 2);    // (9, 7) (9, 8)
    line(B, 7, 9, COLUMN, 2); // (7, 9) (8, 9)
    line(B, 3, 5, ROW, 4);    // (3, 5) .. (3, 8), then (3, 9) empty, then (3, 10)
    line(W, 3, 3, ROW, 2);    // white ends it on the left
    line(B, 3, 10);
    line(B, 14, 1, ROW, 3);    // (14, 1) .. (14, 3): a four with (14, 4)
    line(B, 11, 4, COLUMN, 3); // (11, 4) .. (13, 4): another
}

TEST(GameRule, RenjuRefusesBlacksForbiddenPointsWithANotice)
{
    struct Case
    {
        const char *name;
        Rule rule;
        std::uint8_t side;
        int row, col;
        bool placed;
        const char *notice; // after the attempt
    };
    const Case cases[] = {
        {"double three", Rule::Renju, 0, 9, 9, false,
         "Black may not play there under renju: a double three."},
        {"overline", Rule::Renju, 0, 3, 9, false,
         "Black may not play there under renju: an overline."},
        {"double four", Rule::Renju, 0, 14, 4, false,
         "Black may not play there under renju: a double four."},
        {"white may", Rule::Renju, 1, 9, 9, true, ""},
        {"black may elsewhere", Rule::Renju, 0, 0, 17, true, ""},
        {"exactly five has no forbidden points", Rule::Standard, 0, 9, 9, true, ""},
        {"nor has freestyle", Rule::Freestyle, 0, 14, 4, true, ""},
    };
    for (const Case &c : cases)
    {
        resetGameState();
        gameRule = c.rule;
        renjuPosition();
        sideToMove = c.side;
        const std::uint32_t before = noticeNumber;
        placeStone(c.row, c.col);
        EXPECT_EQ(Board[c.row * BOARD_SIZE + c.col] != CELL_EMPTY, c.placed) << c.name;
        EXPECT_EQ(sideToMove, c.placed ? c.side ^ 1 : c.side) << c.name;
        EXPECT_EQ(gameNotice, c.notice) << c.name;
        EXPECT_EQ(noticeNumber != before, !c.placed) << c.name << ": a refusal is said";
    }
}

// The marks name exactly the points the rules forbid; a refusal is said each time, until a stone.
TEST(GameRule, MarksEveryForbiddenPointAndOnlyThose)
{
    resetGameState();
    gameRule = Rule::Renju;
    renjuPosition();
    const engine::Grid grid = gridOf(Board);
    int marked = 0;
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            const bool forbidden = grid.at(col, row) == engine::EMPTY &&
                                   engine::foul(grid, col, row) != engine::Foul::None;
            EXPECT_EQ(forbiddenForBlack(row, col), forbidden) << row << "," << col;
            marked += forbidden;
        }
    }
    EXPECT_EQ(marked, 3);
    EXPECT_FALSE(forbiddenForBlack(-1, 3));
    EXPECT_FALSE(forbiddenForBlack(3, 18));
    // A stone changes them: white on (9, 10) leaves black's row of two shut on one side.
    sideToMove = 1;
    placeStone(9, 10);
    EXPECT_FALSE(forbiddenForBlack(9, 9));
    EXPECT_TRUE(forbiddenForBlack(3, 9));

    placeStone(3, 9);
    const std::uint32_t first = noticeNumber;
    placeStone(3, 9);
    EXPECT_EQ(noticeNumber, first + 1);
    placeStone(0, 0);
    EXPECT_EQ(gameNotice, "");
    gameRule = Rule::Standard;
    EXPECT_FALSE(forbiddenForBlack(3, 9)) << "the marks follow the rule";
}

TEST(GameRule, ChoosingARuleOrAnOpeningStartsANewGameWithBlack)
{
    struct Case
    {
        Action choose;
        Rule rule;
        std::uint8_t opening;
        const char *notice;
    };
    const Case cases[] = {
        {[] { onMenu(MENU_RENJU); }, Rule::Renju, OPENING_FREE,
         "Renju: a new game. Black may not make a double three, a double four or an overline."},
        {[] { onMenu(MENU_EXACTLY_FIVE); }, Rule::Standard, OPENING_FREE,
         "Exactly five: a new game. Six or more in a row do not win."},
        {[] { onMenu(MENU_FREESTYLE); }, Rule::Freestyle, OPENING_FREE,
         "Freestyle: a new game. Five or more in a row win."},
        {[] { onMenu(MENU_SWAP2); }, Rule::Freestyle, OPENING_SWAP2,
         "Swap2: the first player places three stones: black, white, black."},
        {[] { onMenu(MENU_FREE); }, Rule::Freestyle, OPENING_FREE,
         "Free: a new game. Black places the first stone anywhere."},
    };
    for (const Case &c : cases)
    {
        resetGameState();
        places({{9, 9}, {9, 10}, {9, 11}}); // white to move
        c.choose();
        EXPECT_EQ(stones(), 3) << c.notice << ": the game in progress is kept until the yes";
        EXPECT_EQ(gameNotice, ABANDON_QUESTION);
        onKeyboard('y', 0, 0);
        EXPECT_EQ(stones(), 0) << c.notice;
        EXPECT_EQ(gameRule, c.rule);
        EXPECT_EQ(gameOpening, c.opening);
        EXPECT_EQ(gameNotice, c.notice);
        EXPECT_EQ(sideToMove, 0) << c.notice << ": a new game opens with black";
        // Undo brings the game back, with the rule it was played under.
        onMenu(MENU_UNDO);
        EXPECT_EQ(stones(), 3) << c.notice;
        EXPECT_EQ(gameRule, Rule::Freestyle);
        EXPECT_EQ(gameOpening, OPENING_FREE);
    }
}

// Swap2: a script of moves, keys and choices, and the step, side, stones, computer and notice.
struct Swap2Case
{
    const char *name;
    std::uint8_t opponentAtStart;
    Action script;
    std::uint8_t step;
    std::uint8_t sideToMove;
    int stones;
    std::uint8_t opponentAfter;
    const char *notice;
};

void key(unsigned char k)
{
    onKeyboard(k, 0, 0);
}

const Action THREE = [] { places({{9, 9}, {9, 10}, {10, 10}}); };
const Action FIVE = [] { THREE(), key('3'), places({{8, 8}, {8, 10}}); };

const char *const ASK_THREE = "Swap2: the first player places three stones: black, white, black.";
const char *const ASK_SECOND = "Swap2: the second player chooses: 1 to play white (or place "
                               "white's stone), 2 to play black, 3 to place two more stones.";
const char *const ASK_FIRST = "Swap2: the first player chooses: 1 to play white (or place white's "
                              "stone), 2 to play black.";
const char *const SECOND_WHITE = "Swap2: the second player plays white; white to move.";
const char *const SECOND_BLACK = "Swap2: the second player plays black; white to move.";
const char *const FIRST_BLACK = "Swap2: the first player plays black; white to move.";
constexpr std::uint8_t NONE = OPPONENT_NONE;

// clang-format off
const std::vector<Swap2Case> SWAP2_CASES = {
    {"the first player's stones", NONE, [] { places({{9, 9}, {9, 10}}); }, SWAP2_THREE, 0, 2,
     NONE, ASK_THREE},
    {"the second player is asked", NONE, THREE, SWAP2_SECOND_CHOICE, 1, 3, NONE, ASK_SECOND},
    {"1: the second plays white", NONE, [] { THREE(), key('1'); }, SWAP2_OVER, 1, 3, NONE,
     SECOND_WHITE},
    {"a stone: the second plays white", NONE, [] { THREE(), placeStone(8, 8); }, SWAP2_OVER, 0,
     4, NONE, ""},
    {"2: the second plays black", NONE, [] { THREE(), key('2'); }, SWAP2_OVER, 1, 3, NONE,
     SECOND_BLACK},
    {"3: two more stones", NONE, [] { THREE(), key('3'), placeStone(8, 8); }, SWAP2_TWO_MORE, 0,
     4, NONE, "Swap2: the second player places two more stones: white, then black."},
    {"then the first player is asked", NONE, FIVE, SWAP2_FIRST_CHOICE, 1, 5, NONE, ASK_FIRST},
    {"2: the first plays black", NONE, [] { FIVE(), key('2'); }, SWAP2_OVER, 1, 5, NONE,
     FIRST_BLACK},
    {"no choice before three stones", NONE, [] { placeStone(9, 9), key('2'); }, SWAP2_THREE, 1,
     1, NONE, ASK_THREE},
    {"no choice once play goes on", NONE, [] { THREE(), key('1'), key('2'); }, SWAP2_OVER, 1, 3,
     NONE, SECOND_WHITE},
    {"undo reopens the choice", NONE, [] { THREE(), placeStone(8, 8), key('u'); },
     SWAP2_SECOND_CHOICE, 1, 3, NONE, ASK_SECOND},
    {"undo to the first player's stones", NONE, [] { THREE(), key('3'), key('u'); }, SWAP2_THREE,
     0, 2, NONE, ASK_THREE},
    {"Restart begins again with black", NONE,
     [] { THREE(), key('2'), placeStone(8, 8), onMenu(MENU_RESTART), key('y'); }, SWAP2_THREE, 0, 0,
     NONE, ASK_THREE},
    // Against the computer, its side follows the colours chosen.
    {"the player, first, keeps black", OPPONENT_WHITE,
     [] { THREE(), chooseInSwap2(SWAP2_TWO_STONES), places({{8, 8}, {8, 10}}), key('2'); },
     SWAP2_OVER, 1, 5, OPPONENT_WHITE, FIRST_BLACK},
    {"the player, first, takes white", OPPONENT_WHITE,
     [] { THREE(), chooseInSwap2(SWAP2_TWO_STONES), places({{8, 8}, {8, 10}}), key('1'); },
     SWAP2_OVER, 1, 5, OPPONENT_BLACK, "Swap2: the first player plays white; white to move."},
    {"the player, second, takes black", OPPONENT_BLACK, [] { THREE(), key('2'); }, SWAP2_OVER,
     1, 3, OPPONENT_WHITE, SECOND_BLACK},
    {"the computer's step takes no key", OPPONENT_WHITE, [] { THREE(), key('2'); },
     SWAP2_SECOND_CHOICE, 1, 3, OPPONENT_WHITE, "Swap2: the second player (the computer) "
     "chooses: 1 to play white (or place white's stone), 2 to play black, 3 to place two more "
     "stones."},
    {"undo gives the computer its side back", OPPONENT_BLACK, [] { THREE(), key('2'), key('u'); },
     SWAP2_THREE, 0, 2, OPPONENT_BLACK,
     "Swap2: the first player (the computer) places three stones: black, white, black."},
};
// clang-format on

TEST(Swap2, EachStepAsksForWhatComesNext)
{
    for (const Swap2Case &c : SWAP2_CASES)
    {
        resetGameState();
        opponent = c.opponentAtStart;
        chooseOpening(OPENING_SWAP2);
        c.script();
        EXPECT_EQ(swap2Step(), c.step) << c.name;
        EXPECT_EQ(sideToMove, c.sideToMove) << c.name;
        EXPECT_EQ(stones(), c.stones) << c.name;
        EXPECT_EQ(opponent, c.opponentAfter) << c.name;
        EXPECT_EQ(gameNotice, c.notice) << c.name;
    }
}

TEST(Swap2, ChoicesOnlyWhereAsked)
{
    resetGameState();
    EXPECT_FALSE(chooseInSwap2(SWAP2_PLAY_WHITE)) << "no swap2 under the free opening";
    chooseOpening(OPENING_SWAP2);
    THREE();
    EXPECT_FALSE(chooseInSwap2(0));
    EXPECT_FALSE(chooseInSwap2(4));
    EXPECT_TRUE(chooseInSwap2(SWAP2_TWO_STONES));
    EXPECT_FALSE(chooseInSwap2(SWAP2_PLAY_WHITE)) << "the second player's stones come first";
    EXPECT_EQ(swap2Player(), 2);
    places({{8, 8}, {8, 10}});
    EXPECT_EQ(swap2Player(), 1);
    EXPECT_FALSE(chooseInSwap2(SWAP2_TWO_STONES));
    EXPECT_TRUE(chooseInSwap2(SWAP2_PLAY_BLACK));
    EXPECT_EQ(swap2Player(), 0);
}

// The computer plays its part of the opening by itself, within what each step allows.
TEST(Swap2, TheComputerPlaysItsPart)
{
    for (std::uint8_t level : {LEVEL_EASY, LEVEL_MEDIUM})
    {
        SCOPED_TRACE("level " + std::to_string(level));
        const auto start = [level](std::uint8_t side)
        {
            resetGameState();
            computerLevel = level;
            opponent = side;
            chooseOpening(OPENING_SWAP2);
        };
        // First: its three stones, black, white, black.
        start(OPPONENT_BLACK);
        EXPECT_TRUE(computerToMove());
        thinkFor(20);
        EXPECT_EQ(stones(), 3);
        EXPECT_EQ(moveHistory[0].side, 0);
        EXPECT_EQ(moveHistory[1].side, 1);
        EXPECT_EQ(moveHistory[2].side, 0);
        EXPECT_EQ(swap2Step(), SWAP2_SECOND_CHOICE);
        EXPECT_FALSE(computerToMove()) << "the player's choice";
        key('3');
        places({{5, 5}, {12, 12}});
        EXPECT_EQ(swap2Step(), SWAP2_FIRST_CHOICE);
        EXPECT_TRUE(computerToMove());
        thinkFor(20);
        EXPECT_EQ(swap2Step(), SWAP2_OVER);
        EXPECT_EQ(sideToMove, 1);
        EXPECT_EQ(stones(), 5);
        // It took white (and is to move) or black (and the player is).
        EXPECT_EQ(computerToMove(), opponent == OPPONENT_WHITE);
        EXPECT_NE(opponent, OPPONENT_NONE);

        // Second: after the player's three stones, one of its three choices.
        start(OPPONENT_WHITE);
        EXPECT_FALSE(computerToMove());
        THREE();
        EXPECT_TRUE(computerToMove());
        thinkFor(20);
        if (swap2SecondChoice == SWAP2_TWO_STONES)
        {
            EXPECT_EQ(swap2Step(), SWAP2_FIRST_CHOICE);
            EXPECT_EQ(stones(), 5);
            EXPECT_EQ(moveHistory[3].side, 1);
            EXPECT_EQ(moveHistory[4].side, 0);
            EXPECT_FALSE(computerToMove());
        }
        else
        {
            EXPECT_EQ(swap2Step(), SWAP2_OVER);
            EXPECT_EQ(stones(), 3);
            EXPECT_EQ(opponent,
                      swap2SecondChoice == SWAP2_PLAY_WHITE ? OPPONENT_WHITE : OPPONENT_BLACK);
        }
    }
}

} // namespace
