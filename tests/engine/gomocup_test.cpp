// The brain's side of the Gomocup protocol as a table of command scripts and the exact lines
// they answer; "<move>" stands for any point x,y that is free on the board, "!x,y" for any but
// that one, "<3 moves>" for three different points on a line, and "<swap2>" for any of the second
// player's answers to SWAP2BOARD (SWAP, a move or two). Bad input is half of the table: each gets
// its ERROR (or UNKNOWN) and the brain goes on.
#include "engine/gomocup.h"

#include <cstddef>
#include <cstdio>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using engine::GomocupBrain;
using engine::moveTime;
using engine::MoveTime;
using Lines = std::vector<std::string>;

struct Script
{
    const char *name;
    Lines commands, answers;
};

const std::string MOVE = "<move>";
const std::string THREE_MOVES = "<3 moves>";
const std::string SWAP2_ANSWER = "<swap2>";

// A BOARD block of the brain's stones (1) and the opponent's (2), from "x,y" lists.
Lines board(const Lines &own, const Lines &other)
{
    Lines lines = {"BOARD"};
    for (const std::string &s : own)
        lines.push_back(s + ",1");
    for (const std::string &s : other)
        lines.push_back(s + ",2");
    lines.push_back("DONE");
    return lines;
}

Lines operator+(Lines a, const Lines &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Black's double three on 7,7 (rows 5-7 of column 7 and row 7), white's three on the diagonal
// from 8,8 away from it, black's stones at both far ends: white's four on 11,11 leaves 7,7, which
// black may not play under renju. (Black is to move when the stones are even in number.)
const Lines BLACK_STONES = {"7,5", "7,6", "5,7", "6,7", "12,12", "6,6"};
const Lines WHITE_STONES = {"8,8", "9,9", "10,10"};
const Lines WHITE_FOUR = WHITE_STONES + Lines{"11,11", "0,14", "14,0"};
// A four on row 0 that would make six, one on row 5 that makes five, and white scattered.
const Lines SIX_OR_FIVE =
    board({"0,0", "1,0", "2,0", "3,0", "5,0", "0,5", "1,5", "2,5", "3,5"},
          {"0,9", "2,9", "4,9", "6,9", "8,9", "10,9", "12,9", "14,9", "1,12"});
// Black's six in a row on row 3 (every other point) and white's on row 0.
const Lines SIXES =
    board({"0,3", "2,3", "4,3", "6,3", "8,3", "10,3"}, {"0,0", "1,0", "2,0", "3,0", "4,0", "5,0"});
std::string unsupportedRule(int rule)
{
    return "ERROR rule " + std::to_string(rule) +
           " is not supported: this brain plays freestyle (0), exactly five (1) and renju (4)";
}
// Quick moves: "as fast as possible" makes the brain search a fixed, small number of positions.
const std::string FAST = "INFO timeout_turn 0";

const std::vector<Script> SCRIPTS = {
    {"about", Lines{"ABOUT"},
     Lines{"name=\"gomoku3d\", version=\"1.0.0\", author=\"the gomoku3d developers\""}},
    {"start on any board, in lower case too or as a square rectangle, and open in the centre",
     Lines{"START 15", "BEGIN", "START 20", "BEGIN", "start 19", "begin", "RECTSTART 15,15",
           "BEGIN"},
     Lines{"OK", "7,7", "OK", "10,10", "OK", "9,9", "OK", "7,7"}},
    {"make its own five rather than stop the opponent's",
     Lines{"START 15", FAST} +
         board({"3,3", "4,3", "5,3", "6,3", "2,6"}, {"2,3", "3,6", "4,6", "5,6", "6,6"}),
     Lines{"OK", "7,3"}},
    {"stop the opponent's four",
     Lines{"START 15", FAST} + board({"2,5", "9,9", "10,10"}, {"3,5", "4,5", "5,5", "6,5"}),
     Lines{"OK", "7,5"}},
    {"restart clears the board", Lines{"START 15", FAST, "TURN 3,3", "RESTART", "TURN 3,3"},
     Lines{"OK", MOVE, "OK", MOVE}},
    {"take a stone back",
     Lines{"START 15", FAST, "BOARD", "7,7,1", "DONE", "TAKEBACK 7,7", "TAKEBACK 7,7"},
     Lines{"OK", MOVE, "OK", "ERROR no stone on '7,7' to take back"}},
    {"freestyle, exactly five and renju are played, continuous or not",
     Lines{"START 15", "INFO rule 0", "INFO rule 2", "BEGIN", "RESTART", "INFO rule 1", "BEGIN",
           "RESTART", "INFO rule 3", "BEGIN", "RESTART", "INFO rule 4", "BEGIN", "RESTART",
           "INFO rule 6", "BEGIN"},
     Lines{"OK", "7,7", "OK", "7,7", "OK", "7,7", "OK", "7,7", "OK", "7,7"}},
    {"in freestyle six in a row wins", Lines{"START 15", "INFO rule 0"} + SIX_OR_FIVE,
     Lines{"OK", "4,0"}},
    {"under exactly five only five wins", Lines{"START 15", "INFO rule 1"} + SIX_OR_FIVE,
     Lines{"OK", "4,5"}},
    {"six in a row has ended a freestyle game, not one under exactly five",
     Lines{"START 15", "INFO rule 0"} + SIXES + Lines{"INFO rule 1"} + SIXES,
     Lines{"OK", "ERROR the game is over: there is five in a row", MOVE}},
    {"under renju black's six wins nothing and white's wins",
     Lines{"START 15", "INFO rule 4"} +
         board({"0,3", "2,3", "4,3", "6,3", "8,3", "10,3"},
               {"0,0", "1,0", "2,0", "3,0", "4,0", "5,0", "12,3"}) +
         board({"0,0", "1,0", "2,0", "3,0", "4,0", "5,0"},
               {"0,3", "2,3", "4,3", "6,3", "8,3", "10,3", "12,3"}),
     Lines{"OK", MOVE, "ERROR the game is over: there is five in a row"}},
    {"as black under renju it never plays a forbidden point, even to stop a four",
     Lines{"START 15", "INFO rule 4", FAST} + board(BLACK_STONES, WHITE_FOUR), Lines{"OK", "!7,7"}},
    {"in freestyle black stops the four there",
     Lines{"START 15", "INFO rule 0", FAST} + board(BLACK_STONES, WHITE_FOUR), Lines{"OK", "7,7"}},
    {"as white under renju it wins by a four black may not stop",
     Lines{"START 15", "INFO rule 4", FAST} +
         board(WHITE_STONES + Lines{"0,14", "14,0"}, BLACK_STONES),
     Lines{"OK", "11,11"}},
    {"SWAP2BOARD: the first three stones", Lines{"START 15", FAST, "SWAP2BOARD", "DONE"},
     Lines{"OK", THREE_MOVES}},
    {"SWAP2BOARD: the second player's choice",
     Lines{"START 15", FAST, "INFO rule 1", "SWAP2BOARD", "7,7", "8,7", "9,9", "DONE"},
     Lines{"OK", SWAP2_ANSWER}},
    {"SWAP2BOARD: the first player takes black, well ahead, then plays black's next move",
     Lines{"START 15", FAST, "INFO rule 4", "SWAP2BOARD", "7,7", "0,0", "8,7", "14,14", "9,7",
           "DONE", "TURN 0,14"},
     Lines{"OK", "SWAP", MOVE}},
    {"unknown INFO keys and empty lines are ignored",
     Lines{"INFO evaluate 3,3", "", "   ", "START 15"}, Lines{"OK"}},
    {"end", Lines{"START 15", "END", "BEGIN"}, Lines{"OK"}},

    // Bad input.
    {"a move before START", Lines{"BEGIN", "TURN 1,1", "START 15"},
     Lines{"ERROR no board yet: START comes first", "ERROR no board yet: START comes first", "OK"}},
    {"sizes it does not play",
     Lines{"START 4", "START 33", "START", "START x", "START 15 15", "RECTSTART 20,15",
           "RECTSTART 9"},
     Lines{"ERROR unsupported board size 4: this brain plays boards of 5 to 32",
           "ERROR unsupported board size 33: this brain plays boards of 5 to 32",
           "ERROR START needs a board size, not ''", "ERROR START needs a board size, not 'x'",
           "ERROR START needs a board size, not '15 15'",
           "ERROR unsupported board 20x15: this brain plays square boards of 5 to 32",
           "ERROR RECTSTART needs width,height, not '9'"}},
    {"malformed and off-board moves",
     Lines{"START 15", "TURN 15,0", "TURN -1,3", "TURN 7", "TURN a,b", "TURN 3,4,5",
           "TURN 99999999999999999999,1", "TURN"},
     Lines{"OK", "ERROR point 15,0 is off the 15x15 board",
           "ERROR point -1,3 is off the 15x15 board", "ERROR expected coordinates x,y, not '7'",
           "ERROR expected coordinates x,y, not 'a,b'",
           "ERROR expected coordinates x,y, not '3,4,5'",
           "ERROR expected coordinates x,y, not '99999999999999999999,1'",
           "ERROR expected coordinates x,y, not ''"}},
    {"a move on a taken point", Lines{"START 15", FAST, "TURN 7,7", "TURN 7,7", "TURN 0,14"},
     Lines{"OK", MOVE, "ERROR point 7,7 is taken", MOVE}},
    {"BOARD with junk", Lines{"START 15", "BOARD", "1,1,1", "junk", "2,2,2", "DONE", "BEGIN"},
     Lines{"OK", "ERROR not a board line: 'junk' (expected x,y,1 or x,y,2)", "7,7"}},
    {"BOARD with a bad stone or point",
     Lines{"START 15", "BOARD", "1,1,5", "DONE", "BOARD", "1,1,1", "1,1,2", "DONE", "BOARD",
           "20,1,1", "DONE"},
     Lines{"OK", "ERROR bad stone in '1,1,5': 1 is the brain's own, 2 the opponent's",
           "ERROR two stones on 1,1", "ERROR point 20,1 is off the 15x15 board"}},
    {"BOARD of a finished game", Lines{"START 15"} + board({}, {"0,0", "1,0", "2,0", "3,0", "4,0"}),
     Lines{"OK", "ERROR the game is over: there is five in a row"}},
    {"BEGIN on a board with stones", Lines{"START 15", FAST, "TURN 1,1", "BEGIN"},
     Lines{"OK", MOVE, "ERROR BEGIN on a board that is not empty: RESTART first"}},
    {"rules it does not play",
     Lines{"START 15", "INFO rule 8", "BEGIN", "INFO rule 5", "TURN 1,1", "INFO rule 10", "BOARD",
           "DONE", "INFO rule 9", "SWAP2BOARD", "DONE", "INFO rule 0", "BEGIN"},
     Lines{"OK", unsupportedRule(8), unsupportedRule(5), unsupportedRule(10), unsupportedRule(9),
           "7,7"}},
    {"SWAP2BOARD with a wrong number of stones, junk, a point off the board or taken twice",
     Lines{"SWAP2BOARD", "START 15",   "SWAP2BOARD", "7,7",        "8,8",        "DONE",
           "SWAP2BOARD", "7,7",        "junk",       "DONE",       "SWAP2BOARD", "7,7,1",
           "DONE",       "SWAP2BOARD", "15,3",       "DONE",       "SWAP2BOARD", "7,7",
           "8,8",        "7,7",        "DONE",       "SWAP2BOARD", "1,1",        "2,2",
           "3,3",        "4,4",        "5,5",        "6,6",        "DONE"},
     Lines{"ERROR no board yet: START comes first", "OK",
           "ERROR SWAP2BOARD needs 0, 3 or 5 stones, not 2",
           "ERROR not a stone of the opening: 'junk' (expected x,y)",
           "ERROR not a stone of the opening: '7,7,1' (expected x,y)",
           "ERROR point 15,3 is off the 15x15 board", "ERROR two stones on 7,7",
           "ERROR SWAP2BOARD needs 0, 3 or 5 stones, not 6"}},
    {"a memory limit too small",
     Lines{"START 15", "INFO max_memory 1000", "BEGIN", "INFO max_memory 0", "BEGIN"},
     Lines{"OK", "ERROR memory limit of 1000 bytes is too small: this brain needs 4 MiB", "7,7"}},
    {"unknown commands", Lines{"FOO", "SWAP3BOARD", "PLAY 1,1", "\x01\x7f"},
     Lines{"UNKNOWN command 'FOO'", "UNKNOWN command 'SWAP3BOARD'", "UNKNOWN command 'PLAY'",
           "UNKNOWN command '?"
           "?'"}},
    {"a line too long", Lines{std::string(5000, 'A'), "START 15"},
     Lines{"ERROR line too long: at most 4096 characters", "OK"}},
};

// Whether `answer` is `count` different points "x,y", one space between.
bool areMoves(const std::string &answer, int count)
{
    std::istringstream words(answer);
    const std::set<std::string> points{std::istream_iterator<std::string>(words), {}};
    return std::regex_match(answer, std::regex("[0-9]+,[0-9]+( [0-9]+,[0-9]+)*")) &&
           static_cast<int>(points.size()) == count;
}

// The points taken on the board as the brain was told of them and answered, to hold each of its
// moves to a free point of the board.
struct Points
{
    int size = 0;
    std::set<std::pair<int, int>> taken, block; // block: the BOARD block being read

    // Follows a command the brain accepted (its answer did not start with ERROR).
    void command(const std::string &line)
    {
        int a = 0, b = 0, c = 0;
        if (std::sscanf(line.c_str(), "START %d", &a) == 1 ||
            std::sscanf(line.c_str(), "RECTSTART %d,", &a) == 1)
            size = a, taken.clear();
        else if (line == "RESTART" || line == "BOARD")
            (line == "BOARD" ? block : taken).clear();
        else if (std::sscanf(line.c_str(), "TURN %d,%d", &a, &b) == 2)
            taken.insert({a, b});
        else if (std::sscanf(line.c_str(), "TAKEBACK %d,%d", &a, &b) == 2)
            taken.erase({a, b});
        else if (std::sscanf(line.c_str(), "%d,%d,%d", &a, &b, &c) == 3)
            block.insert({a, b});
        else if (line == "DONE")
            taken = block;
    }

    // Whether `answer` is "x,y" of a point of the board that is free; then it is taken.
    bool freePoint(const std::string &answer)
    {
        int x = -1, y = -1;
        return areMoves(answer, 1) && std::sscanf(answer.c_str(), "%d,%d", &x, &y) == 2 &&
               x < size && y < size && taken.insert({x, y}).second;
    }
};

// Whether `answer` is what the script's line asks for; a move in it is taken.
bool fits(const std::string &answer, const std::string &expected, Points &points)
{
    if (expected == MOVE)
        return points.freePoint(answer);
    points.freePoint(answer);
    if (expected == THREE_MOVES)
        return areMoves(answer, 3);
    if (expected == SWAP2_ANSWER)
        return answer == "SWAP" || areMoves(answer, 1) || areMoves(answer, 2);
    if (expected.front() == '!')
        return areMoves(answer, 1) && answer != expected.substr(1);
    return answer == expected;
}

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
                points.command(command);
            for (std::size_t i = before; i < answers.size() && i < script.answers.size(); ++i)
                EXPECT_TRUE(fits(answers[i], script.answers[i], points))
                    << script.name << ": " << answers[i] << " for " << script.answers[i];
            if (!goOn)
                break;
        }
        EXPECT_EQ(answers.size(), script.answers.size()) << script.name;
    }
}

// A move's time: the turn's limit or, if less, a twelfth of the match's time left, less 50 ms or a
// tenth; on a match clock a settled move may be given after a quarter of it.
TEST(Gomocup, TakesLessTimeThanItIsGiven)
{
    struct Case
    {
        std::vector<std::string> info;
        std::int64_t budget, settled;
    };
    const std::vector<Case> cases = {
        {{}, 900, 0},
        {{"INFO timeout_turn 5000"}, 4500, 0},
        {{"INFO timeout_turn 5000", "INFO time_left 2147483647"}, 4500, 0},
        {{"INFO timeout_turn 5000", "INFO time_left 180000"}, 4500, 1125},
        {{"INFO timeout_turn 30000", "INFO time_left 60000"}, 4500, 1125},
        {{"INFO timeout_turn 200"}, 150, 0},
        {{"INFO timeout_turn 5000", "INFO time_left 0"}, 1, 0},
        {{"INFO timeout_turn 5000", "INFO time_left -300"}, 1, 0},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.info.empty() ? "" : c.info.back());
        GomocupBrain brain;
        std::vector<std::string> answers;
        for (const std::string &line : c.info)
            brain.handle(line, answers);
        EXPECT_EQ(brain.moveBudgetMs(), c.budget);
        EXPECT_EQ(brain.settledMs(), c.settled);
        EXPECT_TRUE(answers.empty());
    }
}

// The brain's budget as a game's computer uses it: under the time left, and over a long game on a
// match clock (a hundred moves of its own), each move taking its budget and more, the clock never
// runs out.
TEST(Gomocup, AMatchClocksBudgetLastsTheWholeGame)
{
    for (const std::int64_t left : {std::int64_t{2}, std::int64_t{60}, std::int64_t{600},
                                    std::int64_t{6000}, std::int64_t{60000}})
    {
        const MoveTime time = moveTime(0, true, left);
        EXPECT_GE(time.budgetMs, 1) << left;
        EXPECT_LT(time.budgetMs, left) << left;
        EXPECT_LE(time.settledMs, time.budgetMs) << left;
    }
    for (const std::int64_t turn : {std::int64_t{0}, std::int64_t{1000}})
    {
        std::int64_t clock = 60000; // a minute, no increment
        for (int move = 0; move < 100; ++move)
        {
            // A move overruns its budget by a frame's 20 ms, as the window's game may.
            clock -= moveTime(turn, true, clock).budgetMs + 20;
            ASSERT_GT(clock, 0) << "move " << move;
        }
    }
}

// The table takes the largest power of two, at most 64 MiB, that the limit leaves beside the
// brain's own 3 MiB and 9 MiB for each helper thread; the threads are as many as leave the table
// its least.
TEST(Gomocup, SizesItsTableAndThreadsByTheMemoryLimit)
{
    constexpr std::size_t MIB = std::size_t{1} << 20;
    struct Case
    {
        int threads;
        std::size_t limit;
        int threadsGiven;
        std::size_t table;
    };
    const Case cases[] = {
        {1, 0, 1, 64 * MIB},        {1, 4 * MIB, 1, 1 * MIB},    {1, 6 * MIB, 1, 2 * MIB},
        {1, 17 * MIB, 1, 8 * MIB},  {1, 18 * MIB, 1, 8 * MIB},   {1, 20000000, 1, 16 * MIB},
        {1, 35 * MIB, 1, 32 * MIB}, {1, 100 * MIB, 1, 64 * MIB}, {1, 512 * MIB, 1, 64 * MIB},
        {2, 0, 2, 64 * MIB},        {4, 0, 4, 64 * MIB},         {2, 17 * MIB, 2, 4 * MIB},
        {4, 17 * MIB, 2, 4 * MIB},  {2, 12 * MIB, 1, 8 * MIB},   {3, 64 * MIB, 3, 32 * MIB},
        {65, 0, 64, 64 * MIB},      {0, 0, 1, 64 * MIB},
    };
    for (const Case &c : cases)
    {
        for (bool limitFirst : {false, true})
        {
            GomocupBrain brain;
            std::vector<std::string> answers;
            const std::string info = "INFO max_memory " + std::to_string(c.limit);
            if (limitFirst)
                brain.handle(info, answers);
            brain.setThreads(c.threads);
            if (!limitFirst)
                brain.handle(info, answers);
            EXPECT_EQ(brain.threads(), c.threadsGiven) << c.threads << " threads, " << info;
            EXPECT_EQ(brain.hashBytes(), c.table) << c.threads << " threads, " << info;
            EXPECT_TRUE(answers.empty());
        }
    }
}

// On several threads every move is legal and the helpers end with the brain's search.
TEST(Gomocup, PlaysOnSeveralThreads)
{
    for (int threads : {2, 3})
    {
        GomocupBrain brain;
        brain.setThreads(threads);
        brain.setNodesPerMove(5000); // the helpers, with no limit of their own, end with it
        std::vector<std::string> answers;
        brain.handle("START 15", answers);
        ASSERT_EQ(answers, std::vector<std::string>{"OK"});
        std::set<std::string> taken;
        answers.clear();
        brain.handle("BEGIN", answers);
        for (int turn = 0; turn < 6; ++turn)
        {
            ASSERT_EQ(answers.size(), 1u) << threads << " threads, turn " << turn;
            ASSERT_TRUE(areMoves(answers[0], 1)) << answers[0];
            EXPECT_TRUE(taken.insert(answers[0]).second) << answers[0] << " was taken";
            // The other side plays along the top edge, a point apart: no four is ever to stop.
            std::string other;
            for (int x = 0; other.empty() || taken.count(other) != 0; x += 2)
                other = std::to_string(x) + ",0";
            taken.insert(other);
            answers.clear();
            brain.handle("TURN " + other, answers);
        }
    }
}

constexpr std::int64_t MESSAGE_GAP_MS = 250; // the least time between two iterations' lines

// A brain whose MESSAGE lines go, as the executable writes them, into the one list of every line
// it has said, between its answers.
struct Talk
{
    GomocupBrain brain;
    Lines said;

    Talk()
    {
        brain.setMessages([this](const std::string &line) { said.push_back(line); });
    }
    // The lines that `commands` brought, in the order they were said.
    Lines send(const Lines &commands)
    {
        const std::size_t before = said.size();
        for (const std::string &command : commands)
            brain.handle(command, said);
        return Lines(said.begin() + static_cast<std::ptrdiff_t>(before), said.end());
    }
};

bool isMessage(const std::string &line)
{
    return line.rfind("MESSAGE", 0) == 0;
}

// A move's MESSAGE: "depth D ev E n N n/ms R tm T pv P ...", E a number, "+win in K" or
// "-loss in K", P a column letter and a row number from the bottom.
const std::regex MESSAGE_LINE("MESSAGE depth ([0-9]+) ev (-?[0-9]+|\\+win in [0-9]+|-loss in "
                              "[0-9]+) n [0-9]+ n/ms [0-9]+ tm ([0-9]+) pv ([a-o][0-9]+)( "
                              "[a-o][0-9]+)*");

// "x,y" of a MESSAGE's point on the 15 x 15 board: h7 is 7,7, a14 the top left corner.
std::string gomocupPoint(const std::string &named)
{
    return std::to_string(named[0] - 'a') + "," + std::to_string(15 - std::stoi(named.substr(1)));
}

// While it thinks about a move it answers, the brain says what it thinks in MESSAGE lines: all of
// them before the move, in the layout managers show, one an iteration at most every 250 ms and
// one when it has chosen; the line of play they give starts with the move played, and a proved win
// or loss is said to be one. Other commands get none.
TEST(Gomocup, SaysWhatItThinksBeforeItsMove)
{
    struct Case
    {
        const char *name;
        Lines setup, commands;
        Lines answers;       // the lines other than MESSAGE, all after them
        int least, most;     // MESSAGE lines
        const char *ev;      // what the last one's evaluation starts with, if anything
        std::int64_t turnMs; // the turn's time; 0 under timeout_turn 0, a count of nodes
    };
    const Lines twoFours = board({"2,5", "2,8", "9,9", "10,10", "12,1", "0,14", "14,14"},
                                 {"3,5", "4,5", "5,5", "6,5", "3,8", "4,8", "5,8", "6,8"});
    // 6,3 makes a four on row 3 and a three on column 6: the four stopped, the three becomes an
    // open four. The other side's stone closes the row's far end.
    const Lines fourThree =
        board({"3,3", "4,3", "5,3", "6,4", "6,5"}, {"2,3", "12,12", "0,14", "14,0", "13,1"});
    const std::vector<Case> cases = {
        {"TURN, 2 s a move",
         {"START 15", "INFO timeout_turn 2000"},
         {"TURN 7,7"},
         {MOVE},
         2,
         2000 / 250 + 1,
         "",
         2000},
        {"BOARD of a game under way, 1 s a move",
         {"START 15", "INFO timeout_turn 1000"},
         board({"7,7", "8,6"}, {"8,8", "6,6", "9,7"}),
         {MOVE},
         1,
         1000 / 250 + 1,
         "",
         1000},
        {"BEGIN opens in the centre, with nothing searched to tell of",
         {"START 15", "INFO timeout_turn 1000"},
         {"BEGIN"},
         {"7,7"},
         0,
         0,
         "",
         1000},
        {"a win by fours, proved by the search",
         {"START 15", "INFO timeout_turn 1000"},
         fourThree,
         {"6,3"},
         1,
         1,
         "+win in 5",
         1000},
        {"a five to make, at once",
         {"START 15", FAST},
         board({"3,3", "4,3", "5,3", "6,3", "2,6"}, {"2,3", "3,6", "4,6", "5,6", "6,6"}),
         {"7,3"},
         1,
         1,
         "+win in 1",
         0},
        {"two fours to stop: a loss", {"START 15", FAST}, twoFours, {MOVE}, 1, 1, "-loss in 2", 0},
        {"SWAP2BOARD: one line of the judgement",
         {"START 15", FAST, "INFO rule 1"},
         {"SWAP2BOARD", "7,7", "8,7", "9,9", "DONE"},
         {SWAP2_ANSWER},
         1,
         1,
         "",
         0},
        {"INFO, ABOUT, START, RESTART, TAKEBACK and errors: none",
         {"START 15", FAST, "TURN 7,7"},
         {"INFO timeout_turn 1000", "ABOUT", "TAKEBACK 7,7", "RESTART", "START 15", "TURN 15,0",
          "FOO"},
         {"name=\"gomoku3d\", version=\"1.0.0\", author=\"the gomoku3d developers\"", "OK", "OK",
          "OK", "ERROR point 15,0 is off the 15x15 board", "UNKNOWN command 'FOO'"},
         0,
         0,
         "",
         0},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        Talk talk;
        talk.send(c.setup);
        const Lines said = talk.send(c.commands);
        Lines messages, answers;
        for (const std::string &line : said)
        {
            EXPECT_TRUE(isMessage(line) ? answers.empty() : true)
                << line << ": a MESSAGE after an answer";
            (isMessage(line) ? messages : answers).push_back(line);
        }
        ASSERT_EQ(answers.size(), c.answers.size());
        Points points; // what was said of the board, the commands' too: they are all accepted
        for (const std::string &command : c.setup + c.commands)
            points.command(command);
        for (std::size_t i = 0; i < answers.size(); ++i)
            EXPECT_TRUE(fits(answers[i], c.answers[i], points)) << answers[i];
        EXPECT_GE(static_cast<int>(messages.size()), c.least);
        EXPECT_LE(static_cast<int>(messages.size()), c.most);
        if (messages.empty())
            continue;
        if (c.answers[0] == SWAP2_ANSWER)
        {
            EXPECT_TRUE(std::regex_match(messages[0], std::regex("MESSAGE swap2 ev -?[0-9]+ for "
                                                                 "white to move")))
                << messages[0];
            continue;
        }
        std::int64_t lastMs = -MESSAGE_GAP_MS;
        for (std::size_t i = 0; i < messages.size(); ++i)
        {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(messages[i], m, MESSAGE_LINE)) << messages[i];
            const std::int64_t ms = std::stoll(m[3]);
            // Under timeout_turn 0 the move is bounded by nodes, not by a time to be within.
            if (c.turnMs > 0)
            {
                EXPECT_LE(ms, c.turnMs) << messages[i];
            }
            // Each iteration's line comes a quarter of a second after the one before at least.
            if (i + 1 < messages.size())
            {
                EXPECT_GE(ms - lastMs, MESSAGE_GAP_MS) << messages[i];
            }
            lastMs = ms;
        }
        std::smatch last;
        ASSERT_TRUE(std::regex_match(messages.back(), last, MESSAGE_LINE));
        EXPECT_EQ(gomocupPoint(last[4]), answers.back()) << messages.back();
        EXPECT_EQ(std::string(last[2]).rfind(c.ev, 0), 0u) << messages.back();
    }
}

// The lines change nothing of the search: a game's moves and figures are the same with them and
// without, and a move's last MESSAGE gives the figures the DEBUG line does.
TEST(Gomocup, ThinksTheSameWhenItSaysSo)
{
    Talk saying;
    GomocupBrain silent;
    std::vector<std::string> quiet;
    for (GomocupBrain *brain : {&saying.brain, &silent})
    {
        brain->setDebug(true);
        brain->setNodesPerMove(30000);
        brain->handle("START 15", quiet);
    }
    quiet.clear();
    const std::regex untimed(" time [0-9]+");
    std::string move = "7,7";
    std::set<std::string> taken = {move};
    for (int turn = 0; turn < 5; ++turn)
    {
        SCOPED_TRACE("turn " + std::to_string(turn));
        // The other side answers near the brain's last move, so that every move is thought about.
        const std::string command = "TURN " + move;
        Lines heard = saying.send({command});
        quiet.clear();
        silent.handle(command, quiet);
        ASSERT_EQ(quiet.size(), 2u);
        ASSERT_GE(heard.size(), 3u);
        EXPECT_EQ(heard.back(), quiet.back());
        const std::string debug = heard[heard.size() - 2];
        EXPECT_EQ(std::regex_replace(debug, untimed, ""),
                  std::regex_replace(quiet[0], untimed, ""));
        std::smatch d, m;
        ASSERT_TRUE(
            std::regex_match(debug, d, std::regex("DEBUG depth ([0-9]+) nodes ([0-9]+) .*")));
        const std::string &said = heard[heard.size() - 3];
        ASSERT_TRUE(std::regex_match(said, m, MESSAGE_LINE)) << said;
        EXPECT_EQ(said.rfind("MESSAGE depth " + std::string(d[1]) + " ", 0), 0u) << said;
        EXPECT_NE(said.find(" n " + std::string(d[2]) + " "), std::string::npos) << said;
        EXPECT_EQ(gomocupPoint(m[4]), heard.back());
        taken.insert(heard.back());
        int x = 0, y = 0;
        ASSERT_EQ(std::sscanf(heard.back().c_str(), "%d,%d", &x, &y), 2);
        for (int d = 1; taken.count(move) != 0; ++d)
            move = std::to_string((x + d) % 15) + "," + std::to_string((y + d / 15 + 1) % 15);
        taken.insert(move);
    }
}

} // namespace
