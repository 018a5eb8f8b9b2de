// One game of five in a row judged move by move, held as a value with no program-wide state: the
// server keeps one for each game it holds. It judges by the rules of rules.h, as the window's game
// does: on the board, on a free point, by the side to move, while the game is not over; five or
// more in a row wins, and a full board without one ends the game drawn.
#pragma once

#include "game/board.h"
#include "game/rules.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class Referee
{
public:
    enum class Side : std::uint8_t
    {
        Black = 0, // moves first
        White = 1,
    };

    // What becomes of a move.
    enum class Verdict
    {
        Placed,
        GameOver,    // the game has ended: nothing more is placed
        NotYourTurn, // the other side is to move
        OffBoard,
        Occupied,
    };

    struct Point
    {
        std::uint8_t row;
        std::uint8_t col;
        friend bool operator==(Point, Point) = default;
    };
    using Five = std::array<Point, 5>;

    // What play() would answer, without playing.
    Verdict judge(Side side, int row, int col) const;

    // Places side's stone on (row, col) when judge() allows it; then a five through it ends the
    // game with that side the winner, and so does a full board, drawn.
    Verdict play(Side side, int row, int col);

    Side toMove() const { return toMove_; }
    bool over() const { return over_; }
    std::optional<Side> winner() const { return winner_; }
    // The five that ended the game, in order along its line; none before a five.
    const std::optional<Five> &five() const { return five_; }
    // Every stone placed, in order; black's first.
    const std::vector<Point> &moves() const { return moves_; }
    BoardView board() const { return board_; }

private:
    std::array<std::int32_t, BOARD_CELLS> board_{};
    std::vector<Point> moves_;
    Side toMove_ = Side::Black;
    bool over_ = false;
    std::optional<Side> winner_;
    std::optional<Five> five_;
};
