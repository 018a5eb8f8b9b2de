// A game stepped through, played on from a move, saved as a record and opened from one: through
// the keys, the menu and the records' functions, as a player reaches them.
#include "game/game_state.h"
#include "app/input.h"
#include "game/opponent.h"
#include "game/records.h"
#include "game_test_support.h"
#include "platform/records.h"

#include <gtest/gtest.h>

#include <GL/freeglut_std.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// Seven moves, black's first: (row, col).
const std::vector<std::pair<int, int>> SEVEN = {{9, 9},  {9, 10}, {10, 9}, {8, 8},
                                                {11, 9}, {8, 10}, {12, 12}};

void play(const std::vector<std::pair<int, int>> &moves)
{
    for (auto [row, col] : moves)
    {
        placeStone(row, col);
    }
}

// The board after the first `count` moves, placed by the rule on a fresh game.
GameSnapshot boardAfter(const std::vector<std::pair<int, int>> &moves, int count)
{
    resetGameState();
    play({moves.begin(), moves.begin() + count});
    return takeSnapshot();
}

void key(int special)
{
    onSpecialKey(special, 0, 0);
}

struct StepCase
{
    const char *name;
    std::vector<int> keys;
    int shown;          // the moves on the board after the keys
    const char *notice; // the status line's words
};

class Stepping : public ::testing::TestWithParam<StepCase>
{
};

TEST_P(Stepping, ShowsTheGameAfterTheMovesStepped)
{
    const StepCase &c = GetParam();
    const GameSnapshot expected = boardAfter(SEVEN, c.shown);
    resetGameState();
    play(SEVEN);
    for (int k : c.keys)
    {
        key(k);
    }
    EXPECT_EQ(takeSnapshot(), expected);
    EXPECT_EQ(historyLength, c.shown);
    EXPECT_EQ(gameNotice, c.notice);
    EXPECT_EQ(reviewing(), c.shown < int(SEVEN.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Review, Stepping,
    ::testing::Values(
        StepCase{"OneBack", {GLUT_KEY_PAGE_UP}, 6, "Move 6 of 7"},
        StepCase{
            "ThreeBack", {GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_UP}, 4, "Move 4 of 7"},
        StepCase{"ToTheFirst", {GLUT_KEY_HOME}, 0, "Move 0 of 7"},
        StepCase{"FirstThenOneOn", {GLUT_KEY_HOME, GLUT_KEY_PAGE_DOWN}, 1, "Move 1 of 7"},
        StepCase{"BackAndOnAgain",
                 {GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN},
                 6,
                 "Move 6 of 7"},
        StepCase{"FirstThenLast", {GLUT_KEY_HOME, GLUT_KEY_END}, 7, ""},
        StepCase{"OnPastTheEnd", {GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN, GLUT_KEY_PAGE_DOWN}, 7, ""},
        StepCase{"BackPastTheStart", {GLUT_KEY_HOME, GLUT_KEY_PAGE_UP}, 0, "Move 0 of 7"}),
    [](const auto &info) { return info.param.name; });

TEST(Review, PlacesAndTakesNothingBackBeforeTheEnd)
{
    resetGameState();
    play(SEVEN);
    key(GLUT_KEY_PAGE_UP);
    key(GLUT_KEY_PAGE_UP);
    const GameSnapshot shown = takeSnapshot();

    placeStone(0, 0);
    EXPECT_EQ(takeSnapshot(), shown) << "a stone placed while the game is shown before its end";
    EXPECT_NE(gameNotice.find("Play on from here"), std::string::npos) << gameNotice;
    undoMove();
    EXPECT_EQ(takeSnapshot(), shown) << "a move taken back while shown before the end";

    key(GLUT_KEY_END);
    EXPECT_EQ(takeSnapshot(), boardAfter(SEVEN, 7)) << "the game is whole again at its end";
}

TEST(Review, TheComputerWaitsWhileTheGameIsShownBeforeItsEnd)
{
    resetGameState();
    play({SEVEN.begin(), SEVEN.begin() + 4});
    key(GLUT_KEY_PAGE_UP); // white to move on the board shown
    onMenu(MENU_COMPUTER_WHITE);
    EXPECT_FALSE(computerToMove());
    for (int i = 0; i < 50; ++i)
    {
        onIdle();
    }
    EXPECT_EQ(historyLength, 3);
    onMenu(MENU_PLAY_ON);
    EXPECT_TRUE(computerToMove()) << "played on from here, the computer is to move";
}

TEST(Review, PlayingOnFromAMoveDropsTheMovesAfterIt)
{
    resetGameState();
    play(SEVEN);
    key(GLUT_KEY_PAGE_UP);
    key(GLUT_KEY_PAGE_UP);
    key(GLUT_KEY_PAGE_UP);
    onKeyboard('p', 0, 0);
    EXPECT_FALSE(reviewing());
    EXPECT_EQ(gameNotice, "Playing on from move 4.");
    placeStone(0, 0);
    EXPECT_EQ(historyLength, 5);
    EXPECT_EQ(cell(0, 0), B);
    key(GLUT_KEY_END);
    EXPECT_EQ(cell(12, 12), E) << "a move after the one played on from came back";
    EXPECT_EQ(historyLength, 5);
}

TEST(Review, RestartWhileShownKeepsTheWholeGameForUndo)
{
    resetGameState();
    play(SEVEN);
    const GameSnapshot whole = takeSnapshot();
    key(GLUT_KEY_HOME);
    onMenu(MENU_RESTART);
    onKeyboard('y', 0, 0); // the game is in progress: the player is asked first
    EXPECT_EQ(stones(), 0);
    EXPECT_FALSE(reviewing());
    undoMove();
    EXPECT_EQ(takeSnapshot(), whole);
}

TEST(Review, AFiveSteppedOverEndsTheGameOnlyWhereItStands)
{
    resetGameState();
    // Black's five down column 9, white elsewhere.
    play({{5, 9}, {0, 0}, {6, 9}, {0, 2}, {7, 9}, {0, 4}, {8, 9}, {0, 6}, {9, 9}});
    ASSERT_EQ(gameOver, 1);
    key(GLUT_KEY_PAGE_UP);
    EXPECT_EQ(gameOver, 0) << "the board before the five";
    key(GLUT_KEY_PAGE_DOWN);
    EXPECT_EQ(gameOver, 1);
    EXPECT_EQ(winDirection, DIR_COLUMN);
}

// The swap2 choices go with the stones they followed, and come back with them.
TEST(Review, Swap2ChoicesComeBackWithTheirStones)
{
    resetGameState();
    onMenu(MENU_SWAP2);
    play({{9, 9}, {9, 10}, {10, 10}});
    ASSERT_TRUE(chooseInSwap2(SWAP2_TWO_STONES));
    play({{8, 8}, {11, 11}});
    ASSERT_TRUE(chooseInSwap2(SWAP2_PLAY_BLACK)); // the last thing done: no stone after it
    key(GLUT_KEY_HOME);
    EXPECT_EQ(swap2SecondChoice, 0);
    key(GLUT_KEY_END);
    EXPECT_EQ(swap2SecondChoice, SWAP2_TWO_STONES);
    EXPECT_EQ(swap2FirstChoice, SWAP2_PLAY_BLACK);
    EXPECT_EQ(swap2Step(), SWAP2_OVER);
}

// Review keys do nothing to an online game, whose moves are the server's: covered with the online
// tests, which have a session.

struct RecordCase
{
    const char *name;
    engine::Rule rule;
    std::uint8_t opening;
    std::vector<std::pair<int, int>> moves;
    std::vector<int> choices; // made after the third and the fifth stones, 0 for none
    int stepsBack;            // where the game is shown when it is saved
};

class RecordOfTheWindowGame : public ::testing::TestWithParam<RecordCase>
{
};

TEST_P(RecordOfTheWindowGame, OpensAsTheSameGame)
{
    const RecordCase &c = GetParam();
    resetGameState();
    gameRule = c.rule;
    gameOpening = c.opening;
    for (std::size_t i = 0; i < c.moves.size(); ++i)
    {
        if ((i == 3 || i == 5) && c.choices.size() > i / 4 && c.choices[i / 4] != 0)
        {
            ASSERT_TRUE(chooseInSwap2(c.choices[i / 4]));
        }
        placeStone(c.moves[i].first, c.moves[i].second);
    }
    ASSERT_EQ(historyLength, int(c.moves.size())) << "every move placed";
    const GameSnapshot whole = takeSnapshot();
    const std::uint8_t second = swap2SecondChoice, first = swap2FirstChoice;
    for (int i = 0; i < c.stepsBack; ++i)
    {
        key(GLUT_KEY_PAGE_UP);
    }

    core::Record record;
    std::string why;
    ASSERT_TRUE(recordOfWindowGame(&record, &why)) << why;
    EXPECT_EQ(record.game.moves().size(), c.moves.size()) << "the moves after the one shown too";

    for (const std::string &text : {core::writePsq(record), core::writeSgf(record)})
    {
        resetGameState();
        placeStone(0, 17); // a game on the board, kept when the record opens
        ASSERT_TRUE(openRecordText(text, &why)) << why << "\n" << text;
        EXPECT_EQ(takeSnapshot().board, whole.board) << text;
        EXPECT_EQ(gameOver, whole.gameOver);
        EXPECT_EQ(sideToMove, whole.sideToMove);
        EXPECT_EQ(opponent, OPPONENT_NONE);
        const bool sgf = text.rfind("(", 0) == 0;
        if (sgf)
        {
            EXPECT_EQ(gameRule, c.rule);
            EXPECT_EQ(swap2SecondChoice, second);
            EXPECT_EQ(swap2FirstChoice, first);
        }
        undoMove();
        while (historyLength > 0)
        {
            undoMove();
        }
        undoMove(); // the game the record replaced comes back
        EXPECT_EQ(cell(0, 17), B) << "the game before the record";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordOfTheWindowGame,
    ::testing::Values(
        RecordCase{"Freestyle", engine::Rule::Freestyle, OPENING_FREE, SEVEN, {}, 0},
        RecordCase{"ShownInItsMiddle", engine::Rule::Freestyle, OPENING_FREE, SEVEN, {}, 4},
        RecordCase{"AFive",
                   engine::Rule::Standard,
                   OPENING_FREE,
                   {{5, 9}, {0, 0}, {6, 9}, {0, 2}, {7, 9}, {0, 4}, {8, 9}, {0, 6}, {9, 9}},
                   {},
                   0},
        RecordCase{"Renju", engine::Rule::Renju, OPENING_FREE, SEVEN, {}, 2},
        RecordCase{"Swap2TwoMore",
                   engine::Rule::Freestyle,
                   OPENING_SWAP2,
                   SEVEN,
                   {SWAP2_TWO_STONES, SWAP2_PLAY_BLACK},
                   0},
        RecordCase{
            "Swap2PlayBlack", engine::Rule::Renju, OPENING_SWAP2, SEVEN, {SWAP2_PLAY_BLACK}, 3}),
    [](const auto &info) { return info.param.name; });

TEST(Records, AGameWithCheatIsNotARecord)
{
    resetGameState();
    play({{9, 9}, {9, 10}});
    cheatMode = 1;
    placeStone(9, 9);
    core::Record record;
    std::string why;
    EXPECT_FALSE(recordOfWindowGame(&record, &why));
    EXPECT_EQ(why, "a stone was placed over another with Cheat");
}

TEST(Records, ARefusedRecordLeavesTheGameAsItWas)
{
    resetGameState();
    play(SEVEN);
    const GameSnapshot before = takeSnapshot();
    std::string why;
    EXPECT_FALSE(openRecordText("Piskvorky 18x18, 11:11, 0\n10,10,0\n10,10,0\n", &why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(takeSnapshot(), before);
    EXPECT_EQ(historyLength, 7);
}

// The folder of the records follows the environment; the game's saving writes both records there,
// and nothing is written under a name that is not a record's.
class RecordsFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() / ("gomoku3d-records-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        ::setenv("XDG_DATA_HOME", folder_.c_str(), 1);
    }
    void TearDown() override
    {
        fs::remove_all(folder_);
        ::unsetenv("XDG_DATA_HOME");
    }
    fs::path folder_;
};

TEST_F(RecordsFolder, SaveGameWritesBothRecordsThereAndTheyOpen)
{
    EXPECT_EQ(recordsFolder(), folder_ / "gomoku3d" / "games");
    resetGameState();
    play(SEVEN);
    onMenu(MENU_SAVE_GAME);
    ASSERT_EQ(gameNotice.rfind("Saved the game: ", 0), 0u) << gameNotice;
    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(recordsFolder()))
    {
        files.push_back(entry.path());
    }
    ASSERT_EQ(files.size(), 2u);
    const std::string saved = gameNotice;
    for (const fs::path &file : files)
    {
        EXPECT_NE(saved.find(file.string()), std::string::npos) << saved;
        std::string text, why;
        ASSERT_TRUE(readRecordFile(file, core::MAX_RECORD_BYTES, &text, &why)) << why;
        resetGameState();
        ASSERT_TRUE(openRecordText(text, &why)) << why;
        EXPECT_EQ(historyLength, 7) << file;
    }
}

TEST_F(RecordsFolder, NothingIsWrittenUnderANameThatIsNotARecords)
{
    for (const char *stem : {"../escape", "a/b", "", "..", "x\\y"})
    {
        std::string why;
        EXPECT_EQ(platformSaveRecord(stem, ".psq", "x", &why), "") << stem;
        EXPECT_FALSE(why.empty());
    }
    std::string why;
    EXPECT_EQ(platformSaveRecord("game", ".exe", "x", &why), "");
    EXPECT_FALSE(fs::exists(folder_ / "gomoku3d" / "escape.psq"));
    EXPECT_FALSE(fs::exists(folder_ / "gomoku3d" / "games" / "game.exe"));
}

TEST_F(RecordsFolder, AFileLargerThanARecordIsNotRead)
{
    fs::create_directories(folder_);
    const fs::path big = folder_ / "big.psq";
    std::ofstream(big) << std::string(2000, 'x');
    std::string text, why;
    EXPECT_FALSE(readRecordFile(big, 1000, &text, &why));
    EXPECT_NE(why.find("larger"), std::string::npos) << why;
    EXPECT_TRUE(readRecordFile(big, 2000, &text, &why)) << why;
    EXPECT_EQ(text.size(), 2000u);
    EXPECT_FALSE(readRecordFile(folder_ / "missing.psq", 1000, &text, &why));
}

} // namespace
