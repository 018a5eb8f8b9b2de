// Players' ratings by Glicko-2 (Mark E. Glickman, "Example of the Glicko-2 system", 2012): a
// rating, its deviation (how far off it may be) and its volatility (how erratic the player is),
// moved at the end of each rating period by the games of the period. No I/O: the store keeps the
// values, the pairing reads them.
#pragma once

#include <vector>

namespace server
{

struct Rating
{
    double rating = 1500.0;   // on the familiar scale: 1500 for a new player
    double deviation = 350.0; // RD: twice it either side is a 95 % interval
    double volatility = 0.06; // σ
};

// One game of the period, from the rated player's side: the opponent's rating at the period's
// start and the score, 1 a win, 0.5 a draw, 0 a loss.
struct RatedGame
{
    Rating opponent;
    double score = 0.0;
};

// The system's constant τ, which bounds how fast the volatility may change (0.3 to 1.2 are
// reasonable; smaller keeps ratings steadier).
inline constexpr double GLICKO_TAU = 0.5;
// The deviation never grows beyond a new player's.
inline constexpr double GLICKO_MAX_DEVIATION = 350.0;

// The player's rating after a period in which it played `games` (none: only the deviation grows,
// as time without games makes a rating less certain). Scores outside 0..1 count as the nearer
// end; a non-finite or negative input is taken as a new player's value.
Rating afterPeriod(const Rating &player, const std::vector<RatedGame> &games,
                   double tau = GLICKO_TAU);

// The expected score of `player` against `opponent`, 0..1.
double expectedScore(const Rating &player, const Rating &opponent);

} // namespace server
