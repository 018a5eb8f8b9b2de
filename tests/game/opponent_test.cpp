// Undo, and the computer as a player: undo and the computer's turn after every kind of change as
// tables; it moves only for its own side and never places the answer of a dropped thought.
#include "app/input.h"
#include "game/opponent.h"
#include "tests/fakes/fake_glut.h"
#include "tests/game/game_test_support.h"

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace
{

// clang-format off
// Black makes five along row 4 while white answers on row 6; black's fifth stone is (4, 4).
const Action blackWinsAlongRow4 = [] {
    places({{4, 0}, {6, 0}, {4, 1}, {6, 1}, {4, 2}, {6, 2}, {4, 3}, {6, 5}, {4, 4}}); };
const auto undoTimes = [](int n) -> Action {
    return [=] { for (int i = 0; i < n; ++i) undoForPlayer(); }; };
// Five games of one stone each, cleared one after another.
const Action fiveClearedGames = [] {
    for (int col = 0; col < 5; ++col) places({{0, col}}), restartGame(); };
const Action centre = [] { places({{9, 9}}); };
const Action computerWhite = [] { opponent = OPPONENT_WHITE; };
// clang-format on

struct UndoCase
{
    const char *name;
    Action setup;
    Action step;
    std::vector<std::pair<std::pair<int, int>, std::int32_t>> cells; // what they hold afterwards
    int stones;                                                      // stones on the board
    std::uint8_t sideToMove, gameOver;
    std::int32_t winRow = 0;
};

// Undo right after Restart, by the menu and by the key, is also in the game's own tables.
// clang-format off
const std::vector<UndoCase> UNDO_CASES = {
    {"a plain move", [] { places({{9, 9}, {9, 10}}); }, undoForPlayer,
     {{{9, 10}, E}, {{9, 9}, B}}, 1, 1, 0},
    {"on an empty board", {}, undoForPlayer, {}, 0, 0, 0},
    {"twice, to the empty board", centre, undoTimes(2), {{{9, 9}, E}}, 0, 0, 0},
    {"after Restart against the computer, the game as it stood",
     [] { computerWhite(), places({{9, 9}, {8, 8}, {9, 10}}), restartGame(); },
     undoForPlayer, {{{9, 10}, B}, {{8, 8}, W}}, 3, 1, 0},
    {"once per Restart: an undo too many does nothing", [] { centre(), restartGame(); },
     undoTimes(3), {{{9, 9}, E}}, 0, 0, 0},
    // The last four cleared games come back, newest first; the first is forgotten. Each opened
    // with black, as every new game but one after a win does.
    {"the last four cleared games", fiveClearedGames, undoTimes(7),
     {{{0, 1}, B}, {{0, 0}, E}}, 1, 1, 0},
    {"the first of five cleared games is gone", fiveClearedGames, undoTimes(12),
     {{{0, 0}, E}}, 0, 0, 0},
    {"the winning stone", blackWinsAlongRow4, undoForPlayer,
     {{{4, 4}, E}, {{4, 3}, B}}, 8, 0, 0},
    {"a stone placed over another in cheat mode", [] { centre(), cheatMode = 1, centre(); },
     undoForPlayer, {{{9, 9}, B}}, 1, 1, 0},
    {"by the key u, also after a five", blackWinsAlongRow4, [] { onKeyboard('u', 0, 0); },
     {{{4, 4}, E}}, 8, 0, 0},
    // Against the computer: back to the player's turn, its answer and the player's move with it.
    {"the computer's answer and the player's move",
     [] { computerWhite(), places({{9, 9}, {8, 8}, {9, 10}, {8, 9}}); },
     undoForPlayer, {{{8, 9}, E}, {{9, 10}, E}, {{8, 8}, W}}, 2, 0, 0},
    {"the player's move while the computer thinks",
     [] { computerWhite(), places({{9, 9}, {8, 8}, {9, 10}}); },
     undoForPlayer, {{{9, 10}, E}, {{8, 8}, W}}, 2, 0, 0},
    {"nothing when the computer alone has moved", [] { opponent = OPPONENT_BLACK, centre(); },
     undoForPlayer, {{{9, 9}, B}}, 1, 1, 0},
    {"a five laid down before the stone taken back still ends the game",
     [] { cheatMode = 1, line(B, 2, 0, ROW, 5), places({{10, 10}}); },
     undoForPlayer, {{{10, 10}, E}, {{2, 4}, B}}, 5, 0, 1, 2},
    {"the computer's five and the move before it",
     [] { blackWinsAlongRow4(), opponent = OPPONENT_BLACK; },
     undoForPlayer, {{{4, 4}, E}, {{6, 5}, E}, {{4, 3}, B}}, 7, 1, 0},
};
// clang-format on

TEST(Undo, TakesBackToThePlayersTurn)
{
    for (const UndoCase &c : UNDO_CASES)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        if (c.setup)
        {
            c.setup();
        }
        c.step();
        for (const auto &[where, value] : c.cells)
        {
            EXPECT_EQ(cell(where.first, where.second), value) << where.first << "," << where.second;
        }
        EXPECT_EQ(stones(), c.stones);
        EXPECT_EQ(sideToMove, c.sideToMove);
        EXPECT_EQ(gameOver, c.gameOver);
        if (c.gameOver != 0)
        {
            EXPECT_EQ(winRow, c.winRow);
        }
    }
}

struct TurnCase
{
    const char *name;
    Action change;
    bool computerToMove;
};

// Mid-game, Restart, a new level, two players and undo are in the table of changes below.
// clang-format off
const std::vector<TurnCase> TURN_CASES = {
    {"two players", [] {}, false},
    {"computer plays black on black's turn", [] { onMenu(MENU_COMPUTER_BLACK); }, true},
    {"computer plays white on black's turn", [] { onMenu(MENU_COMPUTER_WHITE); }, false},
    {"computer plays white after black's move", [] { onMenu(MENU_COMPUTER_WHITE), centre(); },
     true},
    {"after a five, none", [] { blackWinsAlongRow4(), onMenu(MENU_COMPUTER_WHITE); }, false},
    {"after a five and Restart, the loser opens",
     [] { blackWinsAlongRow4(), onMenu(MENU_COMPUTER_WHITE), onMenu(MENU_RESTART); }, true},
};
// clang-format on

TEST(Computer, ItsTurnFollowsEveryChange)
{
    for (const TurnCase &c : TURN_CASES)
    {
        resetGameState();
        c.change();
        EXPECT_EQ(computerToMove(), c.computerToMove) << c.name;
    }
}

// Both sides have a four, black to move. On its turn alone the computer places, no key places for
// it, and it makes its own five rather than block the other's.
TEST(Computer, PlacesOnItsTurnAloneAndMakesItsOwnFive)
{
    for (std::uint8_t level : {LEVEL_EASY, LEVEL_MEDIUM, LEVEL_HARD})
    {
        for (std::uint8_t side : {OPPONENT_BLACK, OPPONENT_WHITE})
        {
            SCOPED_TRACE("side " + std::to_string(side) + ", level " + std::to_string(level));
            resetGameState();
            places({{4, 0}, {6, 0}, {4, 1}, {6, 1}, {4, 2}, {6, 2}, {4, 3}, {6, 3}});
            opponent = side;
            computerLevel = level;
            if (side == OPPONENT_WHITE)
            {
                thinkFor(1000);
                EXPECT_EQ(stones(), 8) << "black's turn: the player's";
                onKeyboard(' ', 0, 0);
                ASSERT_EQ(stones(), 9) << "the player places by key";
            }
            onKeyboard('w', 0, 0);
            onKeyboard(' ', 0, 0);
            EXPECT_EQ(stones(), side == OPPONENT_WHITE ? 9 : 8) << "no key places for it";
            for (int slice = 0; slice < 1000 && computerToMove(); ++slice)
            {
                thinkFor(20);
            }
            EXPECT_EQ(gameOver, 1);
            EXPECT_EQ(side == OPPONENT_BLACK ? cell(4, 4) : cell(6, 4),
                      side == OPPONENT_BLACK ? B : W);
            EXPECT_EQ(moveHistory[historyLength - 1].side, side == OPPONENT_BLACK ? 0 : 1);
        }
    }
}

// A thinker that keeps what the game asks and hands over whatever answer the test gives it.
struct ScriptedThinker final : Thinker
{
    std::vector<ThinkRequest> posts;
    int cancels = 0;
    std::optional<ThinkAnswer> next;
    void post(const ThinkRequest &request) override { posts.push_back(request); }
    void cancel() override { ++cancels; }
    bool poll(ThinkAnswer &answer, int) override
    {
        const bool given = next.has_value();
        answer = next.value_or(answer);
        next.reset();
        return given;
    }
};

engine::Move pointAt(int row, int col)
{
    return engine::Position(BOARD_SIZE).at(col, row);
}

struct ChangeCase
{
    const char *name;
    Action change;
    bool thinksAgain; // the computer is still to move, and thinks about the game as it now is
};

const std::vector<ChangeCase> CHANGE_CASES = {
    {"u", [] { onKeyboard('u', 0, 0); }, false},
    {"Undo", [] { onMenu(MENU_UNDO); }, false},
    {"Restart", [] { onMenu(MENU_RESTART), onKeyboard('y', 0, 0); }, false}, // black opens
    {"Easy", [] { onMenu(MENU_EASY); }, true},
    {"Medium", [] { onMenu(MENU_MEDIUM); }, true},
    {"Two players", [] { onMenu(MENU_TWO_PLAYERS); }, false},
    {"Computer plays black", [] { onMenu(MENU_COMPUTER_BLACK); }, false},
    {"Cheat", [] { onMenu(MENU_CHEAT); }, true},
};

// Each thought asks about the game as it now is: board, side, rule, level, limits and seed; the
// thinker gives the engine's move for it (thinker_test.cpp).
void expectAboutTheGame(const ThinkRequest &request)
{
    EXPECT_TRUE(std::equal(std::begin(Board), std::end(Board), request.cells.begin()));
    EXPECT_EQ(request.toMove, sideToMove);
    EXPECT_EQ(request.rule, gameRule);
    EXPECT_EQ(request.level, computerLevel == LEVEL_HARD   ? engine::Level::Hard
                             : computerLevel == LEVEL_EASY ? engine::Level::Easy
                                                           : engine::Level::Medium);
    EXPECT_EQ(request.limits.timeMs, computerLevel == LEVEL_HARD ? 1000 : 0)
        << "the hard level thinks for a second";
    EXPECT_EQ(std::tie(request.limits.nodes, request.limits.depth, request.limits.settledMs),
              std::make_tuple(0, 0, 0))
        << "and no level has a budget of its own beside the time";
    EXPECT_EQ(request.seed, computerSeed ^ static_cast<std::uint64_t>(historyLength))
        << "the game's seed mixed with the number of moves";
}

// A thought dropped by a change is cancelled and its answer never placed; while the computer is
// still to move, a new thought begins, and its answer is placed.
TEST(Computer, NeverPlacesTheAnswerOfADroppedThought)
{
    for (const ChangeCase &c : CHANGE_CASES)
    {
        SCOPED_TRACE(c.name);
        resetGameState();
        auto owned = std::make_unique<ScriptedThinker>();
        ScriptedThinker &script = *owned;
        useThinker(std::move(owned));
        opponent = OPPONENT_WHITE;
        computerLevel = LEVEL_HARD;
        computerSeed = 0x5eed;
        places({{9, 9}});
        thinkFor(12);
        ASSERT_EQ(script.posts.size(), 1u);
        const ThinkRequest first = script.posts[0];
        expectAboutTheGame(first);
        EXPECT_TRUE(computerThinking());
        c.change();
        const GameSnapshot before = takeSnapshot();
        script.next = ThinkAnswer{first.generation, pointAt(8, 8), 1, 1}; // it comes all the same
        thinkFor(12);
        EXPECT_EQ(takeSnapshot(), before) << "the dropped thought's answer was placed";
        EXPECT_EQ(script.cancels, 1);
        EXPECT_EQ(computerThinking(), c.thinksAgain);
        ASSERT_EQ(script.posts.size(), c.thinksAgain ? 2u : 1u);
        if (!c.thinksAgain)
        {
            continue;
        }
        const ThinkRequest &second = script.posts[1];
        EXPECT_NE(second.generation, first.generation);
        expectAboutTheGame(second);
        script.next = ThinkAnswer{second.generation, pointAt(3, 4), 1, 1};
        thinkFor(12);
        EXPECT_EQ(cell(3, 4), W);
        EXPECT_EQ(sideToMove, 0);
    }
}

// The easy level's answers to black's centre stone in eight games after one another, each begun
// by Restart, from the session's seed.
std::vector<std::pair<int, int>> easyAnswersOverGames(std::uint64_t sessionSeed, bool fixed)
{
    resetGameState();
    seedGames(sessionSeed, fixed);
    opponent = OPPONENT_WHITE;
    computerLevel = LEVEL_EASY;
    std::vector<std::pair<int, int>> answers;
    for (int game = 0; game < 8; ++game)
    {
        restartGame();
        places({{9, 9}});
        for (int slice = 0; slice < 100 && computerToMove(); ++slice)
        {
            thinkFor(20);
        }
        EXPECT_EQ(historyLength, 2) << "game " << game << ": the computer answered";
        answers.emplace_back(moveHistory[1].row, moveHistory[1].col);
    }
    return answers;
}

// Each new game draws its own seed, so the easy level does not answer the same moves in every
// game; the same session's seed gives the same games again, and a fixed seed every game alike.
TEST(Computer, EachGameDrawsItsSeed)
{
    const auto drawn = easyAnswersOverGames(0x5eed, false);
    std::vector<std::pair<int, int>> distinct = drawn;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    EXPECT_GE(distinct.size(), 3u) << "eight games, hardly any variety";
    EXPECT_EQ(easyAnswersOverGames(0x5eed, false), drawn) << "the same session's seed";
    EXPECT_NE(easyAnswersOverGames(0x5eee, false), drawn) << "another session's seed";
    const auto fixed = easyAnswersOverGames(0x5eed, true);
    EXPECT_EQ(std::count(fixed.begin(), fixed.end(), fixed.front()), 8) << "a fixed seed";
}

TEST(Menu, MarksTheChoicesInForce)
{
    resetGameState();
    fakeGlutCalls().clear();
    onMenu(MENU_COMPUTER_BLACK);
    onMenu(MENU_HARD);
    onMenu(MENU_RENJU);
    onMenu(MENU_SWAP2);
    std::vector<std::string> labels;
    for (const GlutCall &call : fakeGlutCalls())
    {
        if (call.first.rfind("glutChangeToMenuEntry", 0) == 0)
        {
            labels.push_back(call.first.substr(std::string("glutChangeToMenuEntry ").size()));
        }
    }
    const std::vector<std::string> last(labels.end() - 31, labels.end());
    // clang-format off
    const std::vector<std::string> expected = {"4 ( ) Two players 3",
        "5 ( ) Computer plays white 4", "6 (*) Computer plays black 5", "7 ( ) Easy 6",
        "8 ( ) Medium 7", "9 (*) Hard 8", "10 ( ) Freestyle 9", "11 ( ) Exactly five 10",
        "12 (*) Renju 11", "13 ( ) Free 12", "14 (*) Swap2 13", "15 Save game 14",
        "16 Play on from here 15", "17 ( ) Move numbers 16", "18 Hint 17", "19 Analyse game 18",
        "20 Starting view 19", "21 Resign 20", "22 Offer a draw 21", "23 Rematch 22",
        "24 Swap2: take white 23", "25 Swap2: take black 24",
        "26 Swap2: place two more 25", "27 Allow taking back 26",
        "28 Refuse taking back 27",
        "29 Yes, abandon this game 28",
        "30 No, go on with this game 29", "31 ( ) See-through cursor 30",
        "32 Accept the draw 31", "33 Decline the draw 32", "34 Clock: none 33"};
    // clang-format on
    EXPECT_EQ(last, expected);
    EXPECT_STREQ(menuLabel(MENU_CHEAT), "Cheat");
    EXPECT_STREQ(menuLabel(MENU_RESTART), "Restart");
    EXPECT_STREQ(menuLabel(42), "");
}

} // namespace
