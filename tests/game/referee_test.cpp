// The referee of one game held as a value (game/referee.h): a table of games, each a list of
// moves ending in the one judged, with the verdict and what the game must look like after it.
#include "game/referee.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using Side = Referee::Side;
using Verdict = Referee::Verdict;
using Point = Referee::Point;
constexpr Side B = Side::Black, W = Side::White;

struct Move
{
    Side side;
    int row;
    int col;
};

struct Case
{
    std::string name;
    std::vector<Move> moves; // all placed before the last, which is judged
    Verdict verdict;
    std::optional<Side> winner; // the game is over once someone has won
    std::vector<Point> five;    // empty: none
};

// Black from (bRow, bCol) and white from (wRow, wCol), each a step (dRow, dCol) at a time,
// alternating, black first: n black stones and n - 1 white ones, black's n-th placed last.
std::vector<Move> race(int bRow, int bCol, int wRow, int wCol, int n, int dRow, int dCol)
{
    std::vector<Move> moves;
    for (int i = 0; i < n; ++i)
    {
        moves.push_back({B, bRow + i * dRow, bCol + i * dCol});
        if (i + 1 < n)
        {
            moves.push_back({W, wRow + i * dRow, wCol + i * dCol});
        }
    }
    return moves;
}

// Along rows: black's on row 3 and white's on row 4, from column 0.
std::vector<Move> rows(int n)
{
    return race(3, 0, 4, 0, n, 0, 1);
}

// Five points from (row, col), a step (dRow, dCol) at a time.
std::vector<Point> five(int row, int col, int dRow, int dCol)
{
    std::vector<Point> out;
    for (int i = 0; i < 5; ++i)
    {
        out.push_back(Point{std::uint8_t(row + i * dRow), std::uint8_t(col + i * dCol)});
    }
    return out;
}

std::vector<Move> then(std::vector<Move> moves, std::initializer_list<Move> more)
{
    moves.insert(moves.end(), more);
    return moves;
}

// clang-format off
const std::vector<Case> CASES = {
    {"black moves first", {{B, 9, 9}}, Verdict::Placed, {}, {}},
    {"white may not move first", {{W, 9, 9}}, Verdict::NotYourTurn, {}, {}},
    {"nor black twice", {{B, 9, 9}, {B, 9, 10}}, Verdict::NotYourTurn, {}, {}},
    {"the corners are on the board", {{B, 0, 0}, {W, 17, 17}, {B, 0, 17}, {W, 17, 0}},
     Verdict::Placed, {}, {}},
    {"row -1 is off the board", {{B, -1, 0}}, Verdict::OffBoard, {}, {}},
    {"row 18 is off the board", {{B, 18, 0}}, Verdict::OffBoard, {}, {}},
    {"column 18 is off the board", {{B, 0, 18}}, Verdict::OffBoard, {}, {}},
    {"column -1 is off the board", {{B, 5, -1}}, Verdict::OffBoard, {}, {}},
    {"an occupied point is refused", {{B, 9, 9}, {W, 9, 9}}, Verdict::Occupied, {}, {}},
    {"four in a row is not over", rows(4), Verdict::Placed, {}, {}},
    {"five along a row", rows(5), Verdict::Placed, B, five(3, 0, 0, 1)},
    {"five along a column", race(0, 2, 0, 3, 5, 1, 0), Verdict::Placed, B, five(0, 2, 1, 0)},
    {"five along a diagonal", race(5, 5, 5, 6, 5, 1, 1), Verdict::Placed, B, five(5, 5, 1, 1)},
    {"five along the other diagonal", race(0, 17, 0, 15, 5, 1, -1), Verdict::Placed, B,
     five(0, 17, 1, -1)},
    {"five ending on the board's last column", race(17, 13, 16, 13, 5, 0, 1), Verdict::Placed, B,
     five(17, 13, 0, 1)},
    {"white's five wins for white", then(rows(4), {{W, 4, 3}, {B, 10, 10}, {W, 4, 4}}),
     Verdict::Placed, W, five(4, 0, 0, 1)},
    {"the stone that fills the middle makes the five",
     {{B, 3, 0}, {W, 9, 0}, {B, 3, 1}, {W, 9, 1}, {B, 3, 3}, {W, 9, 3}, {B, 3, 4}, {W, 10, 3},
      {B, 3, 2}}, Verdict::Placed, B, five(3, 0, 0, 1)},
    {"the stone at the five's near end makes it",
     {{B, 3, 1}, {W, 9, 0}, {B, 3, 2}, {W, 9, 1}, {B, 3, 3}, {W, 9, 2}, {B, 3, 4}, {W, 10, 3},
      {B, 3, 0}}, Verdict::Placed, B, five(3, 0, 0, 1)},
    {"six in a row wins",
     {{B, 3, 0}, {W, 9, 0}, {B, 3, 1}, {W, 9, 1}, {B, 3, 2}, {W, 9, 2}, {B, 3, 4}, {W, 10, 3},
      {B, 3, 5}, {W, 11, 3}, {B, 3, 3}}, Verdict::Placed, B, five(3, 0, 0, 1)},
    {"a line does not run on from one row's end into the next",
     {{B, 0, 15}, {W, 9, 0}, {B, 0, 16}, {W, 9, 1}, {B, 0, 17}, {W, 9, 2}, {B, 1, 0}, {W, 10, 3},
      {B, 1, 1}}, Verdict::Placed, {}, {}},
    {"nothing is placed after a five", then(rows(5), {{W, 9, 9}}), Verdict::GameOver, B,
     five(3, 0, 0, 1)},
    {"nor by the winner", then(rows(5), {{B, 9, 9}}), Verdict::GameOver, B, five(3, 0, 0, 1)},
    {"a refused move leaves the turn where it was", {{B, 9, 9}, {W, 9, 9}, {W, 9, 10}},
     Verdict::Placed, {}, {}},
};
// clang-format on

TEST(Referee, JudgesTheLastMoveOfEachGame)
{
    for (const Case &c : CASES)
    {
        SCOPED_TRACE(c.name);
        Referee referee;
        Verdict last = Verdict::Placed;
        std::size_t placed = 0; // a refused move before the last is part of the case
        for (const Move &m : c.moves)
        {
            const Verdict judged = referee.judge(m.side, m.row, m.col);
            last = referee.play(m.side, m.row, m.col);
            EXPECT_EQ(judged, last) << "judge and play disagree at " << m.row << "," << m.col;
            placed += last == Verdict::Placed;
        }
        EXPECT_EQ(last, c.verdict);
        EXPECT_EQ(referee.over(), c.winner.has_value());
        EXPECT_EQ(referee.winner(), c.winner);
        EXPECT_EQ(referee.moves().size(), placed);
        const auto five = referee.five();
        EXPECT_EQ(five ? std::vector<Point>(five->begin(), five->end()) : std::vector<Point>{},
                  c.five);
    }
}

// A board filled without five in a row ends the game drawn. The colouring by
// ((2 * row + col) / 2) % 2 has no five in any direction and as many points of each colour.
TEST(Referee, aFullBoardWithoutFiveIsDrawn)
{
    std::vector<Point> black, white;
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            (((2 * row + col) / 2) % 2 == 0 ? black : white)
                .push_back(Point{std::uint8_t(row), std::uint8_t(col)});
        }
    }
    ASSERT_EQ(black.size(), white.size());
    Referee referee;
    for (std::size_t i = 0; i < black.size(); ++i)
    {
        ASSERT_FALSE(referee.over()) << "over after " << 2 * i << " moves";
        ASSERT_EQ(referee.play(B, black[i].row, black[i].col), Verdict::Placed);
        ASSERT_FALSE(referee.over()) << "over after " << 2 * i + 1 << " moves";
        ASSERT_EQ(referee.play(W, white[i].row, white[i].col), Verdict::Placed);
    }
    EXPECT_TRUE(referee.over());
    EXPECT_FALSE(referee.winner().has_value());
    EXPECT_FALSE(referee.five().has_value());
    EXPECT_EQ(referee.play(B, 0, 0), Verdict::GameOver);
}

} // namespace
