// The position and its incremental bookkeeping: each stone changes the neighbourhoods of the 32
// points within four steps of it along its four lines, and only those points are looked at again.
#include "engine/position.h"

#include <algorithm>

namespace engine
{
namespace
{

// Worth of one line's pattern to the side that would play the point.
constexpr std::int32_t PATTERN_VALUE[PATTERN_COUNT] = {
    0,     // P_NONE
    1,     // P_BLOCK1
    3,     // P_FLEX1
    6,     // P_BLOCK2
    20,    // P_FLEX2
    24,    // P_BLOCK3
    100,   // P_FLEX3
    120,   // P_BLOCK4
    1000,  // P_FLEX4
    10000, // P_FIVE
};
// What two lines together add beyond their sum: two open threes, a four with an open three, and
// two fours, each of which wins unless the other side has fours of its own.
constexpr std::int32_t DOUBLE_THREE_BONUS = 400;
constexpr std::int32_t FOUR_THREE_BONUS = 800;
constexpr std::int32_t DOUBLE_FOUR_BONUS = 900;

// Fixed pseudo-random keys for each point and colour (splitmix64 from a constant seed), and one
// for white to move, so that a position's key is the same in every run and on every system.
constexpr std::uint64_t splitmix(std::uint64_t &state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

struct Keys
{
    std::uint64_t stone[2][CELL_COUNT];
    std::uint64_t whiteToMove;
};

constexpr Keys makeKeys()
{
    Keys keys{};
    std::uint64_t state = 0x676f6d6f6b753364ull;
    for (auto &colour : keys.stone)
    {
        for (std::uint64_t &key : colour)
        {
            key = splitmix(state);
        }
    }
    keys.whiteToMove = splitmix(state);
    return keys;
}

constexpr Keys ZOBRIST = makeKeys();

// What four line patterns make together: the threat, the sets the point belongs to, its worth.
struct Combination
{
    std::uint8_t threat;
    std::uint8_t sets;
    std::uint8_t shape;
    std::int32_t value;
};

constexpr int SET_BIT_FIVE = 1, SET_BIT_FLEX4 = 2, SET_BIT_FOUR = 4, SET_BIT_THREE = 8;

constexpr Combination combine(const std::uint8_t (&patterns)[4])
{
    int fives = 0, flexFours = 0, fours = 0, threes = 0;
    Combination c{T_NONE, 0, S_NONE, 0};
    for (std::uint8_t p : patterns)
    {
        c.value += PATTERN_VALUE[p];
        fives += p == P_FIVE;
        flexFours += p == P_FLEX4;
        fours += p == P_BLOCK4;
        threes += p == P_FLEX3;
    }
    if (fives > 0)
    {
        c.threat = T_FIVE;
        c.shape = S_FIVE;
    }
    else if (flexFours > 0 || fours >= 2)
    {
        c.threat = T_FLEX4;
        c.value += fours >= 2 ? DOUBLE_FOUR_BONUS : 0;
        c.shape = fours >= 2 ? S_DOUBLE_FOUR : S_OPEN_FOUR;
    }
    else if (fours > 0 && threes > 0)
    {
        c.threat = T_FOUR_THREE;
        c.value += FOUR_THREE_BONUS;
        c.shape = S_FOUR_THREE;
    }
    else if (fours > 0)
    {
        c.threat = T_FOUR;
        c.shape = S_FOUR;
    }
    else if (threes > 0)
    {
        c.threat = T_THREE;
        c.value += threes >= 2 ? DOUBLE_THREE_BONUS : 0;
        c.shape = threes >= 2 ? S_DOUBLE_THREE : S_THREE;
    }
    c.sets = static_cast<std::uint8_t>(
        (fives > 0 ? SET_BIT_FIVE : 0) | (c.threat == T_FLEX4 ? SET_BIT_FLEX4 : 0) |
        (flexFours + fours > 0 ? SET_BIT_FOUR : 0) | (threes > 0 ? SET_BIT_THREE : 0));
    return c;
}

// Every combination of four patterns, by pattern0 + 10 pattern1 + 100 pattern2 + 1000 pattern3.
using Combinations =
    std::array<Combination, PATTERN_COUNT * PATTERN_COUNT * PATTERN_COUNT * PATTERN_COUNT>;

constexpr Combinations makeCombinations()
{
    Combinations all{};
    for (int i = 0; i < static_cast<int>(all.size()); ++i)
    {
        const std::uint8_t patterns[4] = {
            static_cast<std::uint8_t>(i % 10), static_cast<std::uint8_t>(i / 10 % 10),
            static_cast<std::uint8_t>(i / 100 % 10), static_cast<std::uint8_t>(i / 1000)};
        all[i] = combine(patterns);
    }
    return all;
}

constexpr Combinations COMBINATIONS = makeCombinations();

const Combination &combination(const std::uint8_t (&patterns)[4])
{
    return COMBINATIONS[patterns[0] + 10 * patterns[1] + 100 * patterns[2] + 1000 * patterns[3]];
}

} // namespace

bool PointSet::empty() const
{
    return std::all_of(words.begin(), words.end(), [](std::uint64_t w) { return w == 0; });
}

int PointSet::count() const
{
    int n = 0;
    for (std::uint64_t w : words)
    {
        n += std::popcount(w);
    }
    return n;
}

bool PointSet::several() const
{
    bool seen = false;
    for (std::uint64_t w : words)
    {
        if (w != 0)
        {
            if (seen || (w & (w - 1)) != 0)
            {
                return true;
            }
            seen = true;
        }
    }
    return false;
}

Move PointSet::first() const
{
    for (int w = 0; w < WORDS; ++w)
    {
        if (words[w] != 0)
        {
            return static_cast<Move>(w * 64 + std::countr_zero(words[w]));
        }
    }
    return NO_MOVE;
}

Position::Position(int size, Rule rule)
{
    reset(size, rule);
}

void Position::reset(int size, Rule rule)
{
    boardSize = std::clamp(size, MIN_SIZE, MAX_SIZE);
    gameRule = rule;
    for (int colour = 0; colour < 2; ++colour)
    {
        // Whether an overline is no five for this colour.
        tables[colour] = linePatterns(colour, !rowWins(rule, colour == 0 ? BLACK : WHITE, 6));
    }
    farMatters = tables[0].exact || tables[1].exact;
    blackSetsFresh = 0;
    sideToMove = 0;
    playedCount = 0;
    hashKey = 0;
    cells.fill(WALL);
    for (int y = 0; y < boardSize; ++y)
    {
        for (int x = 0; x < boardSize; ++x)
        {
            cells[at(x, y)] = EMPTY;
        }
    }
    stonesNear.fill(0);
    near = PointSet{};
    totalValue = {0, 0};
    // Every empty point starts with nothing in any line; the refresh below counts what it has.
    for (int colour = 0; colour < 2; ++colour)
    {
        patternCounts[colour].fill(0);
        shapeCounts[colour].fill(0);
        patternCounts[colour][P_NONE] = 4 * boardSize * boardSize;
        shapeCounts[colour][S_NONE] = boardSize * boardSize;
    }
    for (auto &colour : sets)
    {
        colour.fill(PointSet{});
    }
    for (auto &colour : points)
    {
        colour.fill(Point{{P_NONE, P_NONE, P_NONE, P_NONE}, T_NONE, 0, S_NONE, 0});
    }
    for (int m = 0; m < CELL_COUNT; ++m)
    {
        for (int d = 0; d < 4; ++d)
        {
            std::uint32_t bits = 0;
            for (int k = -5; k <= 5; ++k)
            {
                int q = m + k * DIRECTIONS[d];
                if (k != 0)
                {
                    std::uint32_t stone = q >= 0 && q < CELL_COUNT ? cells[q] : std::uint8_t{WALL};
                    bits |= stone << LINE_SHIFT[k + 5];
                }
            }
            neighbours[m][d] = bits;
            if (cells[m] == EMPTY)
            {
                refreshLine(static_cast<Move>(m), d);
            }
        }
    }
}

Move Position::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= boardSize || y >= boardSize)
    {
        return NO_MOVE;
    }
    return static_cast<Move>((y + PAD) * STRIDE + x + PAD);
}

void Position::setToMove(int colour)
{
    if ((colour & 1) != sideToMove)
    {
        sideToMove = colour & 1;
        hashKey ^= ZOBRIST.whiteToMove;
    }
}

void Position::play(Move m)
{
    putStone(m, sideToMove);
    played[playedCount++] = m;
    setToMove(sideToMove ^ 1);
}

void Position::undo()
{
    if (playedCount == 0)
    {
        return;
    }
    Move m = played[--playedCount];
    setToMove(cells[m] == BLACK ? 0 : 1);
    takeStone(m);
}

void Position::place(Move m, int colour)
{
    putStone(m, colour & 1);
    played[playedCount++] = m;
}

bool Position::fiveThrough(Move m) const
{
    const auto stone = static_cast<Stone>(cells[m]);
    if (stone != BLACK && stone != WHITE)
    {
        return false;
    }
    for (int direction : DIRECTIONS)
    {
        int run = 1;
        for (int q = m + direction; cells[q] == stone; q += direction)
        {
            ++run;
        }
        for (int q = m - direction; cells[q] == stone; q -= direction)
        {
            ++run;
        }
        if (rowWins(gameRule, stone, run))
        {
            return true;
        }
    }
    return false;
}

// Whether black's stone on the empty point m could be forbidden, from its line patterns alone:
// a three or better in two lines, or a line with two points to five (an open four, or two fours
// in one line), or a row of six. Most points are neither, and need no closer look.
bool Position::mayBeForbidden(Move m) const
{
    const Point &p = points[0][m];
    int strong = 0;
    for (int d = 0; d < 4; ++d)
    {
        if (p.pattern[d] == P_FIVE)
        {
            return false; // a five wins, whatever else the stone makes
        }
        strong += p.pattern[d] >= P_FLEX3;
        if (p.pattern[d] == P_FLEX4)
        {
            return true;
        }
    }
    if (strong >= 2)
    {
        return true;
    }
    for (int direction : DIRECTIONS)
    {
        int run = 1;
        for (int q = m + direction; cells[q] == BLACK; q += direction)
        {
            ++run;
        }
        for (int q = m - direction; cells[q] == BLACK; q -= direction)
        {
            ++run;
        }
        if (run >= 6)
        {
            return true;
        }
    }
    return false;
}

bool Position::forbidden(Move m, int colour) const
{
    if (colour != 0 || gameRule != Rule::Renju || !isEmpty(m) || !mayBeForbidden(m))
    {
        return false;
    }
    Grid grid(boardSize);
    grid.cells = cells;
    return foul(grid, xOf(m), yOf(m)) != Foul::None;
}

int Position::fiveThreats(int colour) const
{
    const PointSet &fives = sets[colour][SET_FIVE];
    if (fives.empty())
    {
        return 0;
    }
    return fives.several() || forbidden(fives.first(), colour ^ 1) ? 2 : 1;
}

const PointSet &Position::blackAllowed(int set) const
{
    if (((blackSetsFresh >> set) & 1) == 0)
    {
        blackSets[set] = sets[0][set];
        sets[0][set].forEach(
            [&](Move m)
            {
                if (forbidden(m, 0))
                {
                    blackSets[set].remove(m);
                }
            });
        blackSetsFresh = static_cast<std::uint8_t>(blackSetsFresh | (1u << set));
    }
    return blackSets[set];
}

// Adds (sign +1) or takes away (-1) what the empty point m counts for in the sets and sums: a
// point leaves them when a stone goes on it and comes back as it was when the stone goes.
void Position::count(Move m, int sign)
{
    for (int colour = 0; colour < 2; ++colour)
    {
        const Point &p = points[colour][m];
        totalValue[colour] += sign * p.value;
        for (std::uint8_t line : p.pattern)
        {
            patternCounts[colour][line] += sign;
        }
        shapeCounts[colour][p.shape] += sign;
        for (int s = 0; s < SET_COUNT; ++s)
        {
            if ((p.sets >> s) & 1)
            {
                if (sign > 0)
                {
                    sets[colour][s].add(m);
                }
                else
                {
                    sets[colour][s].remove(m);
                }
            }
        }
    }
    if (sign < 0)
    {
        near.remove(m);
    }
    else if (stonesNear[m] > 0)
    {
        near.add(m);
    }
}

// Works out the empty point m's pattern along one line again, for both colours, and what its
// four lines now give together (from the table of combinations). The point is changed where it
// lies, field by field: a copy built byte by byte and stored whole stalls the processor.
void Position::refreshLine(Move m, int d)
{
    for (int colour = 0; colour < 2; ++colour)
    {
        const Pattern now = tables[colour][neighbours[m][d]];
        Point &p = points[colour][m];
        const std::uint8_t was = p.pattern[d];
        if (now == was)
        {
            continue;
        }
        p.pattern[d] = now;
        --patternCounts[colour][was];
        ++patternCounts[colour][now];
        const Combination &c = combination(p.pattern);
        totalValue[colour] += c.value - p.value;
        if (c.shape != p.shape)
        {
            --shapeCounts[colour][p.shape];
            ++shapeCounts[colour][c.shape];
        }
        if (std::uint8_t changed = p.sets ^ c.sets; changed != 0)
        {
            for (int s = 0; s < SET_COUNT; ++s)
            {
                if ((changed >> s) & 1)
                {
                    if ((c.sets >> s) & 1)
                    {
                        sets[colour][s].add(m);
                    }
                    else
                    {
                        sets[colour][s].remove(m);
                    }
                }
            }
        }
        p.threat = c.threat;
        p.sets = c.sets;
        p.shape = c.shape;
        p.value = c.value;
    }
}

void Position::markNear(Move m, int step)
{
    for (int dy = -2; dy <= 2; ++dy)
    {
        for (int dx = -2; dx <= 2; ++dx)
        {
            int q = m + dy * STRIDE + dx;
            stonesNear[q] = static_cast<std::uint8_t>(stonesNear[q] + step);
            if (cells[q] != EMPTY)
            {
                continue;
            }
            if (stonesNear[q] > 0)
            {
                near.add(static_cast<Move>(q));
            }
            else
            {
                near.remove(static_cast<Move>(q));
            }
        }
    }
}

void Position::putStone(Move m, int colour)
{
    count(m, -1);
    blackSetsFresh = 0;
    auto stone = static_cast<std::uint32_t>(colour + 1);
    cells[m] = static_cast<std::uint8_t>(stone);
    hashKey ^= ZOBRIST.stone[colour][m];
    for (int d = 0; d < 4; ++d)
    {
        int step = DIRECTIONS[d];
        for (int k = 1; k <= 5; ++k)
        {
            // m lies k steps forward of the point behind it, and k steps back of the one ahead.
            int behind = m - k * step;
            int ahead = m + k * step;
            neighbours[behind][d] |= stone << LINE_SHIFT[5 + k];
            neighbours[ahead][d] |= stone << LINE_SHIFT[5 - k];
            if (k == 5 && !farMatters)
            {
                continue; // five steps away changes nothing when six in a row wins too
            }
            if (cells[behind] == EMPTY)
            {
                refreshLine(static_cast<Move>(behind), d);
            }
            if (cells[ahead] == EMPTY)
            {
                refreshLine(static_cast<Move>(ahead), d);
            }
        }
    }
    markNear(m, +1);
}

void Position::takeStone(Move m)
{
    int colour = cells[m] - 1;
    cells[m] = EMPTY;
    blackSetsFresh = 0;
    hashKey ^= ZOBRIST.stone[colour][m];
    for (int d = 0; d < 4; ++d)
    {
        int step = DIRECTIONS[d];
        for (int k = 1; k <= 5; ++k)
        {
            int behind = m - k * step;
            int ahead = m + k * step;
            neighbours[behind][d] &= ~(3u << LINE_SHIFT[5 + k]);
            neighbours[ahead][d] &= ~(3u << LINE_SHIFT[5 - k]);
            if (k == 5 && !farMatters)
            {
                continue;
            }
            if (cells[behind] == EMPTY)
            {
                refreshLine(static_cast<Move>(behind), d);
            }
            if (cells[ahead] == EMPTY)
            {
                refreshLine(static_cast<Move>(ahead), d);
            }
        }
    }
    markNear(m, -1);
    // m's own patterns were last worked out just before its stone went down, from the same
    // neighbourhoods it has again now.
    count(m, +1);
}

} // namespace engine
