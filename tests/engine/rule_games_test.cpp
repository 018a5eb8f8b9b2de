// Whole games under exactly five and renju, every move checked by the tests' own referee.
#include "tests/engine/refereed_game.h"

#include <gtest/gtest.h>

namespace
{

using engine::Level;
using engine::Rule;

TEST(RefereedGames, NoForbiddenMoveEveryWinRealNoWinMissed)
{
    struct Case
    {
        Rule rule;
        Level black, white;
        std::uint64_t seed;
    };
    const Case cases[] = {
        {Rule::Renju, Level::Medium, Level::Easy, 31},
        {Rule::Renju, Level::Easy, Level::Medium, 32},
        {Rule::Renju, Level::Hard, Level::Medium, 33},
        {Rule::Renju, Level::Medium, Level::Hard, 34},
        {Rule::Standard, Level::Medium, Level::Easy, 5},
        {Rule::Standard, Level::Hard, Level::Medium, 6},
    };
    int forbidden = 0;
    for (const Case &c : cases)
    {
        const renjutest::RefereedGame game =
            renjutest::playRefereed(c.rule, c.black, c.white, 20000, c.seed);
        EXPECT_EQ(game.problem, "") << "rule " << static_cast<int>(c.rule) << ", seed " << c.seed;
        EXPECT_TRUE(game.winner >= 0 || game.stones == 15 * 15) << game.moves;
        forbidden += game.forbiddenAround;
    }
    EXPECT_GT(forbidden, 0) << "black met forbidden points in the renju games";
}

} // namespace
