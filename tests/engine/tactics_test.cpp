// Positions with one right answer (or a few, all marked '*') for each level that promises to find
// it. Searches are bounded by positions looked at, not by time, so every run sees the same search.
#include "engine/search.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/tactics/engine_position.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using namespace engine;
using enginetest::picture;
using Rows = std::vector<std::string_view>;

constexpr int X = 0, O = 1; // the side to move

struct Tactic
{
    const char *name;
    int toMove;
    std::vector<Level> levels; // each must find a marked point
    Rows rows;
    const char *reason = nullptr; // the search's reason for the move, when it must be this one
    std::int64_t nodes = 200000;
};

const Level EASY = Level::Easy, MEDIUM = Level::Medium, HARD = Level::Hard;
const std::vector<Level> ALL = {EASY, MEDIUM, HARD}, STRONG = {MEDIUM, HARD};

const std::vector<Tactic> TACTICS = {
    // Its own five, before anything else.
    {"five along a row at the right edge", X, ALL,
     Rows{"", "..........*XXXX", ".....OOO", "......O"}},
    {"five down a column from the top edge", X, ALL,
     Rows{"X", "X.....O", "X.....O", "X.....O", "*......O"}},
    {"five along the diagonal into the corner", X, ALL,
     Rows{"", "", "", "", "", "", "", "", "", "", "..........*", "...........X", "............X",
          ".............X", "OOOO..........X"}},
    {"five along the other diagonal into the corner", X, ALL,
     Rows{"....*", "...X", "..X", ".X....OOO", "X.....O"}},
    {"five in the gap, for white", O, ALL, Rows{"", "...XX.X", "", "...OO*OO", "..........X"}},
    {"its own five before stopping the other's", X, ALL,
     Rows{"", "...OXXXX*", "....OOOO", "", "..X"}},
    {"six in a row wins as well", X, ALL, Rows{"", "..XXX*XX", "...OO.O", "....O.O"}},
    // Stopping a four.
    {"stopping a four along a column", X, ALL,
     Rows{"....X", "....O", "....O", "....O....X", "....O...X", "....*..X"}},
    {"stopping a four with a gap, at the bottom edge", X, ALL,
     Rows{"", "", "", "", "", "", "", "", "", "", "", "......X", "......X", ".......X", "OO*OO"}},
    {"stopping a four on the other diagonal", X, ALL,
     Rows{"............X", "...........O", "..........O", ".........O", "........O", ".......*",
          "..X.X", "...X"}},
    // Stopping an open three: at either of its ends, nowhere else.
    {"stopping an open three along a row", X, STRONG,
     Rows{"", "", "", "", "", ".....*OOO*", ".......X", "......X"}},
    {"stopping a split three along a column", X, STRONG,
     Rows{"", "", "........*", "........O", "........*", "........O", "........O", "........*",
          "......X..X"}},
    // Attack when attack wins first.
    {"its own open four before stopping an open three", X, STRONG,
     Rows{"", "", "", "...OOO", "", "......*XXX*"}},
    {"a four-three", X, STRONG,
     Rows{"", "", "", ".......X", ".......X", "...OXXX*", "", ".....O.O", "....O....O"}},
    // Wins by continuous fours: the shortest known first move of each is the only one there is.
    {"a win by 3 fours", X, STRONG, enginetest::WIN_BY_3_FOURS},
    {"a win by 5 fours", X, {HARD}, enginetest::WIN_BY_5_FOURS},
    {"a win by 7 fours", X, {HARD}, enginetest::WIN_BY_7_FOURS},
    // Wins by threes that the defender's fours only delay, found by the search for wins by threats
    // within a small budget: O has a four to make, but no open three to be met first.
    {"a double three, O with a four to make at the edge",
     X,
     {HARD},
     Rows{"", "", "", "", "", ".......X", ".......X", ".....XX*", "", "", "", "", "", "", "OOO"},
     "vct",
     20000},
    {"a double three, O with fours to make at two edges",
     X,
     {HARD},
     Rows{"..............O", "..............O", "..............O", "", "", ".......X", ".......X",
          ".....XX*", "", "", "", "", "", "", "OOO"},
     "vct",
     20000},
    {"a double three by a split three, O with a split four to make",
     X,
     {HARD},
     Rows{"", "", "", "", "......X", "", "......X", "...XX.*", "", "", "", "", "", "", "XO.OO"},
     "vct",
     20000},
};

std::string where(const Position &pos, Move m)
{
    return m == NO_MOVE ? "no move" : std::to_string(pos.xOf(m)) + "," + std::to_string(pos.yOf(m));
}

TEST(Tactics, EachLevelFindsTheRightPoint)
{
    Searcher searcher(std::size_t{4} << 20);
    for (const Tactic &t : TACTICS)
    {
        enginetest::Picture p = picture(t.rows, t.toMove);
        ASSERT_FALSE(p.marked.empty()) << t.name;
        if (t.reason)
        {
            ASSERT_FALSE(p.pos.fourPoints(1 - t.toMove).empty()) << t.name;
            ASSERT_TRUE(p.pos.flexFourPoints(1 - t.toMove).empty()) << t.name;
        }
        for (Level level : t.levels)
        {
            // The easy level plays at random where it may: every seed must find the point.
            const int seeds = level == EASY ? 20 : 2;
            for (int seed = 0; seed < seeds; ++seed)
            {
                Move m =
                    searcher.think(p.pos, level, Limits{t.nodes, 0}, static_cast<unsigned>(seed));
                EXPECT_EQ(std::count(p.marked.begin(), p.marked.end(), m), 1)
                    << t.name << ": level " << static_cast<int>(level) << ", seed " << seed
                    << " played " << where(p.pos, m);
                if (t.reason)
                {
                    EXPECT_STREQ(searcher.info().reason, t.reason) << t.name;
                    EXPECT_GE(searcher.info().score, WIN_THRESHOLD) << t.name;
                }
            }
        }
    }
}

} // namespace

// The suite's positions proved by the tests' own solver (tests/data/tactics.txt), answered by
// the hard level within 400,000 positions: every win, and nine in ten of every sixth position.
TEST(Tactics, TheHardLevelAnswersEveryWinAndASixthOfTheSuite)
{
    std::ifstream in(GOMOKU_TACTICS_FILE);
    ASSERT_TRUE(in) << GOMOKU_TACTICS_FILE;
    std::vector<tactics::Record> records;
    std::string problem;
    ASSERT_TRUE(tactics::readAll(in, &records, &problem)) << problem;
    ASSERT_GE(records.size(), 220u);
    Searcher searcher(std::size_t{8} << 20);
    int wins = 0, tried = 0, solved = 0;
    for (std::size_t i = 0; i < records.size(); ++i)
    {
        const tactics::Record &r = records[i];
        const bool defence = r.kind.rfind("stop", 0) == 0;
        const bool sampled = i % 6 == 0;
        if (defence && !sampled)
            continue;
        const Position pos = tactics::positionOf(r);
        const Move m = searcher.think(pos, HARD, Limits{400000, 0}, 0);
        const bool right = m != NO_MOVE && r.isAnswer(pos.xOf(m), pos.yOf(m));
        wins += !defence;
        tried += sampled;
        solved += sampled && right;
        if (!right)
            std::printf("not answered: %s (%s, %d moves), played %s\n", r.name.c_str(),
                        r.kind.c_str(), r.moves, where(pos, m).c_str());
        EXPECT_TRUE(right || defence) << r.name << ": a win missed";
    }
    EXPECT_GE(wins, 150);
    EXPECT_GE(solved * 10, tried * 9) << solved << " of " << tried << " answered";
}

// The search stopped right after proving its best move lost at a new depth: a move that was not
// refuted is played, not the lost one. In stop-vcf-1-010 the hard level proves its first choice
// lost at depth 8, with the one defence next in its order, from 650,000 positions to 900,000.
TEST(Tactics, AMoveProvedLostIsNotPlayedWhenAnotherStands)
{
    std::ifstream in(GOMOKU_TACTICS_FILE);
    std::vector<tactics::Record> records;
    std::string problem;
    ASSERT_TRUE(tactics::readAll(in, &records, &problem)) << problem;
    auto r = std::find_if(records.begin(), records.end(),
                          [](const tactics::Record &r) { return r.name == "stop-vcf-1-010"; });
    ASSERT_NE(r, records.end());
    Searcher searcher;
    const Position pos = tactics::positionOf(*r);
    for (std::int64_t nodes : {700000, 880000})
    {
        const Move m = searcher.think(pos, HARD, Limits{nodes, 0}, 0);
        EXPECT_TRUE(m != NO_MOVE && r->isAnswer(pos.xOf(m), pos.yOf(m)))
            << nodes << " positions: played " << where(pos, m);
        EXPECT_GT(searcher.info().score, -WIN_THRESHOLD) << nodes << " positions";
    }
}

// Positions of games the engine lost (tests/data/lost.txt, their games in bench/lost/) where it
// went wrong with a better move there to play: the solver proved the answers, and the hard level
// must find one within 2,000,000 positions, five seconds' thinking on a quiet machine. (Where it
// lost to the BSD gomoku after 51 stones, the root's search for a win by threes and fours needs
// some 170,000 positions to find 4,5, a sixth of the budget; alpha-beta plays 3,6 without it.)
constexpr std::int64_t LOST_NODES = 2000000;

TEST(Tactics, TheLostGamesPositionsAreAnsweredNow)
{
    // Beside the suite's file.
    std::string path = GOMOKU_TACTICS_FILE;
    path.replace(path.rfind('/') + 1, std::string::npos, "lost.txt");
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    std::vector<tactics::Record> records;
    std::string problem;
    ASSERT_TRUE(tactics::readAll(in, &records, &problem)) << problem;
    ASSERT_FALSE(records.empty());
    Searcher searcher;
    for (const tactics::Record &r : records)
    {
        const Position pos = tactics::positionOf(r);
        const Move m = searcher.think(pos, HARD, Limits{LOST_NODES, 0}, 0);
        EXPECT_TRUE(m != NO_MOVE && r.isAnswer(pos.xOf(m), pos.yOf(m)))
            << r.name << " (" << r.kind << ", " << r.moves << " moves): played " << where(pos, m);
    }
}
