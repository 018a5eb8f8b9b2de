// A second reading of renju's forbidden points, written for the tests and sharing nothing with the
// engine: a board of plain cells, every window of five and six points along the four lines
// through a point tried in turn, and its own recursion for the threes whose point to a straight
// four must itself be allowed. Slow and simple, to hold the engine's rules to.
#pragma once

#include <vector>

namespace renjutest
{

constexpr int NONE = 0, B = 1, W = 2; // the cells: empty, black, white

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

// Whether a stone of `colour` on (x, y) makes, along some line, a row of exactly five stones (or,
// when `longer` wins too, of five or more).
bool makesRow(const Board &board, int x, int y, int colour, bool longer);

// How often this thread's recursion asked about a point other than the first, and the deepest it
// went: so that a test can tell it saw nested cases. Zero it to count afresh.
struct Nesting
{
    long questions = 0;
    int deepest = 0;
};
extern thread_local Nesting nesting;

} // namespace renjutest
