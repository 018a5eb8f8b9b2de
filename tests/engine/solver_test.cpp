// The tests' own solver, held to a table of known shapes and to brute-force references.
#include "tests/engine/engine_test_support.h"
#include "tests/engine/renju_reference.h"
#include "tests/engine/solver/solver.h"

#include <algorithm>
#include <random>
#include <string_view>

#include <gtest/gtest.h>

namespace
{

using solver::BLACK;
using solver::Board;
using solver::Solver;
using solver::Threats;
using solver::Verdict;
using solver::WHITE;

using Rows = std::vector<std::string_view>;

// A board drawn as text ('X' black, 'O' white), and the points marked '*' on it in its order.
Board drawn(const Rows &rows)
{
    Board b(15);
    for (int p = 0; p < b.points(); ++p)
        if (const char c = enginetest::shown(rows, b.xOf(p), b.yOf(p)); c == 'X' || c == 'O')
            b.put(p, c == 'X' ? BLACK : WHITE);
    return b;
}

std::vector<int> marked(const Board &b, const Rows &rows)
{
    return b.where([&](int p) { return enginetest::shown(rows, b.xOf(p), b.yOf(p)) == '*'; });
}

struct Shape
{
    const char *name;
    Rows rows; // '*': the points that win (or hold, for a stop)
    Threats threats;
    bool stop; // black, to move, must stop white's win; else black wins
    int moves; // the shortest win's length, 0: none
};

const std::vector<Shape> SHAPES = {
    {"an open three: an open four at either end", Rows{"", "", "..*XXX*..", "", "..O.O"},
     Threats::Fours, false, 2},
    {"a split three: the gap", Rows{"", "", "..X*XX...", "", "..O.O"}, Threats::ThreesAndFours,
     false, 2},
    {"a win by 3 fours, and no other", enginetest::WIN_BY_3_FOURS, Threats::Fours, false, 4},
    {"a win by 5 fours", enginetest::WIN_BY_5_FOURS, Threats::Fours, false, 6},
    {"a win by 7 fours", enginetest::WIN_BY_7_FOURS, Threats::Fours, false, 8},
    {"a double three", Rows{"", "", "....X....", ".....X...", "...XX.*..", "", "", "O.....O.....O"},
     Threats::ThreesAndFours, false, 3},
    {"a double three is no win by fours",
     Rows{"", "", "....X....", ".....X...", "...XX....", "", "", "O.....O.....O"}, Threats::Fours,
     false, 0},
    {"a double three against a spare four: one more stone, to stop it",
     Rows{"", "", "....X....", ".....X...", "...XX.*..", "", "", "", "", "", "", "", "XOOO"},
     Threats::ThreesAndFours, false, 4},
    {"stopping an open three: at its ends", Rows{"", "", "", "....*OOO*....", "", "", "X.....X"},
     Threats::ThreesAndFours, true, 2},
};

TEST(Solver, ProvesTheWinsOfATableOfShapes)
{
    for (const Shape &s : SHAPES)
    {
        Board b = drawn(s.rows);
        const int attacker = s.stop ? WHITE : BLACK;
        Solver solver(b, s.threats);
        Verdict v = solver.shortestWin(attacker, 20);
        EXPECT_EQ(v.kind, s.moves > 0 ? Verdict::Win : Verdict::NoWin) << s.name;
        EXPECT_EQ(v.moves, s.moves) << s.name;
        bool known = false;
        std::vector<int> answers = s.stop
                                       ? solver.holdingMoves(BLACK, s.moves + 2, &known)
                                       : solver.winningMoves(BLACK, std::max(s.moves, 1), &known);
        EXPECT_TRUE(known) << s.name;
        EXPECT_EQ(answers, marked(b, s.rows)) << s.name;
    }
}

// A random board of `size` with about `density` percent of its points taken and no five on it.
Board randomBoard(std::mt19937 &random, int size, unsigned density)
{
    while (true)
    {
        Board b(size);
        for (int p = 0; p < b.points(); ++p)
            if (random() % 100 < density)
                b.put(p, random() % 2 == 0 ? BLACK : WHITE);
        if (!b.hasFive())
            return b;
    }
}

// Wins by continuous fours found by trying every point, on the board copied to plain cells (the
// same values: 0 empty, 1 black, 2 white): a reference that shares nothing with the solver, not
// even its board's five test.
struct PlainBoard : renjutest::Board
{
    explicit PlainBoard(const solver::Board &b) : renjutest::Board(b.size())
    {
        for (int p = 0; p < b.points(); ++p)
            cells[p] = b.get(p);
    }

    std::vector<int> fivePoints(int who) const
    {
        std::vector<int> points;
        for (int p = 0; p < n * n; ++p)
            if (cells[p] == 0 && renjutest::makesRow(*this, p % n, p / n, who, true))
                points.push_back(p);
        return points;
    }

    // Whether `who`, to move, wins by continuous fours within `fours` fours.
    bool winsByFours(int who, int fours)
    {
        const std::vector<int> threats = fivePoints(solver::other(who));
        if (!fivePoints(who).empty())
            return true;
        for (int p = 0; p < n * n && threats.size() < 2 && fours > 0; ++p)
        {
            if (cells[p] != 0 || (threats.size() == 1 && p != threats[0]))
                continue;
            cells[p] = who;
            const std::vector<int> fives = fivePoints(who);
            bool wins = fives.size() >= 2;
            if (fives.size() == 1)
            {
                cells[fives[0]] = solver::other(who);
                wins = winsByFours(who, fours - 1);
                cells[fives[0]] = 0;
            }
            cells[p] = 0;
            if (wins)
                return true;
        }
        return false;
    }
};

// The plain reference counts fours, the last of them the one that leaves two fives; the solver
// counts stones, the five too: k fours are k + 1 stones.
TEST(Solver, FindsWinsByFoursAsThePlainReferenceDoes)
{
    std::mt19937 random(5);
    int wins = 0;
    for (int trial = 0; trial < 300; ++trial)
    {
        Board b = randomBoard(random, 9 + trial % 7, 25 + trial % 20);
        PlainBoard plain(b);
        for (int who : {BLACK, WHITE})
        {
            for (int fours = 1; fours <= 4; ++fours)
            {
                Solver solver(b, Threats::Fours);
                const bool reference = plain.winsByFours(who, fours);
                ASSERT_EQ(solver.attack(who, fours + 1).win(), reference)
                    << "trial " << trial << ", side " << who << ", " << fours << " fours";
                wins += reference;
            }
        }
    }
    EXPECT_GT(wins, 100) << "the boards hold wins to compare";
}

// Whether `attacker` to move makes five within `moves` stones, trying every point for both sides.
bool wins(Board &b, int attacker, int moves)
{
    const int defender = solver::other(attacker);
    std::vector<int> empty;
    for (int p = 0; p < b.points(); ++p)
    {
        if (!b.empty(p))
            continue;
        if (b.makesFive(p, attacker))
            return true;
        empty.push_back(p);
    }
    if (moves <= 1)
        return false;
    for (int p : empty)
    {
        b.put(p, attacker);
        // With one stone left, it wins unless the defender makes five or one point stops all.
        bool always =
            moves > 2 || (b.fivePoints(defender).empty() && b.fivePoints(attacker).size() >= 2);
        for (std::size_t i = 0; moves > 2 && always && i < empty.size(); ++i)
        {
            if (empty[i] == p)
                continue;
            always = !b.makesFive(empty[i], defender);
            if (always)
            {
                b.put(empty[i], defender);
                always = wins(b, attacker, moves - 1);
                b.put(empty[i], solver::NONE);
            }
        }
        b.put(p, solver::NONE);
        if (always)
            return true;
    }
    return false;
}

TEST(Solver, EveryWinByThreesItProvesIsAWin)
{
    std::mt19937 random(9);
    int proved = 0;
    for (int trial = 0; trial < 400 && proved < 25; ++trial)
    {
        Board b = randomBoard(random, 8, 18 + trial % 10);
        for (int who : {BLACK, WHITE})
        {
            Solver solver(b, Threats::ThreesAndFours);
            Verdict v = solver.shortestWin(who, 3);
            if (v.win() && v.moves == 3 && solver.openFourPoints(who).empty())
            {
                ++proved;
                EXPECT_TRUE(wins(b, who, 3)) << "trial " << trial << ", side " << who;
                EXPECT_FALSE(wins(b, who, 2)) << "and not sooner";
            }
        }
    }
    EXPECT_GE(proved, 25) << "wins in three stones to check";
}

TEST(Board, KeepsItsCountsAndKeysAsStonesComeAndGo)
{
    std::mt19937 random(3);
    Board b(11);
    Board same(11);
    for (int i = 0; i < 60; ++i)
    {
        int p = static_cast<int>(random() % 121);
        int who = b.empty(p) ? 1 + static_cast<int>(random() % 2) : solver::NONE;
        b.put(p, who);
    }
    // The same stones, put down in another order.
    for (int p = 120; p >= 0; --p)
        same.put(p, b.get(p));
    EXPECT_EQ(b.key(), same.key());
    EXPECT_EQ(b.check(), same.check());
    EXPECT_EQ(b.stones(), same.stones());
    for (int p = 0; p < b.points(); ++p)
    {
        for (int who : {BLACK, WHITE})
        {
            int most = 0;
            for (const auto &s : solver::STEPS)
            {
                int here = 0;
                for (int k = -4; k <= 4; ++k)
                {
                    int x = b.xOf(p) + k * s[0], y = b.yOf(p) + k * s[1];
                    here += k != 0 && b.inside(x, y) && b.get(b.at(x, y)) == who;
                }
                most = std::max(most, here);
            }
            ASSERT_EQ(b.lineSupport(p, who), most) << p;
        }
    }
    same.put(0, same.get(0) == BLACK ? WHITE : BLACK);
    EXPECT_NE(b.key(), same.key()) << "a stone of the other colour is another position";
}

} // namespace
