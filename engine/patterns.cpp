// The line-pattern table, worked out once from the definitions of five, four and three: a
// pattern is what the best further stone along the line could make of it.
#include "engine/patterns.h"

#include <array>

namespace engine
{
namespace
{

// The point, four neighbours on each side, and beyond them one more each side, which is never
// played: it only lengthens a row.
constexpr int WINDOW = 11;
constexpr int CENTRE = 5;

enum Cell : std::uint8_t
{
    FREE,
    OWN,
    BLOCKED, // the other side's stone, or the edge of the board
};

using Line = std::array<Cell, WINDOW>;

// Length of the run of own stones through the centre.
int runThroughCentre(const Line &line)
{
    int from = CENTRE;
    int to = CENTRE;
    while (from > 0 && line[from - 1] == OWN)
    {
        --from;
    }
    while (to < WINDOW - 1 && line[to + 1] == OWN)
    {
        ++to;
    }
    return to - from + 1;
}

// Base-3 number of the eight inner neighbours, and whether each outer point is an own stone, for
// the memo.
int indexOf(const Line &line)
{
    int index = 0;
    for (int i = WINDOW - 2; i >= 1; --i)
    {
        if (i != CENTRE)
        {
            index = index * 3 + line[i];
        }
    }
    return index * 4 + (line[0] == OWN) * 2 + (line[WINDOW - 1] == OWN);
}

// 3^8 inner neighbourhoods times the outer points; 0 = not worked out yet, else 1 + pattern. One
// for five or more, one for exactly five.
std::array<std::array<std::uint8_t, 6561 * 4>, 2> memo;

bool isFive(int run, bool exact)
{
    return exact ? run == 5 : run >= 5;
}

// The pattern of `line`, whose centre holds an own stone. Only fives through the centre count:
// a five elsewhere on the line belongs to other points.
Pattern classify(Line line, bool exact)
{
    std::uint8_t &known = memo[exact][indexOf(line)];
    if (known != 0)
    {
        return static_cast<Pattern>(known - 1);
    }
    Pattern result = P_NONE;
    const int run = runThroughCentre(line);
    if (isFive(run, exact))
    {
        result = P_FIVE;
    }
    else if (run < 5) // a run already too long can never become a five
    {
        int fivePoints = 0;
        Pattern best = P_NONE;
        for (int i = 1; i < WINDOW - 1; ++i)
        {
            if (line[i] != FREE)
            {
                continue;
            }
            line[i] = OWN;
            if (isFive(runThroughCentre(line), exact))
            {
                ++fivePoints;
            }
            else
            {
                Pattern next = classify(line, exact);
                best = next > best ? next : best;
            }
            line[i] = FREE;
        }
        if (fivePoints >= 2)
        {
            result = P_FLEX4;
        }
        else if (fivePoints == 1)
        {
            result = P_BLOCK4;
        }
        else
        {
            // One stone short of the best shape one more stone could make.
            switch (best)
            {
            case P_FLEX4:
                result = P_FLEX3;
                break;
            case P_BLOCK4:
                result = P_BLOCK3;
                break;
            case P_FLEX3:
                result = P_FLEX2;
                break;
            case P_BLOCK3:
                result = P_BLOCK2;
                break;
            case P_FLEX2:
                result = P_FLEX1;
                break;
            case P_BLOCK2:
                result = P_BLOCK1;
                break;
            default:
                result = P_NONE;
                break;
            }
        }
    }
    known = static_cast<std::uint8_t>(result + 1);
    return result;
}

// The line a stone of `own` sees from a point with these neighbours.
Line lineOf(std::uint16_t own, std::uint32_t neighbours)
{
    Line line{};
    line[CENTRE] = OWN;
    for (int k = -5; k <= 5; ++k)
    {
        if (k == 0)
        {
            continue;
        }
        auto stone = static_cast<std::uint16_t>((neighbours >> LINE_SHIFT[k + 5]) & 3);
        // The outer points are never played: only an own stone there changes anything.
        line[CENTRE + k] = stone == EMPTY ? FREE : stone == own ? OWN : BLOCKED;
    }
    return line;
}

// Every pattern for one colour and one kind of five, by PatternTable::index.
template <int BITS> struct Table
{
    std::array<std::array<Pattern, std::size_t{1} << BITS>, 2> pattern;

    explicit Table(bool exact)
    {
        for (int colour = 0; colour < 2; ++colour)
        {
            const auto own = static_cast<std::uint16_t>(colour == 0 ? BLACK : WHITE);
            for (std::uint32_t i = 0; i < (std::uint32_t{1} << BITS); ++i)
            {
                // The index's bits 16 and 17, when there are any, say an own stone lies five
                // steps back and forward.
                std::uint32_t neighbours = i & 0xFFFF;
                neighbours |= ((i >> 16) & 1) != 0 ? std::uint32_t{own} << 16 : 0;
                neighbours |= ((i >> 17) & 1) != 0 ? std::uint32_t{own} << 18 : 0;
                pattern[colour][i] = classify(lineOf(own, neighbours), exact);
            }
        }
    }
};

// Built on first use: five or more wins in the one, exactly five in the other.
const Table<16> &freeTable()
{
    static const Table<16> built(false);
    return built;
}

const Table<18> &exactTable()
{
    static const Table<18> built(true);
    return built;
}

} // namespace

Pattern linePattern(int colour, std::uint32_t neighbours, bool exact)
{
    return linePatterns(colour, exact)[neighbours];
}

PatternTable linePatterns(int colour, bool exact)
{
    const Pattern *patterns =
        exact ? exactTable().pattern[colour].data() : freeTable().pattern[colour].data();
    return PatternTable{patterns, static_cast<std::uint8_t>(colour == 0 ? BLACK : WHITE), exact};
}

} // namespace engine
