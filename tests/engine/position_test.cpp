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
using Rows = std::vector<std::string_view>;

// One row with '?' the point asked about: black's pattern there when five or more wins, and when
// only exactly five does (the same unless given). A stone five steps away lengthens a row, so it
// changes the second.
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
            {
                ch = colour == 0 ? ch : ch == 'X' ? 'O' : ch == 'O' ? 'X' : ch;
            }
            // Standard holds both colours to exactly five; renju black only.
            for (Rule rule : {Rule::Freestyle, Rule::Standard, Rule::Renju})
            {
                // The row starts two points in, so that an edge does not end it; a row that
                // starts with a stone has a stone of the other side before it, as an edge would.
                Position pos(15, rule);
                for (int x = 0; x < static_cast<int>(row.size()); ++x)
                {
                    if (row[x] == 'X' || row[x] == 'O')
                    {
                        pos.place(pos.at(x + 2, 4), row[x] == 'X' ? 0 : 1);
                    }
                }
                if (row[0] != '.' && row[0] != '?')
                {
                    pos.place(pos.at(1, 4), colour == 0 ? 1 : 0);
                }
                const bool exact = rule == Rule::Standard || (rule == Rule::Renju && colour == 0);
                EXPECT_EQ(pos.pattern(pos.at(mark + 2, 4), 0, colour),
                          exact ? c.exact.value_or(c.freestyle) : c.freestyle)
                    << c.row << " colour " << colour << " rule " << static_cast<int>(rule);
            }
        }
    }
}

// Four stones and the point that makes five, along each line up to the edges and corners: a five
// in that line's direction under every rule, and one more at the other end unless the edge is
// there. Then a stone of the same colour beyond the point: six in a row, a five only in freestyle
// (and for white in renju). The engine's five test says the same of the six on the board.
TEST(Position, FivesAndOverlinesAlongEveryLineUpToTheEdges)
{
    const int size = 15;
    struct Case
    {
        int x0, y0, dx, dy; // the first of four stones, the step; the point, then one more
    };
    const Case cases[] = {
        {9, 3, 1, 0}, {5, 14, -1, 0}, {0, 0, 0, 1},   {2, 14, 0, -1},
        {9, 9, 1, 1}, {0, 0, 1, 1},   {14, 0, -1, 1}, {5, 9, -1, 1},
    };
    for (const Case &c : cases)
    {
        for (Rule rule : {Rule::Freestyle, Rule::Standard, Rule::Renju})
        {
            for (int colour = 0; colour < 2; ++colour)
            {
                Position pos(size, rule);
                for (int i : {0, 1, 2, 3})
                {
                    pos.place(pos.at(c.x0 + i * c.dx, c.y0 + i * c.dy), colour);
                }
                const Move point = pos.at(c.x0 + 4 * c.dx, c.y0 + 4 * c.dy);
                const int direction = c.dy == 0 ? 0 : c.dx == 0 ? 1 : c.dx == c.dy ? 2 : 3;
                const bool edge = pos.at(c.x0 - c.dx, c.y0 - c.dy) == NO_MOVE;
                SCOPED_TRACE(testing::Message() << c.x0 << "," << c.y0 << " rule "
                                                << static_cast<int>(rule) << " colour " << colour);
                EXPECT_EQ(pos.pattern(point, direction, colour), P_FIVE);
                EXPECT_LT(pos.pattern(point, direction, 1 - colour), P_BLOCK2);
                EXPECT_EQ(pos.threat(point, colour), T_FIVE);
                EXPECT_EQ(pos.fivePoints(colour).count(), edge ? 1 : 2);
                pos.place(pos.at(c.x0 + 5 * c.dx, c.y0 + 5 * c.dy), colour);
                const bool six = rule == Rule::Freestyle || (rule == Rule::Renju && colour == 1);
                EXPECT_EQ(pos.fivePoints(colour).has(point), six);
                EXPECT_EQ(pos.threat(point, colour) == T_FIVE, six);
                pos.place(point, colour);
                EXPECT_EQ(pos.fiveThrough(point), six);
                EXPECT_EQ(pos.fiveThrough(pos.at(c.x0, c.y0)), six);
            }
        }
    }
}

// Under renju black's threat sets leave its forbidden points out, and the quick look that spares
// most points the full judgement misses none: on random crowded boards every empty point is
// forbidden in the position exactly when the rules say so.
TEST(Position, LeavesBlacksForbiddenPointsOutOfItsThreats)
{
    std::mt19937 random(29);
    int forbiddenSeen = 0;
    for (int trial = 0; trial < 300; ++trial)
    {
        const int size = 15;
        Position pos(size, Rule::Renju);
        Grid grid(size);
        for (int y = 3; y < 12; ++y)
        {
            for (int x = 3; x < 12; ++x)
            {
                const unsigned r = random() % 100;
                if (r < 40 || (r < 55 && trial % 2 == 0))
                {
                    const int colour = r < 40 ? 0 : 1;
                    pos.place(pos.at(x, y), colour);
                    grid.set(x, y, colour == 0 ? BLACK : WHITE);
                }
            }
        }
        for (int y = 0; y < size; ++y)
        {
            for (int x = 0; x < size; ++x)
            {
                const Move m = pos.at(x, y);
                if (!pos.isEmpty(m))
                {
                    continue;
                }
                const bool bad = foul(grid, x, y) != Foul::None;
                forbiddenSeen += bad;
                ASSERT_EQ(pos.forbidden(m, 0), bad) << "trial " << trial << " at " << x << "," << y;
                ASSERT_FALSE(pos.forbidden(m, 1));
                bool four = false, three = false;
                for (int d = 0; d < 4; ++d)
                {
                    four =
                        four || pos.pattern(m, d, 0) == P_BLOCK4 || pos.pattern(m, d, 0) == P_FLEX4;
                    three = three || pos.pattern(m, d, 0) == P_FLEX3;
                }
                EXPECT_EQ(pos.fourPoints(0).has(m), four && !bad);
                EXPECT_EQ(pos.threePoints(0).has(m), three && !bad);
                EXPECT_EQ(pos.flexFourPoints(0).has(m), pos.threat(m, 0) == T_FLEX4 && !bad);
                // White's sets are as they stand: nothing is forbidden to white.
                EXPECT_EQ(pos.flexFourPoints(1).has(m), pos.threat(m, 1) == T_FLEX4);
            }
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

// Everything kept up to date stone by stone equals what a position built afresh from the same
// stones works out, and the points a search looks at are the empty points within two steps of a
// stone: after every stone played or taken back in random games, and after taking them all back.
TEST(Position, KeepsItsBookkeepingAsAFreshPositionWould)
{
    std::mt19937 random(7);
    for (int game = 0; game < 18; ++game)
    {
        const int size = 5 + static_cast<int>(random() % 28);
        const Rule rule = static_cast<Rule>(game % 3);
        Position pos(size, rule);
        const Position empty(size, rule);
        auto same = [&](const Position &a, const Position &b, int ply)
        {
            ASSERT_EQ(a.key(), b.key()) << "size " << size << " ply " << ply;
            for (int c = 0; c < 2; ++c)
            {
                ASSERT_EQ(a.valueSum(c), b.valueSum(c)) << "size " << size << " ply " << ply;
                ASSERT_EQ(a.fivePoints(c).words, b.fivePoints(c).words);
                ASSERT_EQ(a.flexFourPoints(c).words, b.flexFourPoints(c).words);
                ASSERT_EQ(a.fourPoints(c).words, b.fourPoints(c).words);
                ASSERT_EQ(a.threePoints(c).words, b.threePoints(c).words);
            }
            ASSERT_EQ(a.nearPoints().words, b.nearPoints().words);
            // The counts of patterns and shapes, against a count of the points one by one.
            int patterns[2][PATTERN_COUNT] = {}, shapes[2][SHAPE_COUNT] = {};
            for (int y = 0; y < size; ++y)
            {
                for (int x = 0; x < size; ++x)
                {
                    Move m = a.at(x, y);
                    ASSERT_EQ(a.stone(m), b.stone(m));
                    bool near = false;
                    for (int dy = -2; dy <= 2; ++dy)
                    {
                        for (int dx = -2; dx <= 2; ++dx)
                        {
                            const Move q = a.at(x + dx, y + dy);
                            near = near || (q != NO_MOVE && !a.isEmpty(q));
                        }
                    }
                    ASSERT_EQ(a.nearPoints().has(m), near && a.isEmpty(m)) << x << "," << y;
                    if (a.isEmpty(m))
                    {
                        for (int c = 0; c < 2; ++c)
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
                }
            }
            for (int c = 0; c < 2; ++c)
            {
                for (int p = 0; p < PATTERN_COUNT; ++p)
                {
                    ASSERT_EQ(a.patternCount(c, p), patterns[c][p]) << "pattern " << p;
                }
                for (int s = 0; s < SHAPE_COUNT; ++s)
                {
                    ASSERT_EQ(a.shapeCount(c, s), shapes[c][s]) << "shape " << s;
                }
            }
        };
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
            {
                fresh.place(pos.move(i), i % 2);
            }
            fresh.setToMove(pos.toMove());
            same(pos, fresh, ply);
        }
        while (pos.moveCount() > 0)
        {
            pos.undo();
        }
        same(pos, empty, -1);
    }
}

// The engine's five test and the game's agree on random boards of the game's size, thin and
// crowded, and on the lines the game's rule tables name.
TEST(Position, FindsFivesWhereTheGameDoes)
{
    std::mt19937 random(11);
    for (int trial = 0; trial < 3000; ++trial)
    {
        const unsigned density = 20 + trial % 70; // percent of the points taken
        Position pos(BOARD_SIZE);
        std::fill(std::begin(Board), std::end(Board), CELL_EMPTY);
        gameOver = 0;
        for (int row = 0; row < BOARD_SIZE; ++row)
        {
            for (int col = 0; col < BOARD_SIZE; ++col)
            {
                if (random() % 100 < density)
                {
                    int colour = static_cast<int>(random() % 2);
                    Board[row * BOARD_SIZE + col] = colour == 0 ? CELL_BLACK : CELL_WHITE;
                    pos.place(pos.at(col, row), colour);
                }
            }
        }
        scanForFive();
        bool engineFive = false;
        for (int i = 0; i < pos.moveCount(); ++i)
        {
            engineFive = engineFive || pos.fiveThrough(pos.move(i));
        }
        ASSERT_EQ(engineFive, gameOver == 1) << "trial " << trial;
    }
}

// The key stands for what the search may take one position for another by: the stones and the
// side to move, whatever the order the stones came in; taking a stone back restores it.
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
    {
        EXPECT_EQ(picture(c.a, c.toMoveA).pos.key() == picture(c.b, c.toMoveB).pos.key(), c.same)
            << c.name;
    }
    // Stones played in two orders that meet; and taken back to where they started.
    Position one(15), two(15);
    for (auto [x, y] : {std::pair{7, 7}, {8, 8}, {6, 6}, {9, 9}})
    {
        one.play(one.at(x, y));
    }
    for (auto [x, y] : {std::pair{6, 6}, {9, 9}, {7, 7}, {8, 8}})
    {
        two.play(two.at(x, y));
    }
    EXPECT_EQ(one.key(), two.key());
    const std::uint64_t before = one.key();
    one.play(one.at(3, 3));
    EXPECT_NE(one.key(), before);
    one.undo();
    EXPECT_EQ(one.key(), before);
    // Taking a stone back gives the turn back too.
    EXPECT_EQ(one.toMove(), 0);
    EXPECT_TRUE(one.isEmpty(one.at(3, 3)));
    EXPECT_EQ(one.lastMove(), one.at(9, 9));
}

} // namespace
