// Fischer clocks read from a game's start and its moves' times, as a table; and the names of the
// time controls players write.
#include "core/clock.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using core::ClockReading;
using core::Pause;
using core::TimeControl;

constexpr std::int64_t S = 1000; // a second, in milliseconds
const TimeControl THREE_TWO{180 * S, 2 * S};

struct ClockCase
{
    std::string name;
    TimeControl control;
    std::vector<std::int64_t> moves; // when each move was made, from the start at 0
    std::int64_t now;
    std::vector<Pause> pauses;
    std::int64_t black, white; // the clocks then
    int toMove;
    bool flagged;
    std::int64_t flag; // when the side to move runs out (or ran out)
};

const std::vector<ClockCase> CLOCKS = {
    {"black's clock runs from the start",
     THREE_TWO,
     {},
     60 * S,
     {},
     120 * S,
     180 * S,
     0,
     false,
     180 * S},
    {"each move stops its clock and adds the increment",
     THREE_TWO,
     {10 * S, 25 * S},
     25 * S,
     {},
     172 * S,
     167 * S,
     0,
     false,
     197 * S},
    {"and starts the other's",
     THREE_TWO,
     {10 * S, 25 * S},
     30 * S,
     {},
     167 * S,
     167 * S,
     0,
     false,
     197 * S},
    {"white's turn", THREE_TWO, {10 * S}, 40 * S, {}, 172 * S, 150 * S, 1, false, 190 * S},
    {"the side to move runs out", THREE_TWO, {}, 200 * S, {}, 0, 180 * S, 0, true, 180 * S},
    {"a move after the flag is too late",
     THREE_TWO,
     {190 * S},
     195 * S,
     {},
     0,
     180 * S,
     0,
     true,
     180 * S},
    {"a move the very moment the clock reaches 0 is too late",
     THREE_TWO,
     {180 * S},
     180 * S,
     {},
     0,
     180 * S,
     0,
     true,
     180 * S},
    {"a move a millisecond before is in time",
     THREE_TWO,
     {180 * S - 1},
     180 * S - 1,
     {},
     2 * S + 1,
     180 * S,
     1,
     false,
     360 * S - 1},
    {"white runs out after black's move",
     THREE_TWO,
     {10 * S},
     10 * S + 181 * S,
     {},
     172 * S,
     0,
     1,
     true,
     190 * S},
    {"a pause stops the clock that runs",
     THREE_TWO,
     {},
     100 * S,
     {{50 * S, 80 * S}},
     110 * S,
     180 * S,
     0,
     false,
     210 * S},
    {"a pause before the last move counts for neither",
     THREE_TWO,
     {60 * S},
     70 * S,
     {{20 * S, 50 * S}},
     152 * S,
     170 * S,
     1,
     false,
     240 * S},
    {"a pause the flag would have fallen in puts it off",
     THREE_TWO,
     {},
     250 * S,
     {{170 * S, 200 * S}},
     0,
     180 * S,
     0,
     true,
     210 * S},
    {"a time before the one before it counts as made then",
     THREE_TWO,
     {5 * S, 3 * S},
     5 * S,
     {},
     177 * S,
     182 * S,
     0,
     false,
     182 * S},
    {"no clock: nothing runs out",
     TimeControl{},
     {10 * S},
     99999 * S,
     {},
     0,
     0,
     1,
     false,
     INT64_MAX},
};

TEST(Clock, ReadsBothClocksFromTheMovesTimes)
{
    for (const ClockCase &c : CLOCKS)
    {
        SCOPED_TRACE(c.name);
        const ClockReading r = core::readClock(c.control, 0, c.moves, c.now, c.pauses);
        EXPECT_EQ(r.remainingMs[0], c.black);
        EXPECT_EQ(r.remainingMs[1], c.white);
        EXPECT_EQ(r.toMove, c.toMove);
        EXPECT_EQ(r.flagged, c.flagged);
        EXPECT_EQ(r.flagMs, c.flag);
    }
}

TEST(Clock, ReadsTheSameFromAnyStart)
{
    const std::vector<std::int64_t> moves = {1000000 + 10 * S, 1000000 + 25 * S};
    const ClockReading r = core::readClock(THREE_TWO, 1000000, moves, 1000000 + 30 * S);
    EXPECT_EQ(r.remainingMs[0], 167 * S);
    EXPECT_EQ(r.remainingMs[1], 167 * S);
}

struct NameCase
{
    std::string text;
    bool read;
    TimeControl control;
};

const std::vector<NameCase> NAMES = {
    {"3+2", true, {180 * S, 2 * S}},
    {"10+5", true, {600 * S, 5 * S}},
    {"1+0", true, {60 * S, 0}},
    {"180+60", true, {10800 * S, 60 * S}},
    {"", true, {}},
    {"none", true, {}},
    {"0+5", false, {}},
    {"181+0", false, {}},
    {"3+61", false, {}},
    {"3", false, {}},
    {"+2", false, {}},
    {"3+2x", false, {}},
    {"-3+2", false, {}},
    {" 3+2", false, {}},
    {"3+-2", false, {}},
    {"99999999+1", false, {}},
};

TEST(Clock, ReadsTimeControlsAsPlayersWriteThem)
{
    for (const NameCase &c : NAMES)
    {
        SCOPED_TRACE("\"" + c.text + "\"");
        TimeControl control{7, 7};
        EXPECT_EQ(core::parseTimeControl(c.text, &control), c.read);
        const TimeControl untouched{7, 7};
        EXPECT_EQ(control, c.read ? c.control : untouched);
        if (c.read && c.control.timed())
        {
            EXPECT_EQ(core::timeControlName(control), c.text);
        }
    }
    EXPECT_EQ(core::timeControlName(TimeControl{}), "");
}

// A clock as players read it: minutes and seconds, and tenths under ten seconds, each shown until
// it has gone.
TEST(Clock, ShowsATimeAsPlayersReadIt)
{
    const std::pair<std::int64_t, const char *> FACES[] = {
        {180 * S, "3:00"},      {179 * S + 999, "2:59"}, {61 * S, "1:01"}, {10 * S, "0:10"},
        {10 * S - 1, "0:09.9"}, {9 * S + 50, "0:09.0"},  {99, "0:00.0"},   {0, "0:00.0"},
        {-5, "0:00.0"},         {10800 * S, "180:00"},
    };
    for (const auto &[ms, face] : FACES)
    {
        EXPECT_EQ(core::clockFace(ms), face) << ms;
    }
}

// The menus' controls in turn, none first and none again after the last.
TEST(Clock, OffersTheControlsInTurn)
{
    const std::pair<const char *, const char *> NEXT[] = {
        {"", "1+0"}, {"1+0", "3+2"}, {"3+2", "5+3"}, {"5+3", "10+5"}, {"10+5", ""}, {"2+1", ""},
    };
    for (const auto &[name, next] : NEXT)
    {
        EXPECT_EQ(core::nextTimeControlName(name), next) << name;
    }
}

} // namespace
