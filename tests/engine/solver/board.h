// The board as the tests' own solver sees it: plain cells, one byte a point, and a five test
// that walks the lines. Nothing of the engine is used here (no patterns, no bookkeeping), so the
// solver built on it is a second opinion the engine cannot share its faults with.
#pragma once

#include <cstdint>
#include <vector>

namespace solver
{

// What a point holds; a side is BLACK or WHITE.
inline constexpr int NONE = 0;
inline constexpr int BLACK = 1;
inline constexpr int WHITE = 2;
inline constexpr int other(int who)
{
    return 3 - who;
}

inline constexpr int MIN_SIZE = 5;
inline constexpr int MAX_SIZE = 32;

// The four lines through a point, as steps of (x, y).
inline constexpr int STEPS[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};

// A 64-bit mix of z (splitmix64's finaliser, after adding its increment).
std::uint64_t scramble(std::uint64_t z);

class Board
{
public:
    // An empty board of size x size points (clamped to 5 ... 32).
    explicit Board(int size);

    int size() const { return n; }
    int points() const { return n * n; }
    // A point as y * size + x.
    int at(int x, int y) const { return y * n + x; }
    int xOf(int p) const { return p % n; }
    int yOf(int p) const { return p / n; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < n && y < n; }

    int get(int p) const { return cells[static_cast<std::size_t>(p)]; }
    bool empty(int p) const { return get(p) == NONE; }
    // Puts a stone of `who` on p, or takes the stone away with NONE.
    void put(int p, int who);
    int stones() const { return stoneCount; }

    // Whether a stone of `who` on the empty point p makes five or more in a row.
    bool makesFive(int p, int who) const;
    // Whether any five or more is on the board.
    bool hasFive() const;
    // The empty points where `who` makes five.
    std::vector<int> fivePoints(int who) const;
    // The most stones of `who` on one line through p within four steps of it (p not counted):
    // a point needs 4 to make five, 3 to make a four, 2 to make a three.
    int lineSupport(int p, int who) const
    {
        const std::uint8_t *s = &support[static_cast<std::size_t>((who - 1) * n * n + p) * 4];
        int a = s[0] > s[1] ? s[0] : s[1], b = s[2] > s[3] ? s[2] : s[3];
        return a > b ? a : b;
    }

    // Every point for which `keep` says true, in order.
    template <class Keep> std::vector<int> where(Keep keep) const
    {
        std::vector<int> found;
        for (int p = 0; p < points(); ++p)
            if (keep(p))
                found.push_back(p);
        return found;
    }
    // Calls visit(q, line) for the points q on p's four lines within `reach` steps of p (p not
    // included) until it says true; whether it did.
    template <class Visit> bool anyNear(int p, int reach, Visit visit) const
    {
        for (int d = 0; d < 4; ++d)
        {
            for (int k = -reach; k <= reach; ++k)
            {
                int x = xOf(p) + k * STEPS[d][0], y = yOf(p) + k * STEPS[d][1];
                if (k != 0 && inside(x, y) && visit(at(x, y), d))
                    return true;
            }
        }
        return false;
    }

    // Two independent 64-bit keys of the stones, together telling positions apart.
    std::uint64_t key() const { return key1; }
    std::uint64_t check() const { return key2; }

private:
    // Adds (delta 1) or takes away (-1) a stone of `who` on p in the counts and keys.
    void count(int p, int who, int delta);

    int n;
    int stoneCount = 0;
    std::vector<std::uint8_t> cells;
    // For each colour, point and line: that colour's stones on the line within four steps,
    // kept as stones come and go (the filter that spares most points the five test).
    std::vector<std::uint8_t> support;
    std::uint64_t key1 = 0, key2 = 0;
};

} // namespace solver
