// One game of five in a row as a value: the board's size, every move in order with the time it
// took, the rule, the opening and its swap2 step, which player has which colour, and the result
// and how it came. The rules that judge it are those of rules.h, asked in one place (here), so
// the window's game, the server's rooms, the records and the engine's callers all judge alike.
// Nothing in it knows a window, GL, the platform or the network.
//
// Points are named as tournament files name them: x the column from the left, y the row from the
// top, both from 0.
#pragma once

#include "core/rules.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core
{

using engine::Foul;
using engine::Rule;

inline constexpr int SIZE = 18; // the board is SIZE x SIZE points
inline constexpr int POINTS = SIZE * SIZE;

enum class Colour : std::uint8_t
{
    Black = 0, // places the first stone
    White = 1,
};
constexpr Colour opposite(Colour colour)
{
    return colour == Colour::Black ? Colour::White : Colour::Black;
}
// "black" or "white".
std::string_view colourName(Colour colour);

struct Point
{
    int x = 0; // the column, 0 at the left
    int y = 0; // the row, 0 at the top
    friend bool operator==(Point, Point) = default;
};
constexpr bool onBoard(Point p)
{
    return p.x >= 0 && p.y >= 0 && p.x < SIZE && p.y < SIZE;
}

// The window's board and the online protocol name a point by (row, col), the way the board is
// drawn: a row runs from left to right across the screen and the columns count up from the
// bottom. These two are the only crossing between the namings.
constexpr Point pointOfCell(int row, int col)
{
    return Point{row, SIZE - 1 - col};
}
struct Cell
{
    int row;
    int col;
};
constexpr Cell cellOfPoint(Point p)
{
    return Cell{p.x, SIZE - 1 - p.y};
}

// A point as players write it: a column letter a-r from the left and a row number 1-18 from the
// bottom, so (9, 9) is "j9". Empty off the board.
std::string pointName(Point p);

// One stone placed. Stones alternate, black's first, whatever the opening: the opening only
// decides which player has which colour.
struct Move
{
    Point point;
    std::int32_t ms = -1; // how long the move took, in milliseconds; -1 when nobody knows
};

enum class Opening : std::uint8_t
{
    Free,  // black's first stone anywhere
    Swap2, // the first player places three stones, and the colours are chosen after them
};

// The steps of swap2. The first player places three stones (black, white, black); the second
// chooses to play white, to play black, or to place two more stones (white, then black) and let
// the first choose. Over once the colours are chosen, and always with the free opening.
enum class Swap2Step : std::uint8_t
{
    Over,
    Three,        // the first player places three stones
    SecondChoice, // the second player chooses
    TwoMore,      // the second player places two more
    FirstChoice,  // the first player chooses a colour
};
enum class Swap2Choice : std::uint8_t
{
    None = 0,
    PlayWhite = 1, // the chooser plays white: white's stone is the chooser's to place
    PlayBlack = 2, // the chooser plays black: the other player places white's stone
    TwoStones = 3, // the second player only: two more stones, and the first chooses
};

// How a game ended.
enum class Ending : std::uint8_t
{
    None,        // still being played
    Five,        // a winning row
    FullBoard,   // every point taken and no five: drawn
    Resignation, // the loser resigned
    Time,        // the loser's time ran out
    Agreement,   // both agreed to a draw
};
struct Result
{
    Ending ending = Ending::None;
    std::optional<Colour> winner; // none while it goes on and for a draw
    friend bool operator==(const Result &, const Result &) = default;
};

// What becomes of a stone on a point.
enum class Verdict : std::uint8_t
{
    Placed,
    GameOver,  // the game has ended: nothing more is placed
    OffBoard,  // no such point
    Occupied,  // a stone is there
    Forbidden, // black may not play it under renju (foulAt says why)
};
// A verdict in words, for a message: "the game is over", "the point is taken", ...
std::string_view verdictWords(Verdict verdict);
// A foul in words: "a double three", "a double four", "an overline".
std::string_view foulWords(Foul foul);

using Five = std::array<Point, 5>;

class Game
{
public:
    Game() : Game(Rule::Freestyle, Opening::Free) {}
    explicit Game(Rule rule, Opening opening = Opening::Free);

    Rule rule() const { return rule_; }
    Opening opening() const { return opening_; }

    // What play() would answer for the side to move, without playing.
    Verdict judge(Point p) const;
    // Places the side to move's stone on p when judge() allows it. At a choosing step of swap2
    // a stone chooses to play white first, as the chooser who places white's stone does. Then a
    // winning row through it ends the game with that side the winner; a full board ends it drawn.
    Verdict play(Point p, std::int32_t ms = -1);

    // Makes the choice of the player whose swap2 step it is: false, with nothing changed, when no
    // choice is asked for or that one is not among them.
    bool choose(Swap2Choice choice);

    // The side to move resigns, or its time runs out, or both agree to a draw: the game ends so
    // (false, nothing changed, once it is over).
    bool resign(Colour loser);
    bool timeOut(Colour loser);
    bool agreeDraw();

    // Takes back the last stone, and with it the choices made after it and any result; false
    // when there is none.
    bool undo();
    // Keeps the first `count` moves and forgets the rest: the game as it stood after them, to be
    // played on from there. The choices made before the stones kept stay.
    void truncate(std::size_t count);

    const std::vector<Move> &moves() const { return moves_; }
    Colour toMove() const { return moves_.size() % 2 == 0 ? Colour::Black : Colour::White; }
    // The colour on p; none on an empty point or off the board.
    std::optional<Colour> at(Point p) const;
    bool over() const { return result_.ending != Ending::None; }
    const Result &result() const { return result_; }
    // The winning row, in order along its line: none unless a five ended the game.
    const std::optional<Five> &five() const { return five_; }
    // Why black may not play the empty point p, under renju; Foul::None elsewhere.
    Foul foulAt(Point p) const;

    Swap2Step swap2Step() const;
    // Who acts at the step: 1 the first player, 2 the second; 0 once the opening is over.
    int swap2Player() const;
    Swap2Choice secondChoice() const { return secondChoice_; }
    Swap2Choice firstChoice() const { return firstChoice_; }
    // The colour player 1 (who opens) or player 2 plays, as the choices so far have it: before
    // them the first player is black's.
    Colour colourOf(int player) const;

    // The board as the rules read it.
    const engine::Grid &grid() const { return grid_; }

private:
    Rule rule_;
    Opening opening_;
    engine::Grid grid_{SIZE};
    std::vector<Move> moves_;
    Swap2Choice secondChoice_ = Swap2Choice::None;
    Swap2Choice firstChoice_ = Swap2Choice::None;
    Result result_;
    std::optional<Five> five_;

    void forgetChoicesAfterStones();
};

} // namespace core
