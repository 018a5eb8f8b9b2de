// The records (core/record.h): files from Piskvork, the Gomocup manager and another SGF board,
// written here by hand from the published layouts, open and replay exactly; every game written
// reads back the same in both layouts; the .psq is written byte for byte as Piskvork writes it;
// and a table of broken records is refused with what is wrong and where.
#include "core/record.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using core::Colour;
using core::Ending;
using core::Game;
using core::Opening;
using core::Point;
using core::Record;
using core::RecordError;
using core::Rule;
using core::Swap2Choice;

// Plays the stones in turn, the i-th taking ms_of(i); a stone refused stops the test.
std::int32_t msOf(std::size_t i)
{
    return i % 3 == 2 ? -1 : static_cast<std::int32_t>(i * 37);
}
void stones(Game &game, const std::vector<Point> &points)
{
    for (Point p : points)
    {
        const std::size_t i = game.moves().size();
        if (game.play(p, msOf(i)) != core::Verdict::Placed)
        {
            throw std::logic_error("the case's stone " + core::pointName(p) + " was refused");
        }
    }
}
void choose(Game &game, Swap2Choice choice)
{
    if (!game.choose(choice))
    {
        throw std::logic_error("the case's swap2 choice was refused");
    }
}

// Black along row 8 from column 5, white along row 10: black's five with the ninth stone.
const std::vector<Point> BLACK_FIVE = {{5, 8},  {5, 10}, {6, 8},  {6, 10}, {7, 8},
                                       {7, 10}, {8, 8},  {8, 10}, {9, 8}};
// Black scattered on row 0, white down a column: white's five with the tenth stone.
const std::vector<Point> WHITE_FIVE = {{0, 0},  {10, 5}, {2, 0},  {10, 6}, {4, 0},
                                       {10, 7}, {6, 0},  {10, 8}, {8, 17}, {10, 9}};
// Black's six in a row on row 8, made last at (6, 8): a win only where five or more wins.
const std::vector<Point> BLACK_SIX = {{3, 8}, {3, 12}, {4, 8}, {5, 12},  {5, 8}, {7, 12},
                                      {7, 8}, {9, 12}, {8, 8}, {11, 12}, {6, 8}};
// Black's double three on (9, 10) is its ninth stone: forbidden under renju alone.
const std::vector<Point> DOUBLE_THREE = {{9, 8}, {0, 0},  {9, 9}, {2, 0}, {7, 10},
                                         {4, 0}, {8, 10}, {6, 0}, {9, 10}};

// Every point, black's where (x + 2y) mod 4 is 0 or 1, in turn: no five anywhere, and drawn.
std::vector<Point> fullBoard()
{
    std::vector<Point> black, white, all;
    for (int y = 0; y < core::SIZE; ++y)
    {
        for (int x = 0; x < core::SIZE; ++x)
        {
            ((x + 2 * y) % 4 < 2 ? black : white).push_back(Point{x, y});
        }
    }
    for (std::size_t i = 0; i < black.size(); ++i)
    {
        all.push_back(black[i]);
        all.push_back(white[i]);
    }
    return all;
}

struct GameCase
{
    std::string name;
    Rule rule;
    Opening opening;
    std::function<void(Game &)> play;
    std::string black, white, date;
};

const std::vector<GameCase> &gameCases()
{
    static const std::vector<GameCase> cases = {
        {"no move", Rule::Freestyle, Opening::Free, [](Game &) {}, "", "", ""},
        {"freestyle, black's five", Rule::Freestyle, Opening::Free,
         [](Game &g) { stones(g, BLACK_FIVE); }, "Alice", "Bob", "2024-03-01"},
        {"standard, white's five", Rule::Standard, Opening::Free,
         [](Game &g) { stones(g, WHITE_FIVE); }, "pbrain-one", "pbrain-two", ""},
        {"standard, black's six wins nothing", Rule::Standard, Opening::Free,
         [](Game &g) { stones(g, BLACK_SIX); }, "", "", ""},
        {"freestyle, black's six wins", Rule::Freestyle, Opening::Free,
         [](Game &g) { stones(g, BLACK_SIX); }, "", "", ""},
        {"renju, black's exactly five", Rule::Renju, Opening::Free,
         [](Game &g) { stones(g, BLACK_FIVE); }, "", "", "2025-12-31"},
        {"renju, white's five", Rule::Renju, Opening::Free, [](Game &g) { stones(g, WHITE_FIVE); },
         "", "", ""},
        {"freestyle, the full board drawn", Rule::Freestyle, Opening::Free,
         [](Game &g) { stones(g, fullBoard()); }, "", "", ""},
        {"white resigns", Rule::Freestyle, Opening::Free,
         [](Game &g)
         {
             stones(g, {{9, 9}, {10, 10}, {8, 9}, {2, 2}});
             g.resign(Colour::White);
         },
         "Carol", "Dave", "2026-01-02"},
        {"black's time runs out", Rule::Renju, Opening::Free,
         [](Game &g)
         {
             stones(g, {{9, 9}, {10, 10}, {8, 9}});
             g.timeOut(Colour::Black);
         },
         "", "", ""},
        {"a draw agreed", Rule::Standard, Opening::Free,
         [](Game &g)
         {
             stones(g, {{9, 9}, {10, 10}});
             g.agreeDraw();
         },
         "", "", ""},
        {"swap2, the three stones placed", Rule::Freestyle, Opening::Swap2,
         [](Game &g) {
             stones(g, {{9, 9}, {10, 9}, {9, 11}});
         },
         "", "", ""},
        {"swap2, the second plays black", Rule::Renju, Opening::Swap2,
         [](Game &g)
         {
             stones(g, {{9, 9}, {10, 9}, {9, 11}});
             choose(g, Swap2Choice::PlayBlack);
             stones(g, {{11, 11}, {12, 12}});
         },
         "", "", ""},
        {"swap2, the second plays white", Rule::Freestyle, Opening::Swap2,
         [](Game &g)
         {
             stones(g, {{9, 9}, {10, 9}, {9, 11}});
             choose(g, Swap2Choice::PlayWhite);
         },
         "", "", ""},
        {"swap2, two more and the first plays black", Rule::Standard, Opening::Swap2,
         [](Game &g)
         {
             stones(g, {{9, 9}, {10, 9}, {9, 11}});
             choose(g, Swap2Choice::TwoStones);
             stones(g, {{3, 3}, {4, 4}});
             choose(g, Swap2Choice::PlayBlack);
         },
         "", "", ""},
        {"swap2, two more and the first plays white, then on to a five", Rule::Freestyle,
         Opening::Swap2,
         [](Game &g)
         {
             stones(g, {{5, 8}, {5, 10}, {6, 8}});
             choose(g, Swap2Choice::TwoStones);
             stones(g, {{6, 10}, {7, 8}});
             choose(g, Swap2Choice::PlayWhite);
             stones(g, {{7, 10}, {8, 8}, {8, 10}, {9, 8}});
         },
         "", "", ""},
        {"swap2, two more placed, the first yet to choose", Rule::Renju, Opening::Swap2,
         [](Game &g)
         {
             stones(g, {{9, 9}, {10, 9}, {9, 11}});
             choose(g, Swap2Choice::TwoStones);
             stones(g, {{3, 3}, {4, 4}});
         },
         "", "", ""},
        {"names and a date with brackets and backslashes", Rule::Freestyle, Opening::Free,
         [](Game &g) {
             stones(g, {{0, 0}, {17, 17}, {17, 0}, {0, 17}});
         },
         "A]l\\ice [x]", "\\Bob\\", "2024-02-29"},
    };
    return cases;
}

Game gameOf(const GameCase &c)
{
    Game game(c.rule, c.opening);
    c.play(game);
    return game;
}

void expectSameMoves(const Game &read, const Game &written, bool unknownMsAsZero)
{
    ASSERT_EQ(read.moves().size(), written.moves().size());
    for (std::size_t i = 0; i < read.moves().size(); ++i)
    {
        const core::Move &r = read.moves()[i];
        const core::Move &w = written.moves()[i];
        EXPECT_EQ(r.point, w.point) << "move " << i + 1;
        EXPECT_EQ(r.ms, unknownMsAsZero && w.ms < 0 ? 0 : w.ms) << "move " << i + 1;
    }
}

TEST(Records, everyGameWrittenAsSgfReadsBackTheSame)
{
    for (const GameCase &c : gameCases())
    {
        SCOPED_TRACE(c.name);
        const Game game = gameOf(c);
        const Record written{game, c.black, c.white, c.date, {}, {}, {}};
        const Record read = core::readSgf(core::writeSgf(written));
        EXPECT_EQ(read.game.rule(), game.rule());
        EXPECT_EQ(read.game.opening(), game.opening());
        expectSameMoves(read.game, game, false);
        EXPECT_EQ(read.game.result(), game.result());
        EXPECT_EQ(read.game.five(), game.five());
        EXPECT_EQ(read.game.secondChoice(), game.secondChoice());
        EXPECT_EQ(read.game.firstChoice(), game.firstChoice());
        EXPECT_EQ(read.game.swap2Step(), game.swap2Step());
        EXPECT_EQ(read.game.colourOf(1), game.colourOf(1));
        EXPECT_EQ(read.black, c.black);
        EXPECT_EQ(read.white, c.white);
        EXPECT_EQ(read.date, c.date);
    }
}

// The .psq keeps the moves, their times and what the stones show; the rule is the reader's.
TEST(Records, everyGameWrittenAsPsqReadsBackWithItsMovesAndTheirResult)
{
    for (const GameCase &c : gameCases())
    {
        SCOPED_TRACE(c.name);
        const Game game = gameOf(c);
        const std::vector<std::string> tail = {"pbrain-one.exe", "pbrain-two.exe", "-1"};
        const Record read =
            core::readPsq(core::writePsq(Record{game, "", "", "", tail, {}, {}}), c.rule);
        expectSameMoves(read.game, game, true);
        const bool shown =
            game.result().ending == Ending::Five || game.result().ending == Ending::FullBoard;
        EXPECT_EQ(read.game.result(), shown ? game.result() : core::Result{});
        EXPECT_EQ(read.game.five(), game.five());
        EXPECT_EQ(read.psqTail, tail);
    }
}

TEST(Records, thePsqIsWrittenAsPiskvorkWritesIt)
{
    Game game;
    ASSERT_EQ(game.play(Point{9, 9}, 1520), core::Verdict::Placed);
    ASSERT_EQ(game.play(Point{10, 8}), core::Verdict::Placed);
    ASSERT_EQ(game.play(Point{0, 17}, 0), core::Verdict::Placed);
    ASSERT_EQ(game.play(Point{17, 0}, 33), core::Verdict::Placed);
    EXPECT_EQ(core::writePsq(Record{game, "Alice", "Bob", "2024-01-01", {}, {}, {}}),
              "Piskvorky 18x18, 11:11, 0\r\n"
              "10,10,1520\r\n"
              "11,9,0\r\n"
              "1,18,0\r\n"
              "18,1,33\r\n");
}

TEST(Records, theSgfIsWrittenWithItsFactsInTheRootAndOneMoveANode)
{
    Game game(Rule::Renju, Opening::Swap2);
    stones(game, {{9, 9}, {10, 9}, {0, 17}});
    choose(game, Swap2Choice::TwoStones);
    stones(game, {{17, 0}, {3, 4}});
    game.resign(Colour::Black);
    EXPECT_EQ(core::writeSgf(Record{game, "A]b", "C\\d", "2024-01-01", {}, {}, {}}),
              "(;FF[4]GM[4]SZ[18]CA[UTF-8]AP[gomoku3d]RU[renju]OP[swap2]CH[two]"
              "PB[A\\]b]PW[C\\\\d]DT[2024-01-01]RE[W+R]\n"
              ";B[jj]MS[0]\n"
              ";W[kj]MS[37]\n"
              ";B[ar]\n"
              ";W[ra]MS[111]\n"
              ";B[de]MS[148]\n"
              ")\n");
}

// A timed game's SGF: the time control in the root, each move's time left on its side's clock,
// to the millisecond, and all of it read back; a time that is not one is refused where it is.
TEST(Records, aTimedGamesSgfKeepsItsClocks)
{
    Game game;
    stones(game, {{9, 9}, {10, 9}, {0, 17}, {17, 0}});
    game.timeOut(Colour::Black);
    Record written{game, "", "", "", {}, core::TimeControl{180'000, 2'000}, {}};
    written.leftMs = {182'000, 170'500, 1'234, -1};
    const std::string text = core::writeSgf(written);
    EXPECT_EQ(text, "(;FF[4]GM[4]SZ[18]CA[UTF-8]AP[gomoku3d]RU[freestyle]RE[W+T]TM[180]"
                    "OT[+2 s a move]\n"
                    ";B[jj]MS[0]BL[182]\n"
                    ";W[kj]MS[37]WL[170.5]\n"
                    ";B[ar]BL[1.234]\n"
                    ";W[ra]MS[111]\n"
                    ")\n");
    const Record read = core::readSgf(text);
    EXPECT_EQ(read.control, written.control);
    EXPECT_EQ(read.leftMs, written.leftMs);
    EXPECT_EQ(read.game.result(), game.result());

    const struct
    {
        const char *from, *to, *error;
    } damaged[] = {
        {"BL[182]", "BL[-3]", "BL[-3] is not a number of seconds"},
        {"WL[170.5]", "WL[soon]", "WL[soon] is not a number of seconds"},
        {"BL[1.234]", "BL[99999999]", "BL[99999999] is not a number of seconds"},
        {"TM[180]", "TM[0]", "TM[0] is not a number of seconds"},
    };
    for (const auto &d : damaged)
    {
        SCOPED_TRACE(d.to);
        std::string bad = text;
        bad.replace(bad.find(d.from), std::string(d.from).size(), d.to);
        try
        {
            core::readSgf(bad);
            ADD_FAILURE() << "read";
        }
        catch (const core::RecordError &error)
        {
            EXPECT_NE(std::string(error.what()).find(d.error), std::string::npos) << error.what();
        }
    }
    // An untimed game says nothing of clocks.
    const Record plain = core::readSgf(core::writeSgf(Record{game, "", "", "", {}, {}, {}}));
    EXPECT_FALSE(plain.control.timed());
    EXPECT_TRUE(plain.leftMs.empty());
}

// Saved by Piskvork after a game on its desktop board: black's diagonal five.
TEST(Records, aPiskvorkFileOpensAndReplays)
{
    const Record read = core::readPsq("Piskvorky 18x18, 11:11, 0\r\n"
                                      "9,9,0\r\n"
                                      "9,10,1203\r\n"
                                      "10,10,15\r\n"
                                      "9,11,987\r\n"
                                      "11,11,2\r\n"
                                      "9,12,1000\r\n"
                                      "12,12,31\r\n"
                                      "9,13,44\r\n"
                                      "13,13,7\r\n");
    const Game &game = read.game;
    ASSERT_EQ(game.moves().size(), 9u);
    EXPECT_EQ(game.moves()[0].point, (Point{8, 8}));
    EXPECT_EQ(game.moves()[1].point, (Point{8, 9}));
    EXPECT_EQ(game.moves()[1].ms, 1203);
    EXPECT_EQ(game.moves()[8].point, (Point{12, 12}));
    EXPECT_EQ(core::pointName(game.moves()[8].point), "m6");
    EXPECT_EQ(game.at(Point{8, 12}), Colour::White);
    EXPECT_EQ(game.result(), (core::Result{Ending::Five, Colour::Black}));
    ASSERT_TRUE(game.five().has_value());
    EXPECT_EQ(game.five()->front(), (Point{8, 8}));
    EXPECT_EQ(game.five()->back(), (Point{12, 12}));
    EXPECT_TRUE(read.psqTail.empty());
}

// A game of a Gomocup tournament as its manager saves it: after the moves the two brains' file
// names and the closing code line. This one was carried over with LF line ends.
TEST(Records, aGomocupTournamentFileKeepsItsNamesAndClosingLine)
{
    const std::string file = "Piskvorky 18x18, 11:11, 0\n"
                             "1,1,16\n"
                             "6,6,2000\n"
                             "3,1,15\n"
                             "7,7,1780\n"
                             "5,1,16\n"
                             "8,8,1999\n"
                             "7,1,15\n"
                             "9,9,1500\n"
                             "9,18,16\n"
                             "10,10,1204\n"
                             "pbrain-alpha.exe\n"
                             "pbrain-beta.exe\n"
                             "-1\n";
    const Record read = core::readPsq(file);
    ASSERT_EQ(read.game.moves().size(), 10u);
    EXPECT_EQ(read.game.moves()[8].point, (Point{8, 17}));
    EXPECT_EQ(read.game.moves()[9].point, (Point{9, 9}));
    EXPECT_EQ(read.game.moves()[9].ms, 1204);
    EXPECT_EQ(read.game.result(), (core::Result{Ending::Five, Colour::White}));
    EXPECT_EQ(read.psqTail,
              (std::vector<std::string>{"pbrain-alpha.exe", "pbrain-beta.exe", "-1"}));
    std::string crlf;
    for (char c : file)
    {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(core::writePsq(read), crlf);
    EXPECT_EQ(core::writePsq(core::readPsq(crlf)), crlf);
}

// Another program's SGF: its own AP, a game name, comments with escapes, and a variation at the
// end whose first line is the main one.
TEST(Records, anSgfFromAnotherBoardOpensAndReplaysItsMainLine)
{
    const Record read = core::readSgf("(;GM[4]FF[4]CA[UTF-8]AP[OtherBoard:2.1]SZ[18]RU[Gomoku]\n"
                                      " PB[Alice \\] A.]PW[Bob]DT[2023-05-14]RE[B+]\n"
                                      " GN[Club night]C[A game\nwith a comment \\\\ and \\]]\n"
                                      ";B[ii]C[first] ;W[ij]\n"
                                      ";B[jj];W[ik]\n"
                                      ";B[kk];W[il]\n"
                                      ";B[ll];W[im]\n"
                                      "(;B[mm]C[black's five])\n"
                                      "(;B[hh]))\n");
    EXPECT_EQ(read.game.rule(), Rule::Freestyle);
    EXPECT_EQ(read.black, "Alice ] A.");
    EXPECT_EQ(read.white, "Bob");
    EXPECT_EQ(read.date, "2023-05-14");
    ASSERT_EQ(read.game.moves().size(), 9u);
    EXPECT_EQ(read.game.moves()[0].point, (Point{8, 8}));
    EXPECT_EQ(read.game.moves()[1].point, (Point{8, 9}));
    EXPECT_EQ(read.game.moves()[8].point, (Point{12, 12}));
    EXPECT_EQ(read.game.moves()[0].ms, -1);
    EXPECT_EQ(read.game.result(), (core::Result{Ending::Five, Colour::Black}));
}

TEST(Records, anSgfReadsOldLowerCaseLettersInNamesAndBlanksAnywhere)
{
    const Record read =
        core::readSgf("  (\n ; GaMe [4] SiZe [18]\n RU [ Renju ]\n ;\tB [jj] ; W\n[kk] )");
    EXPECT_EQ(read.game.rule(), Rule::Renju);
    ASSERT_EQ(read.game.moves().size(), 2u);
    EXPECT_EQ(read.game.moves()[1].point, (Point{10, 10}));
}

TEST(Records, theRuleIsReadAsTheProgramsSpellIt)
{
    const std::vector<std::pair<std::string, Rule>> spellings = {
        {"freestyle", Rule::Freestyle},   {"Gomoku", Rule::Freestyle},
        {"Free-style", Rule::Freestyle},  {"standard", Rule::Standard},
        {"Exactly five", Rule::Standard}, {"exact5", Rule::Standard},
        {"renju", Rule::Renju},           {"RIF", Rule::Renju}};
    for (const auto &[spelling, rule] : spellings)
    {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(core::readSgf("(;GM[4]SZ[18]RU[" + spelling + "];B[jj])").game.rule(), rule);
    }
    EXPECT_EQ(core::readSgf("(;GM[4]SZ[18];B[jj])").game.rule(), Rule::Freestyle);
}

// RE on a game whose stones show no end: how the game ended.
TEST(Records, theResultIsReadFromRe)
{
    const std::vector<std::pair<std::string, core::Result>> results = {
        {"B+R", {Ending::Resignation, Colour::Black}},
        {"W+Resign", {Ending::Resignation, Colour::White}},
        {"W+T", {Ending::Time, Colour::White}},
        {"b+time", {Ending::Time, Colour::Black}},
        {"0", {Ending::Agreement, std::nullopt}},
        {"Draw", {Ending::Agreement, std::nullopt}},
        {"B+", {Ending::Resignation, Colour::Black}}, // a win no five shows: a resignation
        {"W+F", {Ending::Resignation, Colour::White}},
        {"?", {}},
        {"Void", {}},
    };
    for (const auto &[value, result] : results)
    {
        SCOPED_TRACE(value);
        EXPECT_EQ(core::readSgf("(;GM[4]SZ[18]RE[" + value + "];B[jj];W[kk])").game.result(),
                  result);
    }
}

TEST(Records, theLayoutIsToldByTheFirstCharacters)
{
    EXPECT_EQ(core::recordFormat("\xEF\xBB\xBF  (;GM[4]SZ[18])"), core::RecordFormat::Sgf);
    EXPECT_EQ(core::recordFormat("\r\nPiskvorky 18x18, 11:11, 0\r\n"), core::RecordFormat::Psq);
    EXPECT_EQ(core::readRecord("Piskvorky 18x18, 11:11, 0\r\n10,10,0\r\n").game.moves().size(), 1u);
    EXPECT_EQ(core::readRecord("(;GM[4]SZ[18];B[jj];W[jk])").game.moves().size(), 2u);
    EXPECT_EQ(core::readRecord("Piskvorky 18x18, 11:11, 0\r\n10,10,0\r\n", Rule::Renju).game.rule(),
              Rule::Renju);
}

// The text of a .psq from the stones, x,y from 1, and a line end after each.
std::string psqOf(const std::vector<Point> &points,
                  std::string_view header = "Piskvorky 18x18, 11:11, 0")
{
    std::string text = std::string(header) + "\r\n";
    for (Point p : points)
    {
        text += std::to_string(p.x + 1) + "," + std::to_string(p.y + 1) + ",0\r\n";
    }
    return text;
}
std::string sgfOf(const std::vector<Point> &points, std::string_view root = "GM[4]SZ[18]")
{
    std::string text = "(;" + std::string(root);
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        text += std::string(i % 2 == 0 ? ";B[" : ";W[") + static_cast<char>('a' + points[i].x) +
                static_cast<char>('a' + points[i].y) + "]";
    }
    return text + ")";
}
template <typename T> std::vector<T> plus(std::vector<T> list, T more)
{
    list.push_back(more);
    return list;
}

struct Broken
{
    std::string name;
    std::function<Record(std::string_view)> read;
    std::string text;
    std::string message;
};
Record asPsq(std::string_view text)
{
    return core::readPsq(text);
}
Record asRenjuPsq(std::string_view text)
{
    return core::readPsq(text, Rule::Renju);
}
Record asSgf(std::string_view text)
{
    return core::readSgf(text);
}

TEST(Records, aBrokenRecordIsRefusedWithWhatAndWhere)
{
    const std::string header = "Piskvorky 18x18, 11:11, 0\r\n";
    const std::vector<Broken> cases = {
        {"psq: empty", asPsq, "",
         "an empty file: a .psq opens with \"Piskvorky\" and the board's size"},
        {"psq: no header", asPsq, "Gomoku 18x18\r\n10,10,0\r\n",
         "line 1: a .psq file opens with \"Piskvorky\" and the board's size"},
        {"psq: a 20 x 20 board", asPsq, "Piskvorky 20x20, 11:11, 0\r\n10,10,0\r\n",
         "line 1: the board is 20 x 20; the game is played on 18 x 18 only"},
        {"psq: a 15 x 15 board", asPsq, "Piskvorky 15x15, 8:8, 0\n",
         "line 1: the board is 15 x 15; the game is played on 18 x 18 only"},
        {"psq: not square", asPsq, "Piskvorky 18x20, 11:11, 0\r\n",
         "line 1: the board is 18 x 20; the game is played on 18 x 18 only"},
        {"psq: no size", asPsq, "Piskvorky, 11:11, 0\r\n",
         "line 1: no board size, as \"18x18\", after \"Piskvorky\""},
        {"psq: a width past any number", asPsq, "Piskvorky 99999999999x18, 11:11, 0\r\n",
         "line 1: the board's width 99999999999 is too large"},
        {"psq: a damaged row", asPsq, header + "10,10,0\r\n11,x,0\r\n",
         "line 3: the row \"x\" is not a number"},
        {"psq: a cut line", asPsq, header + "10,10,0\r\n11,\r\n",
         "line 3: the row \"\" is not a number"},
        {"psq: a field too many", asPsq, header + "10,10,0,5\r\n",
         "line 2: a move is \"x,y,time\", not \"10,10,0,5\""},
        {"psq: column 19", asPsq, header + "10,10,0\r\n19,3,0\r\n",
         "line 3: move 2: 19,3 is off the 18 x 18 board"},
        {"psq: column 0, columns count from 1", asPsq, header + "0,5,0\r\n",
         "line 2: move 1: 0,5 is off the 18 x 18 board"},
        {"psq: row 0, rows count from 1", asPsq, header + "5,0,0\r\n",
         "line 2: move 1: 5,0 is off the 18 x 18 board"},
        {"psq: a time past any number", asPsq, header + "10,10,99999999999\r\n",
         "line 2: the time 99999999999 is too large"},
        {"psq: a negative time", asPsq, header + "10,10,-5\r\n",
         "line 2: the time \"-5\" is not a number"},
        {"psq: a stone on a stone", asPsq, header + "10,10,0\r\n11,11,0\r\n10,10,0\r\n",
         "line 4: move 3 (j9): the point is taken"},
        {"psq: a move after the five", asPsq, psqOf(plus(BLACK_FIVE, Point{0, 0})),
         "line 11: move 10 (a18): the game is over"},
        {"psq: a double three under renju", asRenjuPsq, psqOf(DOUBLE_THREE),
         "line 10: move 9 (j8): black may not play there under renju (a double three)"},
        {"psq: a NUL byte", asPsq, header + std::string("10,10,0\0\r\n", 10),
         "byte 35: a NUL byte, which no text record holds"},
        {"psq: too large", asPsq, header + std::string(core::MAX_RECORD_BYTES, '\n'),
         "the record is 1048603 bytes, more than the 1048576 a record may have"},
        {"sgf: empty", asSgf, "", "line 1: an SGF record opens with \"(\""},
        {"sgf: Go's GM", asSgf, "(;FF[4]GM[1]SZ[18])",
         "line 1: GM[1] is not five in a row, which is GM[4]"},
        {"sgf: no GM", asSgf, "(;FF[4]SZ[18];B[jj])",
         "line 1: no game GM: SGF takes that for Go, and five in a row is GM[4]"},
        {"sgf: a 15 x 15 board", asSgf, "(;GM[4]SZ[15];B[hh])",
         "line 1: the board is SZ[15]; the game is played on 18 x 18 only"},
        {"sgf: no board size", asSgf, "(;GM[4];B[hh])",
         "line 1: no board size SZ: the game is played on 18 x 18 only"},
        {"sgf: FF[5]", asSgf, "(;FF[5]GM[4]SZ[18])", "line 1: FF[5]: the file format is 1 to 4"},
        {"sgf: an unterminated value", asSgf, "(;GM[4]SZ[18]\nPB[Alice",
         "line 2: the value of PB is not closed by \"]\""},
        {"sgf: an escaped last bracket", asSgf, "(;GM[4]SZ[18]PB[Alice\\])",
         "line 1: the value of PB is not closed by \"]\""},
        {"sgf: no closing parenthesis", asSgf, "(;GM[4]SZ[18];B[jj]\n",
         "line 2: the record ends inside a game tree: a \")\" is missing"},
        {"sgf: a stray character", asSgf, "(;GM[4]SZ[18];B[jj]#)",
         "line 1: \"#\" where a node, \"(\" or \")\" was expected"},
        {"sgf: a property without a value", asSgf, "(;GM[4]SZ[18];B)",
         "line 1: the property B has no value in \"[...]\""},
        {"sgf: a name without capitals", asSgf, "(;GM[4]SZ[18];b[jj])",
         "line 1: the property \"b\" has no capital letter in its name"},
        {"sgf: no node", asSgf, "()", "line 1: a game tree with no node"},
        {"sgf: a node after a variation", asSgf, "(;GM[4]SZ[18](;B[jj]);W[kk])",
         "line 1: a node after a variation: the variations come last in a tree"},
        {"sgf: white first", asSgf, "(;GM[4]SZ[18];W[jj])",
         "line 1: move 1 (j9): white moves where black is to move"},
        {"sgf: black twice", asSgf, "(;GM[4]SZ[18];B[jj];B[kk])",
         "line 1: move 2 (k8): black moves where white is to move"},
        {"sgf: a pass", asSgf, "(;GM[4]SZ[18];B[jj];W[])",
         "line 1: move 2: a pass, which five in a row has not"},
        {"sgf: Go's pass", asSgf, "(;GM[4]SZ[18];B[tt])",
         "line 1: move 1: a pass, which five in a row has not"},
        {"sgf: off the board", asSgf, "(;GM[4]SZ[18];B[js])",
         "line 1: move 1: \"js\" is off the 18 x 18 board"},
        {"sgf: not a point", asSgf, "(;GM[4]SZ[18];B[j9])",
         "line 1: move 1: \"j9\" is not a point's two letters"},
        {"sgf: a stone on a stone", asSgf, "(;GM[4]SZ[18]\n;B[jj]\n;W[kk]\n;B[jj])",
         "line 4: move 3 (j9): the point is taken"},
        {"sgf: a move after the five", asSgf, sgfOf(plus(BLACK_FIVE, Point{0, 0})),
         "line 1: move 10 (a18): the game is over"},
        {"sgf: a double three under renju", asSgf, sgfOf(DOUBLE_THREE, "GM[4]SZ[18]RU[renju]"),
         "line 1: move 9 (j8): black may not play there under renju (a double three)"},
        {"sgf: RE against the five", asSgf, sgfOf(BLACK_FIVE, "GM[4]SZ[18]RE[W+R]"),
         "line 1: the result RE[W+R] is not what the moves show: black's five with move 9 (j10)"},
        {"sgf: RE gives the five to the other side", asSgf, sgfOf(BLACK_FIVE, "GM[4]SZ[18]RE[W+]"),
         "line 1: the result RE[W+] is not what the moves show: black's five with move 9 (j10)"},
        {"sgf: RE a draw against the five", asSgf, sgfOf(BLACK_FIVE, "GM[4]SZ[18]RE[0]"),
         "line 1: the result RE[0] is not what the moves show: black's five with move 9 (j10)"},
        {"sgf: RE not a result", asSgf, "(;GM[4]SZ[18]RE[B+Q];B[jj])",
         "line 1: the result RE[B+Q] is not one SGF writes"},
        {"sgf: an unknown rule", asSgf, "(;GM[4]SZ[18]RU[Japanese];B[jj])",
         "line 1: the rule RU[Japanese] is none of freestyle, standard, renju"},
        {"sgf: stones set up", asSgf, "(;GM[4]SZ[18]AB[jj][kk])",
         "line 1: stones set up with AB: a record here is its moves alone"},
        {"sgf: a move of each colour in a node", asSgf, "(;GM[4]SZ[18];B[jj]W[kk])",
         "line 1: a node with a move of each colour"},
        {"sgf: choices without swap2", asSgf, "(;GM[4]SZ[18]CH[white];B[jj])",
         "line 1: swap2 choices CH without the swap2 opening OP[swap2]"},
        {"sgf: more choices than stones", asSgf,
         "(;GM[4]SZ[18]OP[swap2]CH[white][black];B[jj];W[kk];B[ll])",
         "line 1: CH holds more swap2 choices than the game's stones ask for"},
        {"sgf: the first player asks for two more", asSgf,
         "(;GM[4]SZ[18]OP[swap2]CH[two][two];B[jj];W[kk];B[ll];W[aa];B[bb])",
         "line 1: the swap2 choice CH[two] is not one the first player may make"},
        {"sgf: an unknown choice", asSgf, "(;GM[4]SZ[18]OP[swap2]CH[pass])",
         "line 1: the swap2 choice CH[pass] is none of white, black, two"},
        {"sgf: a time that is no number", asSgf, "(;GM[4]SZ[18];B[jj]MS[soon])",
         "line 1: MS[soon] is not a number of milliseconds"},
        {"sgf: a NUL byte", asSgf, std::string("(;GM[4]SZ[18];B[j\0])", 20),
         "byte 18: a NUL byte, which no text record holds"},
        {"record: neither layout", [](std::string_view t) { return core::readRecord(t); },
         "Gomoku game\r\n", "not a record: a .psq opens with \"Piskvorky\" and an SGF with \"(\""},
    };
    for (const Broken &c : cases)
    {
        SCOPED_TRACE(c.name);
        try
        {
            c.read(c.text);
            ADD_FAILURE() << "read without a complaint";
        }
        catch (const RecordError &error)
        {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}

// A variation nested deeper than any stack would take by recursion is read.
TEST(Records, deeplyNestedVariationsAreReadWithoutRecursion)
{
    std::string text = "(;GM[4]SZ[18];B[jj]";
    for (int i = 0; i < 200000; ++i)
    {
        text += "(;";
    }
    text += std::string(200000, ')') + ")";
    EXPECT_EQ(core::readSgf(text).game.moves().size(), 1u);
}

} // namespace
