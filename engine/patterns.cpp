// The line-pattern table, worked out once from the definitions of five, four and three: a
// pattern is what the best further stone along the line could make of it.
#include "engine/patterns.h"

#include <array>

namespace engine
{
namespace
{

constexpr int WINDOW = 9; // the point and four neighbours on each side
constexpr int CENTRE = 4;

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

// Base-3 number of the eight neighbours, for the memo.
int indexOf(const Line &line)
{
    int index = 0;
    for (int i = WINDOW - 1; i >= 0; --i)
    {
        if (i != CENTRE)
        {
            index = index * 3 + line[i];
        }
    }
    return index;
}

std::array<std::uint8_t, 6561> memo; // 3^8 neighbourhoods; 0 = not worked out yet, else 1 + pattern

// The pattern of `line`, whose centre holds an own stone. Only fives through the centre count:
// a five elsewhere on the line belongs to other points.
Pattern classify(Line line)
{
    std::uint8_t &known = memo[indexOf(line)];
    if (known != 0)
    {
        return static_cast<Pattern>(known - 1);
    }
    Pattern result = P_NONE;
    if (runThroughCentre(line) >= 5)
    {
        result = P_FIVE;
    }
    else
    {
        int fivePoints = 0;
        Pattern best = P_NONE;
        for (int i = 0; i < WINDOW; ++i)
        {
            if (line[i] != FREE)
            {
                continue;
            }
            line[i] = OWN;
            if (runThroughCentre(line) >= 5)
            {
                ++fivePoints;
            }
            else
            {
                Pattern next = classify(line);
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

// Every pattern, for each colour and each 16-bit neighbourhood, built on first use.
struct Table
{
    std::array<std::array<Pattern, 65536>, 2> pattern;

    Table()
    {
        for (int colour = 0; colour < 2; ++colour)
        {
            const auto own = static_cast<std::uint16_t>(colour == 0 ? BLACK : WHITE);
            for (int bits = 0; bits < 65536; ++bits)
            {
                Line line{};
                line[CENTRE] = OWN;
                for (int k = -4; k <= 4; ++k)
                {
                    if (k == 0)
                    {
                        continue;
                    }
                    auto stone = static_cast<std::uint16_t>((bits >> LINE_SHIFT[k + 4]) & 3);
                    line[CENTRE + k] = stone == EMPTY ? FREE : stone == own ? OWN : BLOCKED;
                }
                pattern[colour][bits] = classify(line);
            }
        }
    }
};

const Table &table()
{
    static const Table built;
    return built;
}

} // namespace

Pattern linePattern(int colour, std::uint16_t neighbours)
{
    return table().pattern[colour][neighbours];
}

const Pattern *linePatterns(int colour)
{
    return table().pattern[colour].data();
}

} // namespace engine
