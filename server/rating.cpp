#include "server/rating.h"

#include <algorithm>
#include <cmath>

namespace server
{
namespace
{

constexpr double SCALE = 173.7178; // from the familiar scale to Glicko-2's
constexpr double PI = 3.14159265358979323846;
constexpr double EPSILON = 0.000001; // the volatility's iteration stops within this

double g(double phi)
{
    return 1.0 / std::sqrt(1.0 + 3.0 * phi * phi / (PI * PI));
}

double expectation(double mu, double muJ, double phiJ)
{
    return 1.0 / (1.0 + std::exp(-g(phiJ) * (mu - muJ)));
}

// A value the formulas can take: finite and not negative where it must not be.
Rating checked(const Rating &r)
{
    const Rating fresh;
    Rating out = r;
    if (!std::isfinite(out.rating))
        out.rating = fresh.rating;
    if (!std::isfinite(out.deviation) || out.deviation <= 0.0)
        out.deviation = fresh.deviation;
    if (!std::isfinite(out.volatility) || out.volatility <= 0.0)
        out.volatility = fresh.volatility;
    out.deviation = std::min(out.deviation, GLICKO_MAX_DEVIATION);
    return out;
}

// Step 5 of the system: the new volatility, by the Illinois algorithm.
double newVolatility(double sigma, double phi, double v, double delta, double tau)
{
    const double a = std::log(sigma * sigma);
    auto f = [&](double x)
    {
        const double ex = std::exp(x);
        const double d = phi * phi + v + ex;
        return ex * (delta * delta - phi * phi - v - ex) / (2.0 * d * d) - (x - a) / (tau * tau);
    };
    double A = a, B = 0.0;
    if (delta * delta > phi * phi + v)
    {
        B = std::log(delta * delta - phi * phi - v);
    }
    else
    {
        int k = 1;
        while (f(a - k * tau) < 0.0 && k < 1000)
            ++k;
        B = a - k * tau;
    }
    double fA = f(A), fB = f(B);
    for (int step = 0; std::abs(B - A) > EPSILON && step < 1000; ++step)
    {
        const double C = A + (A - B) * fA / (fB - fA);
        const double fC = f(C);
        if (fC * fB <= 0.0)
        {
            A = B;
            fA = fB;
        }
        else
        {
            fA /= 2.0;
        }
        B = C;
        fB = fC;
    }
    return std::exp(A / 2.0);
}

} // namespace

double expectedScore(const Rating &player, const Rating &opponent)
{
    const Rating p = checked(player), o = checked(opponent);
    return expectation((p.rating - 1500.0) / SCALE, (o.rating - 1500.0) / SCALE,
                       o.deviation / SCALE);
}

Rating afterPeriod(const Rating &player, const std::vector<RatedGame> &games, double tau)
{
    const Rating p = checked(player);
    const double mu = (p.rating - 1500.0) / SCALE;
    const double phi = p.deviation / SCALE;
    if (games.empty())
    {
        const double grown = std::sqrt(phi * phi + p.volatility * p.volatility);
        return {p.rating, std::min(grown * SCALE, GLICKO_MAX_DEVIATION), p.volatility};
    }
    double inverseV = 0.0, sum = 0.0;
    for (const RatedGame &game : games)
    {
        const Rating o = checked(game.opponent);
        const double muJ = (o.rating - 1500.0) / SCALE, phiJ = o.deviation / SCALE;
        const double e = expectation(mu, muJ, phiJ);
        const double score = std::isfinite(game.score) ? std::clamp(game.score, 0.0, 1.0) : 0.0;
        inverseV += g(phiJ) * g(phiJ) * e * (1.0 - e);
        sum += g(phiJ) * (score - e);
    }
    const double v = 1.0 / inverseV;
    const double delta = v * sum;
    const double sigma = newVolatility(p.volatility, phi, v, delta, tau);
    const double phiStar = std::sqrt(phi * phi + sigma * sigma);
    const double phiNew = 1.0 / std::sqrt(1.0 / (phiStar * phiStar) + 1.0 / v);
    const double muNew = mu + phiNew * phiNew * sum;
    return {muNew * SCALE + 1500.0, std::min(phiNew * SCALE, GLICKO_MAX_DEVIATION), sigma};
}

} // namespace server
