// The referee: the rules of rules.h applied to one game held as a value.
#include "game/referee.h"

Referee::Verdict Referee::judge(Side side, int row, int col) const
{
    if (over_)
    {
        return Verdict::GameOver;
    }
    if (side != toMove_)
    {
        return Verdict::NotYourTurn;
    }
    switch (placementAt(board_, row, col))
    {
    case Placement::OffBoard:
        return Verdict::OffBoard;
    case Placement::Occupied:
        return Verdict::Occupied;
    case Placement::Free:
        break;
    }
    return Verdict::Placed;
}

Referee::Verdict Referee::play(Side side, int row, int col)
{
    const Verdict verdict = judge(side, row, col);
    if (verdict != Verdict::Placed)
    {
        return verdict;
    }
    board_[row * BOARD_SIZE + col] = side == Side::Black ? CELL_BLACK : CELL_WHITE;
    moves_.push_back(Point{static_cast<std::uint8_t>(row), static_cast<std::uint8_t>(col)});
    toMove_ = side == Side::Black ? Side::White : Side::Black;
    // Only the stone just placed can have made a new five, and a five through it is centred
    // within two steps of it along its line.
    for (std::int32_t direction = DIR_ROW; direction <= DIR_ANTIDIAGONAL && !five_; ++direction)
    {
        const Step step = DIRECTION_STEPS[direction - 1];
        for (int i = -2; i <= 2; ++i)
        {
            const int r = row + i * step.dRow;
            const int c = col + i * step.dCol;
            if (fiveCentredAt(board_, r, c, direction))
            {
                Five five{};
                for (int k = 0; k < 5; ++k)
                {
                    five[k] = Point{static_cast<std::uint8_t>(r + (k - 2) * step.dRow),
                                    static_cast<std::uint8_t>(c + (k - 2) * step.dCol)};
                }
                five_ = five;
                winner_ = side;
                break;
            }
        }
    }
    over_ = five_.has_value() || moves_.size() == BOARD_CELLS;
    return Verdict::Placed;
}
