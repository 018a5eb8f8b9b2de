// The rules: rows that win, and renju's forbidden points for black, after the Renju International
// Federation's definitions. A five is an unbroken row of exactly five, an overline one of six or
// more. A four is a row to which one more stone gives five; a straight four is an unbroken row of
// four to which two different stones give five. A three is a row to which one more stone gives a
// straight four, without making five. A double four (or three) is a stone that makes two fours (or
// threes) at once; black may not make either, nor an overline, unless the same stone makes five.
//
// Every four and three of the stone runs through it, so along each line only the first points
// beyond its own unbroken row can take it further: a stone anywhere else leaves that row as it is.
#include "core/rules.h"

#include <algorithm>

namespace engine
{
namespace
{

using Cells = std::array<std::uint8_t, Grid::CELLS>;

// One step along each of the four lines: a row, a column and the two diagonals.
constexpr int STEPS[4] = {1, Grid::STRIDE, Grid::STRIDE + 1, Grid::STRIDE - 1};

// Stones of `stone` one after another from the point p on, p itself not counted. The walls
// around the board end every such walk.
int stonesFrom(const Cells &cells, int p, int step, std::uint8_t stone)
{
    int n = 0;
    for (int q = p + step; cells[q] == stone; q += step)
    {
        ++n;
    }
    return n;
}

// The unbroken row of `stone` through p along one line, p counted as one of them.
int rowThrough(const Cells &cells, int p, int step, std::uint8_t stone)
{
    return 1 + stonesFrom(cells, p, step, stone) + stonesFrom(cells, p, -step, stone);
}

// The first points beyond black's unbroken row through p, one each way along the line.
struct Ends
{
    int forward;
    int back;
};

Ends endsOfRow(const Cells &cells, int p, int step)
{
    return Ends{p + (stonesFrom(cells, p, step, BLACK) + 1) * step,
                p - (stonesFrom(cells, p, -step, BLACK) + 1) * step};
}

// Whether a black stone on the empty point q makes black's row through p (a black stone) exactly
// five along the line.
bool completesFive(Cells &cells, int p, int q, int step)
{
    if (cells[q] != EMPTY)
    {
        return false;
    }
    cells[q] = BLACK;
    const bool five = rowThrough(cells, p, step, BLACK) == 5;
    cells[q] = EMPTY;
    return five;
}

// Whether black, with a stone on p, has exactly five through p along some line.
bool exactFiveThrough(const Cells &cells, int p)
{
    return std::any_of(std::begin(STEPS), std::end(STEPS),
                       [&](int step) { return rowThrough(cells, p, step, BLACK) == 5; });
}

// The fours black's stone on p makes along one line: 0, 1 or 2. The points that give five lie
// at the two ends of its row. Both ends of an unbroken four make one straight four; two ends of
// a shorter row (X.XXX.X) make two fours in one line.
int foursAlong(Cells &cells, int p, int step)
{
    const Ends ends = endsOfRow(cells, p, step);
    const int fives =
        completesFive(cells, p, ends.forward, step) + completesFive(cells, p, ends.back, step);
    if (fives == 2 && rowThrough(cells, p, step, BLACK) == 4)
    {
        return 1;
    }
    return fives;
}

// Whether a black stone on the empty point q turns black's row through p along the line into a
// straight four without making five anywhere: the shape of a three, before asking whether q
// itself may be played.
bool makesStraightFour(Cells &cells, int p, int q, int step)
{
    if (cells[q] != EMPTY)
    {
        return false;
    }
    cells[q] = BLACK;
    bool straight = false;
    if (rowThrough(cells, p, step, BLACK) == 4 && !exactFiveThrough(cells, q))
    {
        const Ends ends = endsOfRow(cells, p, step);
        straight =
            completesFive(cells, p, ends.forward, step) && completesFive(cells, p, ends.back, step);
    }
    cells[q] = EMPTY;
    return straight;
}

Foul judge(Cells &cells, int p);

// Whether black's stone on p makes a three along the line: a point that gives it a straight four
// and that black may play.
bool threeAlong(Cells &cells, int p, int step)
{
    const Ends ends = endsOfRow(cells, p, step);
    for (int q : {ends.forward, ends.back})
    {
        if (makesStraightFour(cells, p, q, step) && judge(cells, q) == Foul::None)
        {
            return true;
        }
    }
    return false;
}

// Whether the line has the shape of a three through p, whether or not its point may be played.
bool threeShapeAlong(Cells &cells, int p, int step)
{
    const Ends ends = endsOfRow(cells, p, step);
    return makesStraightFour(cells, p, ends.forward, step) ||
           makesStraightFour(cells, p, ends.back, step);
}

// The foul of a black stone on the empty point p, with the stone on p.
Foul judgePlaced(Cells &cells, int p)
{
    bool overline = false;
    for (int step : STEPS)
    {
        const int row = rowThrough(cells, p, step, BLACK);
        if (row == 5)
        {
            return Foul::None; // a five wins, whatever else the stone makes
        }
        overline = overline || row >= 6;
    }
    if (overline)
    {
        return Foul::Overline;
    }
    int fours = 0;
    bool shape[4] = {};
    int shapes = 0;
    for (int d = 0; d < 4; ++d)
    {
        const int n = foursAlong(cells, p, STEPS[d]);
        fours += n;
        // A line that holds a four holds no three of the same stone.
        shape[d] = n == 0 && threeShapeAlong(cells, p, STEPS[d]);
        shapes += shape[d];
    }
    if (fours >= 2)
    {
        return Foul::DoubleFour;
    }
    if (shapes < 2)
    {
        return Foul::None;
    }
    // Only now are the threes' points looked up in turn, which may go deep.
    int threes = 0;
    for (int d = 0; d < 4 && threes < 2; ++d)
    {
        threes += shape[d] && threeAlong(cells, p, STEPS[d]);
    }
    return threes >= 2 ? Foul::DoubleThree : Foul::None;
}

// The foul of a black stone on the empty point p; the cells are as they were afterwards.
Foul judge(Cells &cells, int p)
{
    cells[p] = BLACK;
    const Foul result = judgePlaced(cells, p);
    cells[p] = EMPTY;
    return result;
}

} // namespace

Grid::Grid(int size) : boardSize(std::clamp(size, 5, MAX_SIZE))
{
    cells.fill(WALL);
    for (int y = 0; y < boardSize; ++y)
    {
        for (int x = 0; x < boardSize; ++x)
        {
            cells[index(x, y)] = EMPTY;
        }
    }
}

void Grid::set(int x, int y, Stone stone)
{
    if (onBoard(x, y) && stone != WALL)
    {
        cells[index(x, y)] = stone;
    }
}

bool rowWins(Rule rule, Stone colour, int length)
{
    const bool exact = rule == Rule::Standard || (rule == Rule::Renju && colour == BLACK);
    return exact ? length == 5 : length >= 5;
}

int longestRow(const Grid &grid, int x, int y, Stone colour)
{
    if (!grid.onBoard(x, y))
    {
        return 0;
    }
    int longest = 0;
    for (int step : STEPS)
    {
        longest = std::max(longest, rowThrough(grid.cells, Grid::index(x, y), step, colour));
    }
    return longest;
}

bool makesFive(const Grid &grid, int x, int y, Stone colour, Rule rule)
{
    if (!grid.onBoard(x, y) || (colour != BLACK && colour != WHITE))
    {
        return false;
    }
    return std::any_of(
        std::begin(STEPS), std::end(STEPS),
        [&](int step)
        { return rowWins(rule, colour, rowThrough(grid.cells, Grid::index(x, y), step, colour)); });
}

Foul foul(const Grid &grid, int x, int y)
{
    if (grid.at(x, y) != EMPTY)
    {
        return Foul::None;
    }
    Cells work = grid.cells;
    return judge(work, Grid::index(x, y));
}

bool forbidden(const Grid &grid, int x, int y, Stone colour, Rule rule)
{
    return rule == Rule::Renju && colour == BLACK && foul(grid, x, y) != Foul::None;
}

} // namespace engine
