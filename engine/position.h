// The position the engine thinks about: the stones of a square board of 5 x 5 to 32 x 32, the
// side to move, and for every empty point the shapes each side would make by playing there,
// kept up to date stone by stone so that threats are found without scanning the board.
#pragma once

#include "engine/patterns.h"
#include "core/rules.h"

#include <array>
#include <bit>
#include <cstdint>

namespace engine
{

inline constexpr int MIN_SIZE = 5;
inline constexpr int MAX_SIZE = 32;
// The board is stored with a border of walls wide enough that five steps from any point stay
// inside the array, and with one row length for every size, so that a direction is one offset:
// the layout of the rules' Grid.
inline constexpr int PAD = Grid::PAD;
inline constexpr int STRIDE = Grid::STRIDE;
inline constexpr int CELL_COUNT = Grid::CELLS;
static_assert(MAX_SIZE == Grid::MAX_SIZE);
inline constexpr int MAX_MOVES = MAX_SIZE * MAX_SIZE;

// A point, as its index into the padded board. 0 lies in the border: never a point to play.
using Move = std::uint16_t;
inline constexpr Move NO_MOVE = 0;

// The four lines through a point: along a row, along a column and the two diagonals.
inline constexpr int DIRECTIONS[4] = {1, STRIDE, STRIDE + 1, STRIDE - 1};

// What one side would have by playing a point, all four lines taken together.
enum Threat : std::uint8_t
{
    T_NONE,
    T_THREE,      // an open three in some line
    T_FOUR,       // a four (one way to five)
    T_FOUR_THREE, // a four and an open three in another line: wins unless met by fours
    T_FLEX4,      // an open four, or two fours: two ways to five at once
    T_FIVE,       // five or more in a row: the game is won
};

// What one side would have by playing a point, in finer classes than Threat, for the
// evaluation: two open threes apart from one, an open four apart from two fours.
enum Shape : std::uint8_t
{
    S_NONE,
    S_THREE,        // an open three
    S_DOUBLE_THREE, // two or more
    S_FOUR,         // one four
    S_FOUR_THREE,   // a four and an open three
    S_OPEN_FOUR,    // an open four along one line
    S_DOUBLE_FOUR,  // two fours
    S_FIVE,
};
inline constexpr int SHAPE_COUNT = 8;

// A set of points, one bit each.
struct PointSet
{
    static constexpr int WORDS = (CELL_COUNT + 63) / 64;
    std::array<std::uint64_t, WORDS> words{};

    bool has(Move m) const { return (words[m >> 6] >> (m & 63)) & 1; }
    void add(Move m) { words[m >> 6] |= std::uint64_t{1} << (m & 63); }
    void remove(Move m) { words[m >> 6] &= ~(std::uint64_t{1} << (m & 63)); }
    bool empty() const;
    int count() const;
    bool several() const; // more than one point
    Move first() const;   // NO_MOVE when empty
    PointSet &operator|=(const PointSet &other)
    {
        for (int w = 0; w < WORDS; ++w)
        {
            words[w] |= other.words[w];
        }
        return *this;
    }

    // Calls f(move) for each point, in index order.
    template <class F> void forEach(F &&f) const
    {
        for (int w = 0; w < WORDS; ++w)
        {
            for (std::uint64_t bits = words[w]; bits != 0; bits &= bits - 1)
            {
                f(static_cast<Move>(w * 64 + std::countr_zero(bits)));
            }
        }
    }
};

class Position
{
public:
    explicit Position(int size = 15, Rule rule = Rule::Freestyle);

    // An empty board of size x size points, black to move, played under `rule`.
    void reset(int size, Rule rule = Rule::Freestyle);

    int size() const { return boardSize; }
    Rule rule() const { return gameRule; }
    // The point at column x and row y (both from 0), or NO_MOVE off the board.
    Move at(int x, int y) const;
    static int xOf(Move m) { return m % STRIDE - PAD; }
    static int yOf(Move m) { return m / STRIDE - PAD; }
    bool onBoard(Move m) const { return m < CELL_COUNT && cells[m] != WALL; }
    bool isEmpty(Move m) const { return m < CELL_COUNT && cells[m] == EMPTY; }
    Stone stone(Move m) const { return static_cast<Stone>(cells[m]); }

    int toMove() const { return sideToMove; } // 0 black, 1 white
    void setToMove(int colour);

    // The side to move's stone on the empty point m; the turn passes.
    void play(Move m);
    // Takes back the last stone played; the turn goes back to the side that played it.
    void undo();
    // A stone of `colour` on the empty point m, the turn unchanged (setting up a position).
    void place(Move m, int colour);

    int moveCount() const { return playedCount; }
    Move move(int i) const { return played[i]; } // the i-th stone played, from 0
    Move lastMove() const { return playedCount > 0 ? played[playedCount - 1] : NO_MOVE; }
    bool full() const { return playedCount == boardSize * boardSize; }
    std::uint64_t key() const { return hashKey; }

    // True when the stone on m is part of a winning row of its colour under the rule.
    bool fiveThrough(Move m) const;
    // True when `colour` may not play the empty point m: under renju, black's double threes,
    // double fours and overlines.
    bool forbidden(Move m, int colour) const;

    // What `colour` would make by playing the empty point m: along one line, or in all four.
    Pattern pattern(Move m, int direction, int colour) const
    {
        return static_cast<Pattern>(points[colour][m].pattern[direction]);
    }
    Threat threat(Move m, int colour) const
    {
        return static_cast<Threat>(points[colour][m].threat);
    }
    Shape shape(Move m, int colour) const { return static_cast<Shape>(points[colour][m].shape); }
    // A worth of the point to `colour`, for ordering moves and for the evaluation.
    int value(Move m, int colour) const { return points[colour][m].value; }

    // The empty points where `colour` would make five, a double or open four, any four, or an
    // open three (in some line); under renju, none that black may not play. (A five is never
    // forbidden.)
    const PointSet &fivePoints(int colour) const { return sets[colour][SET_FIVE]; }
    const PointSet &flexFourPoints(int colour) const { return allowed(colour, SET_FLEX4); }
    const PointSet &fourPoints(int colour) const { return allowed(colour, SET_FOUR); }
    const PointSet &threePoints(int colour) const { return allowed(colour, SET_THREE); }
    // How many of `colour`'s fives the other side has to stop: 0, 1, or 2 for more than one,
    // which it cannot. Under renju a five black may not stop, on a point forbidden to it, counts
    // as two: forcing black onto a forbidden point wins.
    int fiveThreats(int colour) const;
    // The empty points within two steps of some stone.
    const PointSet &nearPoints() const { return near; }

    // The sum of value() over every empty point, for `colour`.
    int valueSum(int colour) const { return totalValue[colour]; }
    // Over every empty point: how many of its four lines hold pattern `p` for `colour`; how
    // many points give `colour` shape `s`.
    int patternCount(int colour, int p) const { return patternCounts[colour][p]; }
    int shapeCount(int colour, int s) const { return shapeCounts[colour][s]; }

private:
    enum
    {
        SET_FIVE,
        SET_FLEX4,
        SET_FOUR,
        SET_THREE,
        SET_COUNT
    };

    // What a point is to one colour: its pattern along each line, and all four taken together.
    struct Point
    {
        std::uint8_t pattern[4];
        std::uint8_t threat; // a Threat
        std::uint8_t sets;   // bit s: the point belongs to set s (SET_FIVE ...)
        std::uint8_t shape;  // a Shape
        std::int32_t value;
    };

    const PointSet &allowed(int colour, int set) const
    {
        return colour == 0 && gameRule == Rule::Renju ? blackAllowed(set) : sets[colour][set];
    }
    const PointSet &blackAllowed(int set) const;
    bool mayBeForbidden(Move m) const;

    void putStone(Move m, int colour);
    void takeStone(Move m);
    void refreshLine(Move m, int direction);
    void count(Move m, int sign);
    void markNear(Move m, int step);

    int boardSize = 0;
    Rule gameRule = Rule::Freestyle;
    int sideToMove = 0;
    int playedCount = 0;
    std::uint64_t hashKey = 0;
    std::array<std::uint8_t, CELL_COUNT> cells;                      // Stone of each point
    std::array<std::array<std::uint32_t, 4>, CELL_COUNT> neighbours; // per line: see LINE_SHIFT
    std::array<std::array<Point, CELL_COUNT>, 2> points; // kept while the point is empty
    std::array<std::uint8_t, CELL_COUNT> stonesNear;     // stones within two steps
    std::array<std::array<PointSet, SET_COUNT>, 2> sets;
    PointSet near;
    std::array<std::int32_t, 2> totalValue{};
    std::array<std::array<std::int32_t, PATTERN_COUNT>, 2> patternCounts{};
    std::array<std::array<std::int32_t, SHAPE_COUNT>, 2> shapeCounts{};
    std::array<Move, MAX_MOVES> played; // the stones in the order they went down
    PatternTable tables[2];
    bool farMatters = false; // stones five steps away change patterns: exactly five counts

    // Black's sets less its forbidden points, worked out when asked for after a change.
    mutable std::array<PointSet, SET_COUNT> blackSets;
    mutable std::uint8_t blackSetsFresh = 0; // bit s: blackSets[s] is up to date
};

} // namespace engine
