// The solver's board: cells, the five test by walking each line, and position keys made by
// hashing (point, colour) pairs, so that no table needs building.
#include "tests/engine/solver/board.h"

#include <algorithm>

namespace solver
{
namespace
{

std::uint64_t scramble(std::uint64_t z)
{
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t pointKey(int p, int who, std::uint64_t salt)
{
    return scramble(salt ^ (static_cast<std::uint64_t>(p) << 2 | static_cast<std::uint64_t>(who)));
}

constexpr std::uint64_t SALT1 = 0x736f6c7665723161ull;
constexpr std::uint64_t SALT2 = 0x0123456789abcdefull;

} // namespace

Board::Board(int size)
    : n(std::clamp(size, MIN_SIZE, MAX_SIZE)), cells(static_cast<std::size_t>(n * n), NONE),
      support(static_cast<std::size_t>(2 * n * n * 4), 0)
{
}

void Board::tally(int p, int who, int delta)
{
    const int x0 = xOf(p), y0 = yOf(p);
    for (int d = 0; d < 4; ++d)
    {
        for (int k = -4; k <= 4; ++k)
        {
            int x = x0 + k * STEPS[d][0], y = y0 + k * STEPS[d][1];
            if (k != 0 && inside(x, y))
            {
                std::uint8_t &s =
                    support[static_cast<std::size_t>((who - 1) * n * n + at(x, y)) * 4 + d];
                s = static_cast<std::uint8_t>(s + delta);
            }
        }
    }
}

void Board::put(int p, int who)
{
    std::uint8_t &c = cells[static_cast<std::size_t>(p)];
    if (c != NONE)
    {
        key1 ^= pointKey(p, c, SALT1);
        key2 ^= pointKey(p, c, SALT2);
        tally(p, c, -1);
        --stoneCount;
    }
    c = static_cast<std::uint8_t>(who);
    if (who != NONE)
    {
        key1 ^= pointKey(p, who, SALT1);
        key2 ^= pointKey(p, who, SALT2);
        tally(p, who, +1);
        ++stoneCount;
    }
}

bool Board::makesFive(int p, int who) const
{
    const int x0 = xOf(p), y0 = yOf(p);
    for (const auto &s : STEPS)
    {
        int run = 1;
        for (int sign : {1, -1})
        {
            int x = x0 + sign * s[0], y = y0 + sign * s[1];
            while (inside(x, y) && get(at(x, y)) == who)
            {
                ++run, x += sign * s[0], y += sign * s[1];
            }
        }
        if (run >= 5)
        {
            return true;
        }
    }
    return false;
}

bool Board::fiveThrough(int p) const
{
    return get(p) != NONE && makesFive(p, get(p));
}

bool Board::hasFive() const
{
    for (int p = 0; p < points(); ++p)
    {
        if (fiveThrough(p))
        {
            return true;
        }
    }
    return false;
}

std::vector<int> Board::fivePoints(int who) const
{
    std::vector<int> found;
    for (int p = 0; p < points(); ++p)
    {
        if (empty(p) && lineSupport(p, who) >= 4 && makesFive(p, who))
        {
            found.push_back(p);
        }
    }
    return found;
}

} // namespace solver
