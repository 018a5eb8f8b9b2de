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
    };
    const std::vector<Case> cases = {
        {{"..........", ".XXX*.....", ".........."}, T_FLEX4},
        {{"....X.....", "....X.....", "....X.....", "OXXX*.....", ".........."}, T_FLEX4}, // 4 x 4
        {{"..........", "....X.....", "....X.....", "OXXX*.....", ".........."}, T_FOUR_THREE},
        {{"..........", "....X.....", "....X.....", "..XX*.....", "......", ".........."}, T_THREE},
        {{"..........", "..OXX*....", ".........."}, T_NONE},
        {{"..........", ".OXXX*O...", ".........."}, T_NONE},
        {{"..........", "..OXXX*...", ".........."}, T_FOUR},
    };
    for (const Case &c : cases)
    {
        enginetest::Picture p = picture(c.rows, 0);
        ASSERT_EQ(p.marked.size(), 1u);
        EXPECT_EQ(p.pos.threat(p.marked[0], 0), c.expected) << c.rows[1];
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
                        }
                    }
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

// The key stands for what the search may take one position for another by: the stones and the
// side to move, whatever the order the stones came in.
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
}

// The points a search looks at: every empty point within two steps of a stone, up to the edges
// and corners, as stones come and go.
TEST(Position, NearPointsAreTheEmptyPointsWithinTwoOfAStone)
{
    std::mt19937 random(13);
    for (int size : {5, 9, 15, 18, 20})
    {
        Position pos(size);
        for (int step = 0; step < 3 * size; ++step)
        {
            if (pos.moveCount() > 0 && random() % 4 == 0)
            {
                pos.undo();
            }
            else
            {
                Move m =
                    pos.at(static_cast<int>(random() % size), static_cast<int>(random() % size));
                if (pos.isEmpty(m))
                {
                    pos.play(m);
                }
            }
            for (int y = 0; y < size; ++y)
            {
                for (int x = 0; x < size; ++x)
                {
                    bool near = false;
                    for (int dy = -2; dy <= 2; ++dy)
                    {
                        for (int dx = -2; dx <= 2; ++dx)
                        {
                            Move q = pos.at(x + dx, y + dy);
                            near = near || (q != NO_MOVE && !pos.isEmpty(q));
                        }
                    }
                    Move m = pos.at(x, y);
                    ASSERT_EQ(pos.nearPoints().has(m), near && pos.isEmpty(m))
                        << "size " << size << ", step " << step << ", point " << x << "," << y;
                }
            }
        }
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
