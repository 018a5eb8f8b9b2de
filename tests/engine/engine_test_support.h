// Helpers of the engine's tests: positions drawn as text, and drawings of wins by continuous fours.
#pragma once

#include "engine/position.h"

#include <string_view>
#include <utility>
#include <vector>

namespace enginetest
{

// The points (x, y) of a square of `side` points from (x0, y0), row by row from the top.
inline std::vector<std::pair<int, int>> square(int side, int x0 = 0, int y0 = 0)
{
    std::vector<std::pair<int, int>> points;
    for (int y = y0; y < y0 + side; ++y)
        for (int x = x0; x < x0 + side; ++x)
            points.emplace_back(x, y);
    return points;
}

// What a drawing, one string a row from the top, shows at (x, y): '.' beyond its rows' ends.
template <class Rows> char shown(const Rows &rows, int x, int y)
{
    return y < static_cast<int>(rows.size()) && x < static_cast<int>(rows[y].size()) ? rows[y][x]
                                                                                     : '.';
}

// A position drawn as text, one string a row from the top: 'X' black, 'O' white, '.' empty,
// '*' an empty point that is a right answer. Rows may be shorter than the board.
struct Picture
{
    engine::Position pos;
    std::vector<engine::Move> marked;
};

inline Picture picture(const std::vector<std::string_view> &rows, int toMove, int size = 15,
                       engine::Rule rule = engine::Rule::Freestyle)
{
    Picture p{engine::Position(size, rule), {}};
    for (auto [x, y] : square(size))
    {
        const char c = shown(rows, x, y);
        if (c == 'X' || c == 'O')
            p.pos.place(p.pos.at(x, y), c == 'X' ? 0 : 1);
        else if (c == '*')
            p.marked.push_back(p.pos.at(x, y));
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

} // namespace enginetest
