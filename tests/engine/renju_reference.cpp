// The tests' own reading of renju's forbidden points: see renju_reference.h. Along each line the
// eleven points from five before the point to five after it are copied out, and the shapes are
// found by trying every window of them.
#include "tests/engine/renju_reference.h"

#include <algorithm>
#include <set>

namespace renjutest
{

thread_local Nesting nesting;

namespace
{

const int LINES[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};

// The points of the line through (x, y) at offsets -5 .. 5: line[k + 5].
struct Line
{
    int cell[11];
    int at(int k) const { return k < -5 || k > 5 ? -1 : cell[k + 5]; }
};

Line lineThrough(const Board &b, int x, int y, int dir)
{
    Line line{};
    for (int k = -5; k <= 5; ++k)
        line.cell[k + 5] = b.get(x + k * LINES[dir][0], y + k * LINES[dir][1]);
    return line;
}

// Stones of `colour` in a row through offset 0 (counted as one of them).
int rowLength(const Line &line, int colour = B)
{
    int right = 1, left = -1;
    while (line.at(right) == colour)
        ++right;
    while (line.at(left) == colour)
        --left;
    return right - left - 1;
}

// Whether a black stone on the empty offset `k` makes the five points a .. a + 4 all black with
// the points just outside them not: exactly five.
bool exactFiveWith(Line line, int k, int a)
{
    line.cell[k + 5] = B;
    bool all = line.at(a - 1) != B && line.at(a + 5) != B;
    for (int i = a; i <= a + 4; ++i)
        all = all && line.at(i) == B;
    return all;
}

// The fours through offset 0 (black there): the windows of five holding four black stones and an
// empty point that gives exactly five; windows with the same four stones are the same four.
int foursIn(const Line &line)
{
    std::set<std::vector<int>> fours;
    for (int a = -4; a <= 0; ++a)
    {
        std::vector<int> stones, empty;
        for (int k = a; k <= a + 4; ++k)
            if (line.at(k) == B)
                stones.push_back(k);
            else if (line.at(k) == NONE)
                empty.push_back(k);
        if (stones.size() == 4 && empty.size() == 1 && exactFiveWith(line, empty[0], a))
            fours.insert(stones);
    }
    return static_cast<int>(fours.size());
}

// Whether the line has a straight four through offset 0: four black stones a .. a + 3 with an
// empty point at each end, each of which gives exactly five.
bool straightFourIn(const Line &line)
{
    for (int a = -3; a <= 0; ++a)
    {
        bool four = line.at(a - 1) == NONE && line.at(a + 4) == NONE;
        for (int k = a; k <= a + 3 && four; ++k)
            four = line.at(k) == B;
        if (four && exactFiveWith(line, a - 1, a - 1) && exactFiveWith(line, a + 4, a))
            return true;
    }
    return false;
}

Verdict verdictAt(Board &b, int x, int y, int depth);

// Whether black's stone on (x, y) makes a three along the line: some empty point of it, within
// four of the stone, gives a straight four through the stone without a five, and may be played.
bool threeAlong(Board &b, int x, int y, int dir, int depth)
{
    for (int k = -4; k <= 4; ++k)
    {
        const int qx = x + k * LINES[dir][0];
        const int qy = y + k * LINES[dir][1];
        if (k == 0 || b.get(qx, qy) != NONE)
            continue;
        b.put(qx, qy, B);
        const bool shape =
            straightFourIn(lineThrough(b, x, y, dir)) && !makesRow(b, qx, qy, B, false);
        b.put(qx, qy, NONE);
        if (shape && verdictAt(b, qx, qy, depth + 1) == ALLOWED)
            return true;
    }
    return false;
}

Verdict verdictAt(Board &b, int x, int y, int depth)
{
    if (depth > 0)
    {
        ++nesting.questions;
        nesting.deepest = std::max(nesting.deepest, depth);
    }
    b.put(x, y, B);
    int longest = 0, fours = 0, threes = 0;
    bool five = false;
    for (int dir = 0; dir < 4; ++dir)
    {
        const int row = rowLength(lineThrough(b, x, y, dir));
        five = five || row == 5;
        longest = std::max(longest, row);
        fours += foursIn(lineThrough(b, x, y, dir));
    }
    for (int dir = 0; dir < 4 && !five && longest <= 5 && fours <= 1; ++dir)
        threes += foursIn(lineThrough(b, x, y, dir)) == 0 && threeAlong(b, x, y, dir, depth);
    b.put(x, y, NONE);
    return five          ? ALLOWED
           : longest > 5 ? OVERLINE
           : fours > 1   ? DOUBLE_FOUR
           : threes > 1  ? DOUBLE_THREE
                         : ALLOWED;
}

} // namespace

bool makesRow(const Board &b, int x, int y, int colour, bool longer)
{
    bool row = false;
    for (int dir = 0; dir < 4; ++dir)
    {
        const int length = rowLength(lineThrough(b, x, y, dir), colour);
        row = row || length == 5 || (longer && length > 5);
    }
    return row;
}

Verdict verdict(Board &board, int x, int y)
{
    return board.get(x, y) != NONE ? ALLOWED : verdictAt(board, x, y, 0);
}

} // namespace renjutest
