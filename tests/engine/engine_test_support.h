// Helpers of the engine's tests: positions drawn as text, and a plain reference for wins by
// continuous fours that knows nothing of the engine's patterns, to hold the engine to.
#pragma once

#include "engine/position.h"

#include <string>
#include <string_view>
#include <vector>

namespace enginetest
{

// A position drawn as text, one string a row from the top: 'X' black, 'O' white, '.' empty,
// '*' an empty point that is a right answer. Rows may be shorter than the board.
struct Picture
{
    engine::Position pos;
    std::vector<engine::Move> marked;
};

inline Picture picture(const std::vector<std::string_view> &rows, int toMove, int size = 15)
{
    Picture p{engine::Position(size), {}};
    for (int y = 0; y < static_cast<int>(rows.size()); ++y)
    {
        for (int x = 0; x < static_cast<int>(rows[y].size()); ++x)
        {
            engine::Move m = p.pos.at(x, y);
            switch (rows[y][x])
            {
            case 'X':
                p.pos.place(m, 0);
                break;
            case 'O':
                p.pos.place(m, 1);
                break;
            case '*':
                p.marked.push_back(m);
                break;
            default:
                break;
            }
        }
    }
    p.pos.setToMove(toMove);
    return p;
}

// Wins by continuous fours of 3, 5 and 7 fours for black ('X') to move, each with its only
// shortest first move marked '*'.
inline const std::vector<std::string_view> WIN_BY_3_FOURS = {
    "..........O....", ".......X.......", "........O......", "........O......", "X..............",
    "..XX......X.O..", "....OX..OO.....", "..O...XX*.XO...", ".....X.O.......", ".......X..O....",
    "......O........", "........O.XXOX.", "...............", "..........O....", "............X.."};
inline const std::vector<std::string_view> WIN_BY_5_FOURS = {
    "...............", "...............", "...............", ".........O.X...", "..O.O....X.....",
    ".........*.O...", "......X.XO.....", ".....O.XO......", "...X...X......."};
inline const std::vector<std::string_view> WIN_BY_7_FOURS = {
    "...............", "........X......", "..X............", "....X.O........", "...............",
    ".O......X......", "X..X...........", "O.....XX.......", "..X..OO..OOO...", "......O..O.....",
    "X.OX*XX...O....", "...............", "O.............."};

// The board as plain cells, and wins by fours found by trying every point: the reference.
class PlainBoard
{
public:
    explicit PlainBoard(const engine::Position &pos) : n(pos.size()), cells(n * n, 0)
    {
        for (int y = 0; y < n; ++y)
        {
            for (int x = 0; x < n; ++x)
            {
                engine::Stone s = pos.stone(pos.at(x, y));
                cells[y * n + x] = s == engine::BLACK ? 1 : s == engine::WHITE ? 2 : 0;
            }
        }
    }

    // True when a stone of `who` (1 black, 2 white) on the empty point p makes five or more.
    bool makesFive(int p, int who) const
    {
        static const int steps[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
        int x0 = p % n, y0 = p / n;
        for (const auto &s : steps)
        {
            int run = 1;
            for (int sign : {1, -1})
            {
                int x = x0 + sign * s[0], y = y0 + sign * s[1];
                while (x >= 0 && y >= 0 && x < n && y < n && cells[y * n + x] == who)
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

    std::vector<int> fivePoints(int who) const
    {
        std::vector<int> points;
        for (int p = 0; p < n * n; ++p)
        {
            if (cells[p] == 0 && makesFive(p, who))
            {
                points.push_back(p);
            }
        }
        return points;
    }

    // Whether `who`, to move, wins by continuous fours within `fours` fours; `first` gets the
    // first winning point (as y * size + x) if so.
    bool winsByFours(int who, int fours, int *first = nullptr)
    {
        const int other = 3 - who;
        if (!fivePoints(who).empty())
        {
            return set(first, fivePoints(who)[0]), true;
        }
        std::vector<int> threats = fivePoints(other);
        if (threats.size() >= 2 || fours == 0)
        {
            return false;
        }
        for (int p = 0; p < n * n; ++p)
        {
            if (cells[p] != 0 || (threats.size() == 1 && p != threats[0]))
            {
                continue;
            }
            cells[p] = who;
            std::vector<int> fives = fivePoints(who);
            bool wins = fives.size() >= 2;
            if (fives.size() == 1)
            {
                cells[fives[0]] = other;
                wins = winsByFours(who, fours - 1);
                cells[fives[0]] = 0;
            }
            cells[p] = 0;
            if (wins)
            {
                return set(first, p), true;
            }
        }
        return false;
    }

private:
    static void set(int *out, int value)
    {
        if (out != nullptr)
        {
            *out = value;
        }
    }

    int n;
    std::vector<int> cells;
};

} // namespace enginetest
