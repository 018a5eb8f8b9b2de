// The engine's position: line patterns, threats, bookkeeping against a fresh build, fives.
#include "engine/position.h"
#include "game/game_state.h"
#include "tests/engine/engine_test_support.h"

#include <optional>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace
{

using namespace engine;
using enginetest::picture;
using enginetest::square;
using Rows = std::vector<std::string_view>;

// One row with '?' the point asked about: black's pattern there when five or more wins, and when
// only exactly five does (the same unless given).
struct LineCase
{
    const char *row;
    Pattern freestyle;
    std::optional<Pattern> exact = std::nullopt;
};

const LineCase LINE_CASES[] = {
    {"XXXX?", P_FIVE},                  // the fifth stone, at the edge
    {"XX?XX", P_FIVE},                  // ... in the gap
    {"XXXX?X", P_FIVE, P_NONE},         // six
    {"XX?XXX", P_FIVE, P_NONE},         // six, the point inside
    {"XXXX?XX", P_FIVE, P_NONE},        // seven
    {"OXXXX?O", P_FIVE},                // five between the other side's stones
    {".XXX?.", P_FLEX4},                // an open four
    {"XXX.?.XXX", P_FLEX4},             // two fives, one each side
    {".XXX?.X.", P_FLEX4, P_BLOCK4},    // the right-hand five would be six
    {"X.XXX?..", P_FLEX4, P_BLOCK4},    // ... the left-hand one
    {"X.XXX?.X", P_FLEX4, P_NONE},      // both
    {"OXXX?.", P_BLOCK4},               // a four stopped at one end
    {"XXX?.", P_BLOCK4},                // ... by the edge
    {"XXX.?", P_BLOCK4},                // a four with a gap
    {"XXXX.?....", P_BLOCK4, P_BLOCK1}, // the gap gives six: a four, or one far way to five
    {"O?XXXO", P_NONE},                 // no room for five
    {"...XX?...", P_FLEX3},             // an open three
    {".X.X?.", P_FLEX3},                // a split three
    {"X..XX?..X", P_FLEX3, P_BLOCK3},   // an open three whose fours would all be sixes one way
    {"X...XX?...X", P_FLEX3},           // stones five steps from the point's row matter not
    {"OXX?..", P_BLOCK3},               // a three stopped at one end
    {"O.XX?.O", P_BLOCK3},              // room for one four only
    {"...X?...", P_FLEX2},              // an open two
    {"OX?...", P_BLOCK2},
    {"...?...", P_FLEX1},  // a lone stone in the open
    {"O?....O", P_BLOCK1}, // room for one five only
    {"O?...O", P_NONE},    // four points between two stones
};

TEST(LinePattern, NamesWhatAStoneMakesAlongARowUnderEachRule)
{
    for (const LineCase &c : LINE_CASES)
    {
        for (int colour = 0; colour < 2; ++colour)
        {
            std::string row = c.row;
            const int mark = static_cast<int>(row.find('?'));
            // The same shape for white, seen from white's side.
            for (char &ch : row)
                ch = colour == 0 ? ch : ch == 'X' ? 'O' : ch == 'O' ? 'X' : ch;
            // The row starts two points in, so that an edge does not end it; a row that starts
            // with a stone has a stone of the other side before it, as an edge would.
            const char before = row[0] == '.' || row[0] == '?' ? '.' : colour == 0 ? 'O' : 'X';
            const std::string line = std::string(".") + before + row;
            // Standard holds both colours to exactly five; renju black only.
            for (Rule rule : {Rule::Freestyle, Rule::Standard, Rule::Renju})
            {
                const Position pos = picture({"", "", "", "", line}, 0, 15, rule).pos;
                const bool exact = rule == Rule::Standard || (rule == Rule::Renju && colour == 0);
                EXPECT_EQ(pos.pattern(pos.at(mark + 2, 4), 0, colour),
                          exact ? c.exact.value_or(c.freestyle) : c.freestyle)
                    << c.row << " colour " << colour << " rule " << static_cast<int>(rule);
            }
        }
    }
}

// Four stones and the point that makes five, along lines from the edges and corners and in the
// open: the rules' row count and the position's patterns, threats and five test agree, under every
// rule, and a sixth stone makes six, which (like seven) wins only in freestyle and for white in
// renju.
TEST(Fives, AndSixesAlongEveryLineUpToTheEdges)
{
    const int n = 15;
    const int lines[][4] = {
        // The first stone, and the step to the next.
        {0, 4, 1, 0}, {14, 9, -1, 0},   {9, 3, 1, 0},   {5, 14, -1, 0},
        {3, 0, 0, 1}, {11, 14, 0, -1},  {0, 0, 0, 1},   {2, 14, 0, -1},
        {0, 0, 1, 1}, {14, 14, -1, -1}, {14, 0, -1, 1}, {0, 14, 1, -1},
        {2, 5, 1, 1}, {10, 3, -1, 1},   {9, 9, 1, 1},   {5, 9, -1, 1},
    };
    for (const auto &[x0, y0, dx, dy] : lines)
    {
        for (Rule rule : {Rule::Freestyle, Rule::Standard, Rule::Renju})
        {
            for (int colour = 0; colour < 2; ++colour)
            {
                SCOPED_TRACE(testing::Message()
                             << x0 << "," << y0 << " by " << dx << "," << dy << " rule "
                             << static_cast<int>(rule) << " colour " << colour);
                const Stone stone = colour == 0 ? BLACK : WHITE;
                Position pos(n, rule);
                Grid grid(n);
                for (int i = 0; i < 4; ++i)
                {
                    pos.place(pos.at(x0 + i * dx, y0 + i * dy), colour);
                    grid.set(x0 + i * dx, y0 + i * dy, stone);
                }
                const Move point = pos.at(x0 + 4 * dx, y0 + 4 * dy);
                const int direction = dy == 0 ? 0 : dx == 0 ? 1 : dx == dy ? 2 : 3;
                const bool edge = pos.at(x0 - dx, y0 - dy) == NO_MOVE;
                EXPECT_EQ(pos.pattern(point, direction, colour), P_FIVE);
                EXPECT_LT(pos.pattern(point, direction, 1 - colour), P_BLOCK2);
                EXPECT_EQ(pos.threat(point, colour), T_FIVE);
                EXPECT_EQ(pos.fivePoints(colour).count(), edge ? 1 : 2);
                grid.set(x0 + 4 * dx, y0 + 4 * dy, stone);
                for (int i = 0; i < 5; ++i)
                {
                    EXPECT_EQ(longestRow(grid, x0 + i * dx, y0 + i * dy, stone), 5);
                    EXPECT_TRUE(makesFive(grid, x0 + i * dx, y0 + i * dy, stone, rule));
                }
                // The sixth stone: asked on its empty point, then on the board.
                const bool six = rule == Rule::Freestyle || (rule == Rule::Renju && colour == 1);
                EXPECT_FALSE(rowWins(rule, stone, 4));
                EXPECT_TRUE(rowWins(rule, stone, 5));
                EXPECT_EQ(rowWins(rule, stone, 6), six);
                EXPECT_EQ(rowWins(rule, stone, 7), six);
                const int sx = x0 + 5 * dx, sy = y0 + 5 * dy;
                EXPECT_EQ(longestRow(grid, sx, sy, stone), 6);
                EXPECT_EQ(makesFive(grid, sx, sy, stone, rule), six);
                grid.set(sx, sy, stone);
                pos.place(pos.at(sx, sy), colour);
                for (int i = 0; i < 6; ++i)
                {
                    EXPECT_EQ(longestRow(grid, x0 + i * dx, y0 + i * dy, stone), 6);
                    EXPECT_EQ(makesFive(grid, x0 + i * dx, y0 + i * dy, stone, rule), six);
                }
                EXPECT_EQ(pos.fivePoints(colour).has(point), six);
                EXPECT_EQ(pos.threat(point, colour) == T_FIVE, six);
                pos.place(point, colour);
                EXPECT_EQ(pos.fiveThrough(point), six);
                EXPECT_EQ(pos.fiveThrough(pos.at(x0, y0)), six);
                // A stone of the other colour ends the row: five again, whatever the rule.
                grid.set(sx, sy, colour == 0 ? WHITE : BLACK);
                EXPECT_TRUE(makesFive(grid, x0, y0, stone, rule));
            }
        }
    }
}

// Under renju black's threat sets leave out its forbidden points, which on random crowded boards
// are exactly those the rules name.
TEST(Position, LeavesBlacksForbiddenPointsOutOfItsThreats)
{
    std::mt19937 random(29);
    int forbiddenSeen = 0;
    for (int trial = 0; trial < 300; ++trial)
    {
        Position pos(15, Rule::Renju);
        Grid grid(15);
        for (auto [x, y] : square(9, 3, 3))
        {
            const unsigned r = random() % 100;
            if (r < 40 || (r < 55 && trial % 2 == 0))
            {
                pos.place(pos.at(x, y), r < 40 ? 0 : 1);
                grid.set(x, y, r < 40 ? BLACK : WHITE);
            }
        }
        for (auto [x, y] : square(15))
        {
            const Move m = pos.at(x, y);
            if (!pos.isEmpty(m))
                continue;
            const bool bad = foul(grid, x, y) != Foul::None;
            forbiddenSeen += bad;
            ASSERT_EQ(pos.forbidden(m, 0), bad) << "trial " << trial << " at " << x << "," << y;
            ASSERT_FALSE(pos.forbidden(m, 1));
            bool four = false, three = false;
            for (int d = 0; d < 4; ++d)
            {
                four = four || pos.pattern(m, d, 0) == P_BLOCK4 || pos.pattern(m, d, 0) == P_FLEX4;
                three = three || pos.pattern(m, d, 0) == P_FLEX3;
            }
            EXPECT_EQ(pos.fourPoints(0).has(m), four && !bad);
            EXPECT_EQ(pos.threePoints(0).has(m), three && !bad);
            EXPECT_EQ(pos.flexFourPoints(0).has(m), pos.threat(m, 0) == T_FLEX4 && !bad);
            // White's sets are as they stand: nothing is forbidden to white.
            EXPECT_EQ(pos.flexFourPoints(1).has(m), pos.threat(m, 1) == T_FLEX4);
        }
    }
    EXPECT_GT(forbiddenSeen, 1000);
}

// What a point gives when its lines are taken together.
TEST(Threat, CombinesTheLinesThroughAPoint)
{
    struct Case
    {
        Rows rows; // black's point is '*'
        Threat expected;
        Shape shape;
    };
    const std::vector<Case> cases = {
        {Rows{"", ".XXX*"}, T_FLEX4, S_OPEN_FOUR},
        {Rows{"....X", "....X", "....X", "OXXX*"}, T_FLEX4, S_DOUBLE_FOUR}, // 4 x 4
        {Rows{"", "....X", "....X", "OXXX*"}, T_FOUR_THREE, S_FOUR_THREE},
        {Rows{"", "....X", "....X", "..XX*"}, T_THREE, S_DOUBLE_THREE},
        {Rows{"", "..XX*"}, T_THREE, S_THREE},
        {Rows{"", "..OXX*"}, T_NONE, S_NONE},
        {Rows{"", ".OXXX*O"}, T_NONE, S_NONE},
        {Rows{"", "..OXXX*"}, T_FOUR, S_FOUR},
        {Rows{"", "..XX*XX"}, T_FIVE, S_FIVE},
    };
    for (const Case &c : cases)
    {
        enginetest::Picture p = picture(c.rows, 0);
        ASSERT_EQ(p.marked.size(), 1u);
        EXPECT_EQ(p.pos.threat(p.marked[0], 0), c.expected) << c.rows.back();
        EXPECT_EQ(p.pos.shape(p.marked[0], 0), c.shape) << c.rows.back();
    }
}

// Everything `a` keeps up to date stone by stone equals what `b`, built afresh from the same
// stones, works out; the points a search looks at are the empty ones within two steps of a stone.
void expectSameBookkeeping(const Position &a, const Position &b)
{
    ASSERT_EQ(a.key(), b.key());
    for (int c = 0; c < 2; ++c)
    {
        ASSERT_EQ(a.valueSum(c), b.valueSum(c));
        ASSERT_EQ(a.fivePoints(c).words, b.fivePoints(c).words);
        ASSERT_EQ(a.flexFourPoints(c).words, b.flexFourPoints(c).words);
        ASSERT_EQ(a.fourPoints(c).words, b.fourPoints(c).words);
        ASSERT_EQ(a.threePoints(c).words, b.threePoints(c).words);
    }
    ASSERT_EQ(a.nearPoints().words, b.nearPoints().words);
    // The counts of patterns and shapes, against a count of the points one by one.
    int patterns[2][PATTERN_COUNT] = {}, shapes[2][SHAPE_COUNT] = {};
    for (auto [x, y] : square(a.size()))
    {
        const Move m = a.at(x, y);
        ASSERT_EQ(a.stone(m), b.stone(m));
        bool near = false;
        for (auto [nx, ny] : square(5, x - 2, y - 2))
            near = near || (a.at(nx, ny) != NO_MOVE && !a.isEmpty(a.at(nx, ny)));
        ASSERT_EQ(a.nearPoints().has(m), near && a.isEmpty(m)) << x << "," << y;
        for (int c = 0; c < 2 && a.isEmpty(m); ++c)
        {
            ASSERT_EQ(a.threat(m, c), b.threat(m, c)) << x << "," << y;
            ASSERT_EQ(a.value(m, c), b.value(m, c)) << x << "," << y;
            ASSERT_EQ(a.shape(m, c), b.shape(m, c)) << x << "," << y;
            ++shapes[c][a.shape(m, c)];
            for (int d = 0; d < 4; ++d)
            {
                ASSERT_EQ(a.pattern(m, d, c), b.pattern(m, d, c)) << x << "," << y;
                ++patterns[c][a.pattern(m, d, c)];
            }
        }
    }
    for (int c = 0; c < 2; ++c)
    {
        for (int p = 0; p < PATTERN_COUNT; ++p)
            ASSERT_EQ(a.patternCount(c, p), patterns[c][p]) << "pattern " << p;
        for (int s = 0; s < SHAPE_COUNT; ++s)
            ASSERT_EQ(a.shapeCount(c, s), shapes[c][s]) << "shape " << s;
    }
}

// The bookkeeping after every stone played or taken back in random games, and after taking them
// all back, on boards of every size under every rule.
TEST(Position, KeepsItsBookkeepingAsAFreshPositionWould)
{
    std::mt19937 random(7);
    for (int game = 0; game < 18; ++game)
    {
        const int size = 5 + static_cast<int>(random() % 28);
        const Rule rule = static_cast<Rule>(game % 3);
        Position pos(size, rule);
        const int steps = static_cast<int>(random() % static_cast<unsigned>(size * size * 5 / 4));
        for (int ply = 0; ply < steps; ++ply)
        {
            if (pos.moveCount() > 0 && (random() % 5 == 0 || pos.full()))
            {
                pos.undo();
            }
            else
            {
                Move m;
                do
                {
                    m = pos.at(static_cast<int>(random() % size),
                               static_cast<int>(random() % size));
                } while (!pos.isEmpty(m));
                pos.play(m);
            }
            Position fresh(size, rule);
            for (int i = 0; i < pos.moveCount(); ++i)
                fresh.place(pos.move(i), i % 2);
            fresh.setToMove(pos.toMove());
            SCOPED_TRACE(testing::Message() << "size " << size << " ply " << ply);
            expectSameBookkeeping(pos, fresh);
        }
        while (pos.moveCount() > 0)
            pos.undo();
        SCOPED_TRACE(testing::Message() << "size " << size << ", all taken back");
        expectSameBookkeeping(pos, Position(size, rule));
    }
}

// The engine's five test and the game's agree on random boards of the game's size, thin and
// crowded.
TEST(Position, FindsFivesWhereTheGameDoes)
{
    std::mt19937 random(11);
    for (int trial = 0; trial < 3000; ++trial)
    {
        const unsigned density = 20 + trial % 70; // percent of the points taken
        Position pos(BOARD_SIZE);
        std::fill(std::begin(Board), std::end(Board), CELL_EMPTY);
        gameOver = 0;
        for (auto [col, row] : square(BOARD_SIZE))
        {
            if (random() % 100 < density)
            {
                const int colour = static_cast<int>(random() % 2);
                Board[row * BOARD_SIZE + col] = colour == 0 ? CELL_BLACK : CELL_WHITE;
                pos.place(pos.at(col, row), colour);
            }
        }
        scanForFive();
        bool engineFive = false;
        for (int i = 0; i < pos.moveCount(); ++i)
            engineFive = engineFive || pos.fiveThrough(pos.move(i));
        ASSERT_EQ(engineFive, gameOver == 1) << "trial " << trial;
    }
}

// The key tells positions apart by their stones and side to move, not the stones' order.
TEST(Position, KeysTellPositionsApartByTheirStonesAndTheSideToMove)
{
    struct Case
    {
        const char *name;
        std::vector<std::string_view> a, b;
        int toMoveA, toMoveB;
        bool same;
    };
    const std::vector<Case> cases = {
        {"the same stones, the other side to move", {"..X", ".O."}, {"..X", ".O."}, 0, 1, false},
        {"the same stones and side", {"..X", ".O."}, {"..X", ".O."}, 1, 1, true},
        {"a stone of the other colour", {"..X", ".O."}, {"..O", ".O."}, 0, 0, false},
        {"one stone more", {"..X", ".O."}, {"..X", ".OX"}, 0, 0, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(picture(c.a, c.toMoveA).pos.key() == picture(c.b, c.toMoveB).pos.key(), c.same)
            << c.name;
    // Stones played in two orders that meet.
    Position one(15), two(15);
    for (auto [x, y] : {std::pair{7, 7}, {8, 8}, {6, 6}, {9, 9}})
        one.play(one.at(x, y));
    for (auto [x, y] : {std::pair{6, 6}, {9, 9}, {7, 7}, {8, 8}})
        two.play(two.at(x, y));
    EXPECT_EQ(one.key(), two.key());
}

} // namespace
