// Wins by threes and fours that the defender's own fours do not refute: a four of the defender's
// only delays the attack, since the attacker stops it and the defender still has the threes to
// meet. Each position is a win found by the search for wins by threats (its reason "vct") within
// a small budget, on the marked point.
#include "engine/search.h"
#include "engine/threats.h"
#include "tests/engine/engine_test_support.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using namespace engine;
using enginetest::picture;

struct Win
{
    const char *name;
    std::vector<std::string_view> rows;
};

// X to move in each; O has no four and no open three of its own to be met first.
const std::vector<Win> WINS = {
    {"a double three, O with a four to make at the edge",
     {"", "", "", "", "", ".......X", ".......X", ".....XX*", "", "", "", "", "", "", "OOO"}},
    {"a double three, O with fours to make at two edges",
     {"..............O", "..............O", "..............O", "", "", ".......X", ".......X",
      ".....XX*", "", "", "", "", "", "", "OOO"}},
    {"a double three by a split three, O with a split four to make",
     {"", "", "", "", "......X", "", "......X", "...XX.*", "", "", "", "", "", "", "XO.OO"}},
};

TEST(Threats, WinByThreesGoesOnAfterTheDefendersFours)
{
    Searcher searcher(std::size_t{4} << 20);
    for (const Win &w : WINS)
    {
        enginetest::Picture p = picture(w.rows, 0);
        ASSERT_EQ(p.marked.size(), 1u) << w.name;
        ASSERT_FALSE(p.pos.fourPoints(1).empty()) << w.name << ": O has a four to make";
        ASSERT_TRUE(p.pos.flexFourPoints(1).empty()) << w.name << ": O has no open three";
        Move m = searcher.think(p.pos, Level::Hard, Limits{20000, 0}, 1);
        EXPECT_EQ(m, p.marked[0]) << w.name << ": played " << p.pos.xOf(m) << "," << p.pos.yOf(m);
        EXPECT_STREQ(searcher.info().reason, "vct") << w.name;
        EXPECT_GE(searcher.info().score, WIN_THRESHOLD) << w.name;
    }
}

// The points of a proved win, gathered: X's four, O's only answer, X's open four and its two
// fives; not the points of the fours X tried on the way that led nowhere (the four at the left
// end of the row below, answered where it needed to go on; the two at the top).
TEST(Threats, GathersThePointsOfTheWinItProves)
{
    enginetest::Picture p = picture(
        {"", ".........OXXX..", "", "", "....X", "....X", "", "OXXX", "", "", "", "", "", "", ""},
        0);
    Budget budget([] { return std::int64_t{0}; });
    budget.begin(Limits{1000000, 0});
    budget.beginSlice(1000000, 0);
    ThreatSearch search(p.pos, budget);
    search.newSearch();
    PointSet space;
    search.gatherInto(&space);
    search.capFours(100000);
    Move first = NO_MOVE;
    Task<int> win = search.vcf(10, &first);
    Driver driver;
    driver.run(win.coroutine(&driver));
    ASSERT_TRUE(win.done());
    EXPECT_EQ(win.await_resume(), 5);
    PointSet expected;
    for (auto [x, y] : {std::pair{4, 7}, {5, 7}, {4, 6}, {4, 3}, {4, 8}})
    {
        expected.add(p.pos.at(x, y));
    }
    EXPECT_EQ(space.words, expected.words) << space.count() << " points";
}

} // namespace
