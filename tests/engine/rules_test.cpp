// The rules: which rows win under each rule, and renju's forbidden points.
#include "core/rules.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/renju_reference.h"

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using namespace engine;
using enginetest::shown;
using enginetest::square;

// A stone on both the engine's grid and the second reading's board.
void put(Grid &grid, renjutest::Board &board, int x, int y, Stone stone)
{
    grid.set(x, y, stone);
    board.put(x, y, stone == BLACK ? renjutest::B : renjutest::W);
}

// The stones of a drawing: 'X' black, 'O' white.
void draw(Grid &grid, renjutest::Board &board, const std::vector<std::string> &rows)
{
    for (auto [x, y] : square(grid.size()))
        if (shown(rows, x, y) == 'X' || shown(rows, x, y) == 'O')
            put(grid, board, x, y, shown(rows, x, y) == 'X' ? BLACK : WHITE);
}

TEST(Rules, FiveInOneLineWinsWhateverTheOtherLinesHold)
{
    // Black's stone at '*' makes five along the row and six along the column.
    Grid grid(15);
    renjutest::Board board(15);
    draw(grid, board, {"....X", "....X", "....X", "XXXX*", "....X", "....X"});
    EXPECT_TRUE(makesFive(grid, 4, 3, BLACK, Rule::Standard));
    EXPECT_TRUE(makesFive(grid, 4, 3, BLACK, Rule::Renju));
    EXPECT_EQ(foul(grid, 4, 3), Foul::None);
    EXPECT_EQ(longestRow(grid, 4, 3, BLACK), 6);
}

TEST(Rules, NothingOffTheBoardOrOfNoColour)
{
    Grid grid(15);
    EXPECT_FALSE(makesFive(grid, -1, 0, BLACK, Rule::Freestyle));
    EXPECT_FALSE(makesFive(grid, 15, 3, WHITE, Rule::Freestyle));
    EXPECT_FALSE(makesFive(grid, 3, 3, EMPTY, Rule::Freestyle));
    EXPECT_EQ(longestRow(grid, 0, 15, BLACK), 0);
    EXPECT_EQ(grid.at(-1, 0), WALL);
    grid.set(15, 0, BLACK); // ignored
    grid.set(-3, 40, BLACK);
    EXPECT_EQ(foul(grid, 20, 20), Foul::None);
    Grid small(3); // brought up to the smallest board
    EXPECT_EQ(small.size(), 5);
    EXPECT_EQ(Grid(99).size(), 32);
}

// A renju position, every point of it named: 'X' black, 'O' white, '.' a point black may play,
// '3', '4' and '6' one it may not, for a double three, a double four or an overline. Rows left
// out, and the ends of short rows, are points black may play.
struct RenjuCase
{
    const char *name;
    int top;             // the empty rows above the drawing
    std::string drawing; // its rows, each on a line of its own
};

const std::vector<RenjuCase> RENJU_CASES = {
    {"two open threes meet", 2, R"(
.......X.......
.......X.......
.....XX3.......)"},
    {"a three stopped next to its end is no three; one with a point before the stone is", 0, R"(
............O..
.....O.........
.....X......X..
.....X......X..
...XX.....XX3..)"},
    {"split threes meet", 1, R"(
......X........
...............
......X........
...X.X3........)"},
    {"a three whose only point to a straight four is an overline is no three", 5, R"(
..........X....
.......3..X....
.....O..XX6....
.......X..X....
.......X..X....
..........X....)"},
    {"a four whose five would be six is no four; two real fours meet", 2, R"(
.OXXX..X.......
.....X.........
.....X.........
.....X.........
...............
...............
........OXXX4.O
............X..
............X..
............X..)"},
    {"two fours in one line", 3, R"(
...X.X4X.X.....
...............
...............
...............
...............
...............
.XXX.4.XXX.....)"},
    {"an overline, and a five that wins beside one", 2, R"(
..XXXX6X.......
...............
...............
........X......
........X......
......3.X......
....XXXX.......
........X......
........X......)"},
    {"a four and a three are allowed; a four and two threes, or two fours and a three, are not", 1,
     R"(
.XXX...........
....X..........
....X..........
..........X....
..........3X...
.........XXX3..
...........3X..
.......X....X..
......X........
..XXX4.........
.....X.........
.....X.........
.....X.........)"},
    {"nested two deep: the three's point is allowed because its own three's point is an overline",
     4, R"(
......XX6XXX...
.......X.......
......X........
O.3XX3.........
..X...X........
..XO...X.......)"},
    {"nested two deep: without the overline the three's point is forbidden, so no three", 5, R"(
.......X.......
......X........
O..XX3.........
..X...X........
..XO...X.......)"},
};

// The rows of a case's drawing, one a line after the line break that opens it, below its top.
std::vector<std::string> rowsOf(const RenjuCase &c)
{
    std::vector<std::string> rows(static_cast<std::size_t>(c.top));
    std::istringstream lines(c.drawing.substr(1));
    for (std::string row; std::getline(lines, row);)
        rows.push_back(row);
    return rows;
}

// The mark of a Foul or a renjutest::Verdict, which name the same four things in the same order.
template <typename Kind> char markOf(Kind kind)
{
    return ".346"[static_cast<int>(kind)];
}

TEST(Renju, EveryPointOfTheClassicPositions)
{
    const int n = 15;
    for (const RenjuCase &c : RENJU_CASES)
    {
        const std::vector<std::string> rows = rowsOf(c);
        Grid grid(n);
        renjutest::Board board(n);
        draw(grid, board, rows);
        for (auto [x, y] : square(n))
        {
            const char m = shown(rows, x, y);
            if (m == 'X' || m == 'O')
                continue;
            EXPECT_EQ(markOf(foul(grid, x, y)), m) << c.name << " at " << x << "," << y;
            EXPECT_EQ(markOf(renjutest::verdict(board, x, y)), m)
                << "the second reading: " << c.name << " at " << x << "," << y;
            EXPECT_EQ(forbidden(grid, x, y, BLACK, Rule::Renju), m != '.');
            EXPECT_FALSE(forbidden(grid, x, y, WHITE, Rule::Renju));
            EXPECT_FALSE(forbidden(grid, x, y, BLACK, Rule::Standard));
            EXPECT_FALSE(forbidden(grid, x, y, BLACK, Rule::Freestyle));
        }
    }
}

// Random boards, crowded around the middle so that threes, fours and overlines meet often: the
// engine's rules and the second reading name every empty point alike.
TEST(Renju, AgreesWithTheSecondReadingOnRandomBoards)
{
    const int n = 15;
    const int boards = 4000;
    std::mt19937 rng(20261208);
    int counts[4] = {};
    renjutest::nesting = {};
    for (int b = 0; b < boards; ++b)
    {
        Grid grid(n);
        renjutest::Board board(n);
        // A square of 7 to 11 points a side somewhere, about half of it black and a fifth white.
        const int side = 7 + static_cast<int>(rng() % 5);
        const int x0 = static_cast<int>(rng() % (n - side + 1));
        const int y0 = static_cast<int>(rng() % (n - side + 1));
        const int blackShare = 30 + static_cast<int>(rng() % 25);
        for (auto [x, y] : square(side, x0, y0))
        {
            const int r = static_cast<int>(rng() % 100);
            if (r < blackShare + 18)
                put(grid, board, x, y, r < blackShare ? BLACK : WHITE);
        }
        for (auto [x, y] : square(n))
        {
            if (grid.at(x, y) != EMPTY)
                continue;
            const Foul f = foul(grid, x, y);
            ++counts[static_cast<int>(f)];
            ASSERT_EQ(markOf(f), markOf(renjutest::verdict(board, x, y)))
                << "board " << b << " at " << x << "," << y;
        }
    }
    // The boards must have held every kind of forbidden point, and threes that needed their
    // points looked up in turn, some of them more than one deep.
    EXPECT_GT(counts[static_cast<int>(Foul::DoubleThree)], 1000);
    EXPECT_GT(counts[static_cast<int>(Foul::DoubleFour)], 1000);
    EXPECT_GT(counts[static_cast<int>(Foul::Overline)], 1000);
    EXPECT_GT(renjutest::nesting.questions, 1000);
    EXPECT_GE(renjutest::nesting.deepest, 2);
    std::printf("random boards: %d; points allowed %d, double three %d, double four %d, overline "
                "%d; points looked up in turn %ld, at most %d deep\n",
                boards, counts[0], counts[1], counts[2], counts[3], renjutest::nesting.questions,
                renjutest::nesting.deepest);
}

} // namespace
