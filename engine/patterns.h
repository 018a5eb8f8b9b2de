// The shapes a stone can make along one line, and the table that names the shape for every
// neighbourhood of a point: what the side would have if it played there.
#pragma once

#include "core/rules.h"

#include <cstdint>

namespace engine
{

// What a point is worth to one side along one line, if that side plays there: the shape its
// stone would then be part of, judged by what one or two more stones could make of it. Ordered
// from worthless to winning. "Flex" shapes have two ways forward, "block" shapes one.
enum Pattern : std::uint8_t
{
    P_NONE,   // no five can ever run through the point along this line
    P_BLOCK1, // one more stone makes a BLOCK2
    P_FLEX1,  // one more stone makes a FLEX2
    P_BLOCK2, // one more stone makes a BLOCK3
    P_FLEX2,  // one more stone makes a FLEX3
    P_BLOCK3, // one more stone makes a four with one way to five
    P_FLEX3,  // one more stone makes an open four: an "open three"
    P_BLOCK4, // a four: one empty point left makes five
    P_FLEX4,  // two different points make five: the other side cannot stop both
    P_FIVE,   // five or more in a row
};
inline constexpr int PATTERN_COUNT = 10;

// The four neighbours on each side of a point along one line, two bits each (a Stone): bits
// 0-1 hold the point four steps back, bits 14-15 four steps forward. Bits 16-17 hold the point
// five steps back and bits 18-19 five steps forward: they only tell whether a row through the
// point would run longer than five. LINE_SHIFT[k + 5] is the place of the neighbour k steps away
// (k in -5..5, k != 0).
inline constexpr int LINE_SHIFT[11] = {16, 0, 2, 4, 6, -1, 8, 10, 12, 14, 18};

// The pattern a stone of `colour` (0 black, 1 white) would make at a point whose neighbours along
// a line are `neighbours`: with `exact`, only a row of exactly five counts as five, and a row that
// would run longer leads nowhere.
Pattern linePattern(int colour, std::uint32_t neighbours, bool exact);

// The whole table for one colour and one kind of five, and where a neighbourhood finds its
// pattern in it.
struct PatternTable
{
    const Pattern *patterns;
    std::uint8_t own; // the colour's Stone
    bool exact;

    Pattern operator[](std::uint32_t neighbours) const { return patterns[index(neighbours)]; }
    std::uint32_t index(std::uint32_t neighbours) const
    {
        if (!exact)
        {
            return neighbours & 0xFFFF; // five steps away makes no difference
        }
        // The two points five steps away matter only as stones of the colour's own.
        return (neighbours & 0xFFFF) |
               static_cast<std::uint32_t>(((neighbours >> 16) & 3) == own) << 16 |
               static_cast<std::uint32_t>(((neighbours >> 18) & 3) == own) << 17;
    }
};
PatternTable linePatterns(int colour, bool exact);

} // namespace engine
