// A second reading of renju's forbidden points, written for the tests and sharing nothing with the
// engine: a board of plain cells, every window of five and six points along the four lines
// through a point tried in turn, and its own recursion for the threes whose point to a straight
// four must itself be allowed. Slow and simple, to hold the engine's rules to.
#pragma once

#include <vector>

namespace renjutest
{

// 0 empty, 1 black, 2 white.
enum Cell
{
    NONE = 0,
    B = 1,
    W = 2,
};

// What a black stone on an empty point would be.
enum Verdict
{
    ALLOWED,
    DOUBLE_THREE,
    DOUBLE_FOUR,
    OVERLINE,
};

struct Board
{
    int n;
    std::vector<int> cells; // y * n + x

    explicit Board(int size) : n(size), cells(static_cast<std::size_t>(size * size), NONE) {}
    // -1 off the board.
    int get(int x, int y) const
    {
        return x < 0 || y < 0 || x >= n || y >= n ? -1 : cells[y * n + x];
    }
    void put(int x, int y, int c) { cells[y * n + x] = c; }
};

// The verdict on a black stone on the empty point (x, y).
Verdict verdict(Board &board, int x, int y);

// How many times the recursion has asked about a point other than the first, since the last call
// of resetNesting, and the deepest it went: so that a test can tell it saw nested cases.
long nestedQuestions();
int deepestNesting();
void resetNesting();

} // namespace renjutest
