// Glicko-2 against the worked example of its author's paper, and the ways a period moves a
// rating, as a table.
#include "server/rating.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace
{

using server::afterPeriod;
using server::RatedGame;
using server::Rating;

// Glickman, "Example of the Glicko-2 system": a 1500 (RD 200, σ 0.06) player beats a 1400 (RD 30)
// and loses to a 1550 (RD 100) and a 1700 (RD 300), τ 0.5.
TEST(Glicko2, GivesThePapersWorkedExample)
{
    const Rating after =
        afterPeriod({1500, 200, 0.06},
                    {{{1400, 30, 0.06}, 1}, {{1550, 100, 0.06}, 0}, {{1700, 300, 0.06}, 0}}, 0.5);
    EXPECT_NEAR(after.rating, 1464.06, 0.01);
    EXPECT_NEAR(after.deviation, 151.52, 0.01);
    EXPECT_NEAR(after.volatility, 0.05999, 0.00001);
}

struct PeriodCase
{
    std::string name;
    Rating player;
    std::vector<RatedGame> games;
    double low, high;       // where the new rating must lie
    double deviationAtMost; // and its deviation
    double deviationAtLeast;
};

const Rating EVEN{1500, 100, 0.06};

const std::vector<PeriodCase> PERIODS = {
    {"a win over an equal raises", EVEN, {{EVEN, 1}}, 1510, 1540, 100, 0},
    {"a loss to an equal lowers", EVEN, {{EVEN, 0}}, 1440, 1490, 100, 0},
    {"a draw with an equal leaves it", EVEN, {{EVEN, 0.5}}, 1499.99, 1500.01, 100, 0},
    {"a win over a far stronger raises more", EVEN, {{{1900, 100, 0.06}, 1}}, 1540, 1700, 100, 0},
    {"a win over a far weaker raises little", EVEN, {{{1100, 100, 0.06}, 1}}, 1500, 1508, 100, 0},
    {"an uncertain player moves more", {1500, 300, 0.06}, {{EVEN, 1}}, 1600, 1800, 300, 0},
    {"no games: the rating stays, its deviation grows", EVEN, {}, 1500, 1500, 100.6, 100.5},
    {"the deviation never grows past a new player's", {1500, 350, 0.06}, {}, 1500, 1500, 350, 350},
    // From outside, anything: taken as a new player's value, a score as the nearer end.
    {"a rating that is no number is a new player's",
     {std::numeric_limits<double>::quiet_NaN(), -5, 0},
     {},
     1500,
     1500,
     350,
     350},
    {"a score beyond 1 counts as a win", EVEN, {{EVEN, 7}}, 1510, 1540, 100, 0},
};

TEST(Glicko2, MovesARatingAsItsGamesSay)
{
    for (const PeriodCase &c : PERIODS)
    {
        SCOPED_TRACE(c.name);
        const Rating after = afterPeriod(c.player, c.games);
        EXPECT_GE(after.rating, c.low);
        EXPECT_LE(after.rating, c.high);
        EXPECT_LE(after.deviation, c.deviationAtMost);
        EXPECT_GE(after.deviation, c.deviationAtLeast);
        EXPECT_TRUE(std::isfinite(after.volatility) && after.volatility > 0);
    }
}

// The volatility follows how erratic the results are: ten wins over far stronger players raise
// it, ten expected wins lower it, and a smaller τ moves it less.
TEST(Glicko2, VolatilityRisesWithSurprisesAndFallsWithExpectedResults)
{
    const Rating player{1500, 50, 0.06};
    const std::vector<RatedGame> upsets(10, {{2000, 50, 0.06}, 1});
    const std::vector<RatedGame> expected(10, {{1000, 50, 0.06}, 1});
    EXPECT_GT(afterPeriod(player, upsets).volatility, 0.06);
    EXPECT_LT(afterPeriod(player, expected).volatility, 0.06);
    EXPECT_LT(afterPeriod(player, upsets, 0.3).volatility,
              afterPeriod(player, upsets, 1.0).volatility);
}

TEST(Glicko2, ExpectsEvenOddsBetweenEqualsAndMoreForTheStronger)
{
    EXPECT_DOUBLE_EQ(server::expectedScore(EVEN, EVEN), 0.5);
    EXPECT_GT(server::expectedScore({1700, 100, 0.06}, EVEN), 0.7);
    EXPECT_NEAR(server::expectedScore({1700, 100, 0.06}, EVEN) +
                    server::expectedScore(EVEN, {1700, 100, 0.06}),
                1.0, 1e-12);
}

} // namespace
