// Tests of the engine's position: the shape a stone makes along a line, the points each side
// threatens, the bookkeeping kept stone by stone against a position built afresh, and the five
// test against the game's own.
#include "engine/position.h"
#include "game/game_state.h"
#include "tests/engine/engine_test_support.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

namespace
{

using namespace engine;
using enginetest::picture;

// One row of the board, with '?' the point asked about: what black would make by playing it.
struct LineCase
{
    const char *row;
    Pattern expected;
};

const LineCase LINE_CASES[] = {
    {"XXXX?", P_FIVE},                            // the fifth stone
    {"XX?XX", P_FIVE},                            // ... in the gap
    {"XX?XXX", P_FIVE},                           // six in a row wins too
    {".XXX?.", P_FLEX4},                          // an open four
    {"XXX.?.XXX", P_FLEX4},                       // two fives, one each side
    {"OXXX?.", P_BLOCK4},                         // a four stopped at one end
    {"XXX?.", P_BLOCK4},                          // ... by the edge
    {"XXX.?", P_BLOCK4},                          // a four with a gap
    {"O?XXXO", P_NONE},                           // no room for five
    {"..XX?..", P_FLEX3},                         // an open three
    {".X.X?.", P_FLEX3},                          // a split three
    {"OXX?..", P_BLOCK3},                         // a three stopped at one end
    {"O.XX?.O", P_BLOCK3},                        // room for one four only
    {"...X?...", P_FLEX2},                        // an open two
    {"OX?...", P_BLOCK2},   {"...?...", P_FLEX1}, // a lone stone in the open
    {"O?....O", P_BLOCK1},                        // room for one five only
    {"O?...O", P_NONE},                           // four points between two stones
};

TEST(LinePattern, NamesWhatAStoneMakesAlongARow)
{
    for (const LineCase &c : LINE_CASES)
    {
        std::string row = c.row;
        auto mark = row.find('?');
        row[mark] = '.';
        enginetest::Picture p = picture({row}, 0);
        EXPECT_EQ(p.pos.pattern(p.pos.at(static_cast<int>(mark), 0), 0, 0), c.expected) << c.row;
        // The same shape for white, seen from white's side.
        for (char &ch : row)
        {
            ch = ch == 'X' ? 'O' : ch == 'O' ? 'X' : ch;
        }
        p = picture({row}, 1);
        EXPECT_EQ(p.pos.pattern(p.pos.at(static_cast<int>(mark), 0), 0, 1), c.expected) << c.row;
    }
}

// The four lines, and where the board's edges and corners cut them.
TEST(LinePattern, SeesEveryDirectionUpToTheEdges)
{
    const int size = 15;
    struct Case
    {
        int direction;
        int x0, y0, dx, dy; // the first of four black stones and the step between them
        int x, y;           // the one point that makes five
    };
    const Case cases[] = {
        {0, 11, 3, 1, 0, 10, 3},   // along a row, ending at the right edge
        {1, 0, 0, 0, 1, 0, 4},     // down the first column from the corner
        {2, 11, 11, 1, 1, 10, 10}, // the main diagonal into the bottom-right corner
        {3, 3, 11, -1, 1, 4, 10},  // the other diagonal into the bottom-left corner
    };
    for (const Case &c : cases)
    {
        Position pos(size);
        for (int i = 0; i < 4; ++i)
        {
            pos.place(pos.at(c.x0 + i * c.dx, c.y0 + i * c.dy), 0);
        }
        Move point = pos.at(c.x, c.y);
        EXPECT_EQ(pos.pattern(point, c.direction, 0), P_FIVE) << "direction " << c.direction;
        EXPECT_EQ(pos.threat(point, 0), T_FIVE);
        EXPECT_TRUE(pos.fivePoints(0).has(point));
        EXPECT_EQ(pos.fivePoints(0).count(), 1)
            << "the edge allows no five beyond the fourth stone";
        EXPECT_LT(pos.pattern(point, c.direction, 1), P_BLOCK2) << "white has little there";
    }
}

// What a point gives when its lines are taken together.
TEST(Threat, CombinesTheLinesThroughAPoint)
{
    struct Case
    {
        std::vector<std::string_view> rows; // black's point is '*'
        Threat expected;
        Shape shape;
    };
    const std::vector<Case> cases = {
        {{"..........", ".XXX*.....", ".........."}, T_FLEX4, S_OPEN_FOUR},
        {{"....X.....", "....X.....", "....X.....", "OXXX*.....", ".........."},
         T_FLEX4,
         S_DOUBLE_FOUR}, // 4 x 4
        {{"..........", "....X.....", "....X.....", "OXXX*.....", ".........."},
         T_FOUR_THREE,
         S_FOUR_THREE},
        {{"..........", "....X.....", "....X.....", "..XX*.....", "......", ".........."},
         T_THREE,
         S_DOUBLE_THREE},
        {{"..........", "..XX*.....", ".........."}, T_THREE, S_THREE},
        {{"..........", "..OXX*....", ".........."}, T_NONE, S_NONE},
        {{"..........", ".OXXX*O...", ".........."}, T_NONE, S_NONE},
        {{"..........", "..OXXX*...", ".........."}, T_FOUR, S_FOUR},
        {{"..........", "..XX*XX...", ".........."}, T_FIVE, S_FIVE},
    };
    for (const Case &c : cases)
    {
        enginetest::Picture p = picture(c.rows, 0);
        ASSERT_EQ(p.marked.size(), 1u);
        EXPECT_EQ(p.pos.threat(p.marked[0], 0), c.expected) << c.rows[1];
        EXPECT_EQ(p.pos.shape(p.marked[0], 0), c.shape) << c.rows[1];
    }
}

// Everything kept up to date stone by stone equals what a position built afresh from the same
// stones works out, after every stone of random games and after taking them all back.
TEST(Position, KeepsItsBookkeepingAsAFreshPositionWould)
{
    std::mt19937 random(7);
    for (int game = 0; game < 12; ++game)
    {
        const int size = 5 + static_cast<int>(random() % 28);
        Position pos(size);
        const Position empty(size);
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
        const int stones = static_cast<int>(random() % static_cast<unsigned>(size * size));
        for (int ply = 0; ply < stones; ++ply)
        {
            Move m;
            do
            {
                m = pos.at(static_cast<int>(random() % size), static_cast<int>(random() % size));
            } while (!pos.isEmpty(m));
            pos.play(m);
            Position fresh(size);
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

TEST(Position, UndoGivesTheTurnBack)
{
    Position pos(15);
    pos.play(pos.at(7, 7));
    pos.play(pos.at(8, 8));
    EXPECT_EQ(pos.toMove(), 0);
    pos.undo();
    EXPECT_EQ(pos.toMove(), 1);
    EXPECT_TRUE(pos.isEmpty(pos.at(8, 8)));
    EXPECT_EQ(pos.lastMove(), pos.at(7, 7));
}

TEST(Position, HasNoPointsOffItsBoard)
{
    for (int size : {5, 18, 32})
    {
        Position pos(size);
        EXPECT_EQ(pos.at(-1, 0), NO_MOVE);
        EXPECT_EQ(pos.at(0, size), NO_MOVE);
        EXPECT_EQ(pos.at(size, size - 1), NO_MOVE);
        Move corner = pos.at(size - 1, size - 1);
        EXPECT_TRUE(pos.isEmpty(corner));
        EXPECT_EQ(pos.xOf(corner), size - 1);
        EXPECT_EQ(pos.yOf(corner), size - 1);
    }
}

} // namespace
