// Wins by threes and fours that the defender's own fours do not refute: a four of the defender's
// only delays the attack, since the attacker stops it and the defender still has the threes to
// meet. Each position is a win found by the search for wins by threats (its reason "vct") within
// a small budget, on the marked point.
#include "engine/search.h"
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

} // namespace
