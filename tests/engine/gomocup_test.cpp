// The brain's side of the Gomocup protocol as a table of command scripts and the exact lines
// they answer; "<move>" stands for any point x,y that is free on the board. Bad input is half
// of the table: each gets its ERROR (or UNKNOWN) and the brain goes on.
#include "engine/gomocup.h"

#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using engine::GomocupBrain;

struct Script
{
    const char *name;
    std::vector<std::string> commands;
    std::vector<std::string> answers;
};

const std::string MOVE = "<move>";
// Quick moves: "as fast as possible" makes the brain search a fixed, small number of positions.
const std::string FAST = "INFO timeout_turn 0";

const std::vector<Script> SCRIPTS = {
    {"about",
     {"ABOUT"},
     {"name=\"gomoku3d\", version=\"1.0.0\", author=\"the gomoku3d developers\""}},
    {"start and open in the centre", {"START 15", "BEGIN"}, {"OK", "7,7"}},
    {"start on the tournaments' board", {"START 20", "BEGIN"}, {"OK", "10,10"}},
    {"commands in lower case", {"start 19", "begin"}, {"OK", "9,9"}},
    {"answer a move, then another", {"START 15", FAST, "TURN 7,7", "TURN 0,0"}, {"OK", MOVE, MOVE}},
    {"make five when it can",
     {"START 15", FAST, "BOARD", "2,3,2", "3,3,1", "4,3,1", "5,3,1", "6,3,1", "3,6,2", "4,6,2",
      "5,6,2", "DONE"},
     {"OK", "7,3"}},
    {"its own five rather than the opponent's",
     {"START 15", FAST, "BOARD", "2,3,2", "3,3,1", "4,3,1", "5,3,1", "6,3,1", "2,6,1", "3,6,2",
      "4,6,2", "5,6,2", "6,6,2", "DONE"},
     {"OK", "7,3"}},
    {"stop the opponent's four",
     {"START 15", FAST, "BOARD", "2,5,1", "3,5,2", "4,5,2", "5,5,2", "6,5,2", "9,9,1", "10,10,1",
      "DONE"},
     {"OK", "7,5"}},
    {"restart clears the board",
     {"START 15", FAST, "TURN 3,3", "RESTART", "TURN 3,3"},
     {"OK", MOVE, "OK", MOVE}},
    {"take a stone back",
     {"START 15", FAST, "BOARD", "7,7,1", "DONE", "TAKEBACK 7,7", "TAKEBACK 7,7"},
     {"OK", MOVE, "OK", "ERROR no stone on '7,7' to take back"}},
    {"a rectangle that is square", {"RECTSTART 15,15", "BEGIN"}, {"OK", "7,7"}},
    {"freestyle and continuous games are played",
     {"START 15", "INFO rule 0", "INFO rule 2", "BEGIN"},
     {"OK", "7,7"}},
    {"unknown INFO keys and empty lines are ignored",
     {"INFO evaluate 3,3", "", "   ", "START 15"},
     {"OK"}},
    {"end", {"START 15", "END", "BEGIN"}, {"OK"}},

    // Bad input.
    {"a move before START",
     {"BEGIN", "TURN 1,1", "START 15"},
     {"ERROR no board yet: START comes first", "ERROR no board yet: START comes first", "OK"}},
    {"sizes it does not play",
     {"START 4", "START 33", "START", "START x", "START 15 15", "RECTSTART 20,15", "RECTSTART 9"},
     {"ERROR unsupported board size 4: this brain plays boards of 5 to 32",
      "ERROR unsupported board size 33: this brain plays boards of 5 to 32",
      "ERROR START needs a board size, not ''", "ERROR START needs a board size, not 'x'",
      "ERROR START needs a board size, not '15 15'",
      "ERROR unsupported board 20x15: this brain plays square boards of 5 to 32",
      "ERROR RECTSTART needs width,height, not '9'"}},
    {"malformed and off-board moves",
     {"START 15", "TURN 15,0", "TURN -1,3", "TURN 7", "TURN a,b", "TURN 3,4,5",
      "TURN 99999999999999999999,1", "TURN"},
     {"OK", "ERROR point 15,0 is off the 15x15 board", "ERROR point -1,3 is off the 15x15 board",
      "ERROR expected coordinates x,y, not '7'", "ERROR expected coordinates x,y, not 'a,b'",
      "ERROR expected coordinates x,y, not '3,4,5'",
      "ERROR expected coordinates x,y, not '99999999999999999999,1'",
      "ERROR expected coordinates x,y, not ''"}},
    {"a move on a taken point",
     {"START 15", FAST, "TURN 7,7", "TURN 7,7", "TURN 0,14"},
     {"OK", MOVE, "ERROR point 7,7 is taken", MOVE}},
    {"BOARD with junk",
     {"START 15", "BOARD", "1,1,1", "junk", "2,2,2", "DONE", "BEGIN"},
     {"OK", "ERROR not a board line: 'junk' (expected x,y,1 or x,y,2)", "7,7"}},
    {"BOARD with a bad stone or point",
     {"START 15", "BOARD", "1,1,5", "DONE", "BOARD", "1,1,1", "1,1,2", "DONE", "BOARD", "20,1,1",
      "DONE"},
     {"OK", "ERROR bad stone in '1,1,5': 1 is the brain's own, 2 the opponent's",
      "ERROR two stones on 1,1", "ERROR point 20,1 is off the 15x15 board"}},
    {"BOARD of a finished game",
     {"START 15", "BOARD", "0,0,2", "1,0,2", "2,0,2", "3,0,2", "4,0,2", "DONE"},
     {"OK", "ERROR the game is over: there is five in a row"}},
    {"BEGIN on a board with stones",
     {"START 15", FAST, "TURN 1,1", "BEGIN"},
     {"OK", MOVE, "ERROR BEGIN on a board that is not empty: RESTART first"}},
    {"rules it does not play",
     {"START 15", "INFO rule 1", "BEGIN", "INFO rule 4", "TURN 1,1", "INFO rule 8", "BOARD", "DONE",
      "INFO rule 0", "BEGIN"},
     {"OK", "ERROR rule 1 is not supported: this brain plays freestyle, five or more in a row wins",
      "ERROR rule 4 is not supported: this brain plays freestyle, five or more in a row wins",
      "ERROR rule 8 is not supported: this brain plays freestyle, five or more in a row wins",
      "7,7"}},
    {"a memory limit too small",
     {"START 15", "INFO max_memory 1000", "BEGIN", "INFO max_memory 0", "BEGIN"},
     {"OK", "ERROR memory limit of 1000 bytes is too small: this brain needs 4 MiB", "7,7"}},
    {"unknown commands",
     {"FOO", "SWAP2BOARD", "PLAY 1,1", "\x01\x7f"},
     {"UNKNOWN command 'FOO'", "UNKNOWN command 'SWAP2BOARD'", "UNKNOWN command 'PLAY'",
      "UNKNOWN command '?"
      "?'"}},
    {"a line too long",
     {std::string(5000, 'A'), "START 15"},
     {"ERROR line too long: at most 4096 characters", "OK"}},
};

// The points taken on the board as the brain was told of them and answered, to hold each of its
// moves to a free point of the board.
struct Points
{
    int size = 0;
    std::set<std::pair<int, int>> taken;
    std::set<std::pair<int, int>> block; // the BOARD block being read

    // Follows a command the brain accepted (its answer did not start with ERROR).
    void command(const std::string &line)
    {
        int a = 0, b = 0, c = 0;
        if (std::sscanf(line.c_str(), "START %d", &a) == 1 ||
            std::sscanf(line.c_str(), "RECTSTART %d,", &a) == 1)
        {
            size = a, taken.clear();
        }
        else if (line == "RESTART")
        {
            taken.clear();
        }
        else if (std::sscanf(line.c_str(), "TURN %d,%d", &a, &b) == 2)
        {
            taken.insert({a, b});
        }
        else if (std::sscanf(line.c_str(), "TAKEBACK %d,%d", &a, &b) == 2)
        {
            taken.erase({a, b});
        }
        else if (line == "BOARD")
        {
            block.clear();
        }
        else if (std::sscanf(line.c_str(), "%d,%d,%d", &a, &b, &c) == 3)
        {
            block.insert({a, b});
        }
        else if (line == "DONE")
        {
            taken = block;
        }
    }

    // Whether `answer` is "x,y" of a point of the board that is free; then it is taken.
    bool freePoint(const std::string &answer)
    {
        int x = -1, y = -1;
        if (!std::regex_match(answer, std::regex("[0-9]+,[0-9]+")) ||
            std::sscanf(answer.c_str(), "%d,%d", &x, &y) != 2 || x >= size || y >= size ||
            !taken.insert({x, y}).second)
        {
            return false;
        }
        return true;
    }
};

TEST(Gomocup, AnswersEachScriptExactly)
{
    for (const Script &script : SCRIPTS)
    {
        GomocupBrain brain;
        std::vector<std::string> answers;
        Points points;
        for (const std::string &command : script.commands)
        {
            const std::size_t before = answers.size();
            const bool goOn = brain.handle(command, answers);
            if (answers.size() == before || answers[before].rfind("ERROR", 0) != 0)
            {
                points.command(command);
            }
            for (std::size_t i = before; i < answers.size(); ++i)
            {
                const bool expected = i < script.answers.size();
                if (expected && script.answers[i] == MOVE)
                {
                    EXPECT_TRUE(points.freePoint(answers[i]))
                        << script.name << ": " << answers[i] << " is no free point";
                }
                else if (expected)
                {
                    EXPECT_EQ(answers[i], script.answers[i]) << script.name;
                    points.freePoint(answers[i]); // a move given in full is taken too
                }
            }
            if (!goOn)
            {
                break;
            }
        }
        EXPECT_EQ(answers.size(), script.answers.size()) << script.name;
    }
}

TEST(Gomocup, SaysWhenInputEndsWithoutEnd)
{
    GomocupBrain brain;
    std::vector<std::string> answers;
    brain.endOfInput(answers);
    EXPECT_EQ(answers, std::vector<std::string>{"ERROR input ended without END"});
}

// The time a move may take: the turn's limit, or a twelfth of what is left of the match if
// that is less, always less a margin of 50 ms or a tenth.
TEST(Gomocup, TakesLessTimeThanItIsGiven)
{
    struct Case
    {
        std::vector<std::string> info;
        std::int64_t budget;
    };
    const std::vector<Case> cases = {
        {{}, 900},
        {{"INFO timeout_turn 5000"}, 4500},
        {{"INFO timeout_turn 5000", "INFO time_left 2147483647"}, 4500},
        {{"INFO timeout_turn 30000", "INFO time_left 60000"}, 4500},
        {{"INFO timeout_turn 200"}, 150},
        {{"INFO timeout_turn 5000", "INFO time_left 0"}, 1},
        {{"INFO timeout_turn 5000", "INFO time_left -300"}, 1},
    };
    for (const Case &c : cases)
    {
        GomocupBrain brain;
        std::vector<std::string> answers;
        for (const std::string &line : c.info)
        {
            brain.handle(line, answers);
        }
        EXPECT_EQ(brain.moveBudgetMs(), c.budget) << (c.info.empty() ? "" : c.info.back());
        EXPECT_TRUE(answers.empty());
    }
}

// The table takes what the limit leaves beside the brain's own 3 MiB (its program, buffers and
// stack), in a power of two of entries, at most 64 MiB; just above a power of two, taking the
// limit whole would leave the rest of the brain nothing.
TEST(Gomocup, SizesItsTableByTheMemoryLimit)
{
    constexpr std::size_t MIB = std::size_t{1} << 20, OWN = 3 * MIB;
    const std::vector<std::size_t> limits = {0,        4 * MIB,  6 * MIB,   17 * MIB, 18 * MIB,
                                             20000000, 35 * MIB, 100 * MIB, 512 * MIB};
    for (std::size_t limit : limits)
    {
        GomocupBrain brain;
        std::vector<std::string> answers;
        brain.handle("INFO max_memory " + std::to_string(limit), answers);
        EXPECT_TRUE(answers.empty());
        const std::size_t room = limit == 0 ? 64 * MIB : std::min(64 * MIB, limit - OWN);
        EXPECT_LE(brain.hashBytes(), room) << limit;
        EXPECT_GT(brain.hashBytes(), room / 2) << limit << ": the largest power of two that fits";
    }
}

} // namespace
