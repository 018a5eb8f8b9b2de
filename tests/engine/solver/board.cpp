// The solver's board: cells, the five test by walking each line, and position keys made by
// hashing (point, colour) pairs, so that no table needs building.
#include "tests/engine/solver/board.h"

#include <algorithm>

namespace solver
{

std::uint64_t scramble(std::uint64_t z)
{
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

Board::Board(int size)
    : n(std::clamp(size, MIN_SIZE, MAX_SIZE)), cells(static_cast<std::size_t>(n * n), NONE),
      support(static_cast<std::size_t>(2 * n * n * 4), 0)
{
}

void Board::count(int p, int who, int delta)
{
    const std::uint64_t pair = static_cast<std::uint64_t>(p) << 2 | static_cast<std::uint64_t>(who);
    key1 ^= scramble(0x736f6c7665723161ull ^ pair);
    key2 ^= scramble(0x0123456789abcdefull ^ pair);
    stoneCount += delta;
    anyNear(p, 4,
            [&](int q, int d)
            {
                std::uint8_t &s = support[static_cast<std::size_t>((who - 1) * n * n + q) * 4 + d];
                s = static_cast<std::uint8_t>(s + delta);
                return false;
            });
}

void Board::put(int p, int who)
{
    std::uint8_t &c = cells[static_cast<std::size_t>(p)];
    if (c != NONE)
        count(p, c, -1);
    c = static_cast<std::uint8_t>(who);
    if (who != NONE)
        count(p, who, +1);
}

bool Board::makesFive(int p, int who) const
{
    for (const auto &s : STEPS)
    {
        int run = 1;
        for (int sign : {1, -1})
        {
            int x = xOf(p) + sign * s[0], y = yOf(p) + sign * s[1];
            for (; inside(x, y) && get(at(x, y)) == who; ++run)
                x += sign * s[0], y += sign * s[1];
        }
        if (run >= 5)
            return true;
    }
    return false;
}

bool Board::hasFive() const
{
    return !where([&](int p) { return !empty(p) && makesFive(p, get(p)); }).empty();
}

std::vector<int> Board::fivePoints(int who) const
{
    return where([&](int p) { return empty(p) && lineSupport(p, who) >= 4 && makesFive(p, who); });
}

} // namespace solver
