// The rules of the game in one place: which rows win under each rule, and under renju the points
// black may not play. The game's model (game.h), the window's five test, the server, the engine
// and the brain all ask here. Nothing in it searches: it judges one board as it stands. Its names
// are in the engine's namespace, whose search reads the same board layout.
#pragma once

#include <array>
#include <cstdint>

namespace engine
{

// What a point of the board holds. Off the board lies a wall.
enum Stone : std::uint8_t
{
    EMPTY = 0,
    BLACK = 1,
    WHITE = 2,
    WALL = 3,
};

enum class Rule : std::uint8_t
{
    Freestyle, // five or more in a row wins
    Standard,  // exactly five wins; six or more wins nothing
    Renju,     // black: exactly five, and never a double three, a double four or an overline;
               // white: five or more, and no point is forbidden to it
};

// Why black may not play a point under renju (the Renju International Federation's terms).
enum class Foul : std::uint8_t
{
    None,
    DoubleThree, // two threes or more meet on the point
    DoubleFour,  // two fours or more meet on the point (in two lines, or two in one line)
    Overline,    // six or more in a row
};

// The stones of a square board of 5 x 5 to 32 x 32, as the rules read them: x the column and y
// the row, both from 0. Off the board lies a wall.
class Grid
{
public:
    static constexpr int MAX_SIZE = 32;
    // A border of walls around the points, so that a line is walked by one offset and always
    // ends at a wall; the same layout as the engine's position.
    static constexpr int PAD = 5;
    static constexpr int STRIDE = MAX_SIZE + 2 * PAD;
    static constexpr int CELLS = STRIDE * STRIDE;

    // An empty board; a size outside 5..32 is brought into it.
    explicit Grid(int size = 15);

    int size() const { return boardSize; }
    bool onBoard(int x, int y) const { return x >= 0 && y >= 0 && x < boardSize && y < boardSize; }
    // EMPTY, BLACK or WHITE; WALL off the board.
    Stone at(int x, int y) const
    {
        return onBoard(x, y) ? static_cast<Stone>(cells[index(x, y)]) : WALL;
    }
    // Puts `stone` (EMPTY, BLACK or WHITE) on a point; nothing off the board.
    void set(int x, int y, Stone stone);

    // The padded cells, for a program that keeps the same layout (PAD and STRIDE above).
    std::array<std::uint8_t, CELLS> cells;

    static int index(int x, int y) { return (y + PAD) * STRIDE + x + PAD; }

private:
    int boardSize;
};

// Whether an unbroken row of `length` stones of `colour` (BLACK or WHITE) wins under `rule`.
bool rowWins(Rule rule, Stone colour, int length);

// The longest unbroken row of `colour` through the point (x, y), counting the point itself as a
// stone of that colour whatever it holds: 0 off the board.
int longestRow(const Grid &grid, int x, int y, Stone colour);

// Whether a stone of `colour` on (x, y) is (or, on an empty point, would be) part of a winning
// row under `rule`: a five along some line (for exactly five, in one line a row of exactly five
// is enough, whatever the others hold).
bool makesFive(const Grid &grid, int x, int y, Stone colour, Rule rule);

// Under renju, why black may not play the empty point (x, y); Foul::None when it may. A point
// where black makes exactly five is never forbidden, whatever else the stone makes. A three is
// a three only if one more stone, on a point black may itself play and which makes no five,
// turns it into a straight four; so the judgement looks further points up in turn.
Foul foul(const Grid &grid, int x, int y);

// Whether `colour` may not play the empty point (x, y) under `rule`: only black, only in renju.
bool forbidden(const Grid &grid, int x, int y, Stone colour, Rule rule);

} // namespace engine
