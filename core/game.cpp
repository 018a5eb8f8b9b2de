// One game as a value, judged by the rules of rules.h.
#include "core/game.h"

#include <algorithm>

namespace core
{

namespace
{

engine::Stone stoneOf(Colour colour)
{
    return colour == Colour::Black ? engine::BLACK : engine::WHITE;
}

// The four lines through a point, one step along each.
constexpr Point LINES[4] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};

// The winning row the stone on p makes, if any: the five of it nearest p, in order along the line.
std::optional<Five> winningRowThrough(const engine::Grid &grid, Point p, Colour colour, Rule rule)
{
    const engine::Stone stone = stoneOf(colour);
    for (Point step : LINES)
    {
        int back = 0;
        while (grid.at(p.x - (back + 1) * step.x, p.y - (back + 1) * step.y) == stone)
        {
            ++back;
        }
        int forward = 0;
        while (grid.at(p.x + (forward + 1) * step.x, p.y + (forward + 1) * step.y) == stone)
        {
            ++forward;
        }
        if (!engine::rowWins(rule, stone, back + forward + 1))
        {
            continue;
        }
        // The row runs from -back to +forward; its five nearest p starts within two of it.
        const int first = std::max(-back, std::min(-2, forward - 4));
        Five five{};
        for (int k = 0; k < 5; ++k)
        {
            five[k] = Point{p.x + (first + k) * step.x, p.y + (first + k) * step.y};
        }
        return five;
    }
    return std::nullopt;
}

} // namespace

std::string_view colourName(Colour colour)
{
    return colour == Colour::Black ? "black" : "white";
}

std::string pointName(Point p)
{
    if (!onBoard(p))
    {
        return {};
    }
    return std::string(1, static_cast<char>('a' + p.x)) + std::to_string(SIZE - p.y);
}

std::string_view verdictWords(Verdict verdict)
{
    switch (verdict)
    {
    case Verdict::Placed:
        return "placed";
    case Verdict::GameOver:
        return "the game is over";
    case Verdict::OffBoard:
        return "the point is off the board";
    case Verdict::Occupied:
        return "the point is taken";
    case Verdict::Forbidden:
        return "black may not play there under renju";
    }
    return "refused";
}

std::string_view foulWords(Foul foul)
{
    switch (foul)
    {
    case Foul::DoubleThree:
        return "a double three";
    case Foul::DoubleFour:
        return "a double four";
    case Foul::Overline:
        return "an overline";
    case Foul::None:
        break;
    }
    return "no foul";
}

Game::Game(Rule rule, Opening opening) : rule_(rule), opening_(opening) {}

Verdict Game::judge(Point p) const
{
    if (over())
    {
        return Verdict::GameOver;
    }
    if (!onBoard(p))
    {
        return Verdict::OffBoard;
    }
    if (grid_.at(p.x, p.y) != engine::EMPTY)
    {
        return Verdict::Occupied;
    }
    if (toMove() == Colour::Black && foulAt(p) != Foul::None)
    {
        return Verdict::Forbidden;
    }
    return Verdict::Placed;
}

Verdict Game::play(Point p, std::int32_t ms)
{
    const Verdict verdict = judge(p);
    if (verdict != Verdict::Placed)
    {
        return verdict;
    }
    const Swap2Step step = swap2Step();
    if (step == Swap2Step::SecondChoice || step == Swap2Step::FirstChoice)
    {
        choose(Swap2Choice::PlayWhite);
    }
    const Colour colour = toMove();
    grid_.set(p.x, p.y, stoneOf(colour));
    moves_.push_back(Move{p, ms});
    if ((five_ = winningRowThrough(grid_, p, colour, rule_)))
    {
        result_ = Result{Ending::Five, colour};
    }
    else if (moves_.size() == POINTS)
    {
        result_ = Result{Ending::FullBoard, std::nullopt};
    }
    return Verdict::Placed;
}

bool Game::choose(Swap2Choice choice)
{
    const Swap2Step step = swap2Step();
    const bool second = step == Swap2Step::SecondChoice;
    if (over() || (!second && step != Swap2Step::FirstChoice) ||
        (choice != Swap2Choice::PlayWhite && choice != Swap2Choice::PlayBlack &&
         (choice != Swap2Choice::TwoStones || !second)))
    {
        return false;
    }
    (second ? secondChoice_ : firstChoice_) = choice;
    return true;
}

bool Game::resign(Colour loser)
{
    if (over())
    {
        return false;
    }
    result_ = Result{Ending::Resignation, opposite(loser)};
    return true;
}

bool Game::timeOut(Colour loser)
{
    if (over())
    {
        return false;
    }
    result_ = Result{Ending::Time, opposite(loser)};
    return true;
}

bool Game::agreeDraw()
{
    if (over())
    {
        return false;
    }
    result_ = Result{Ending::Agreement, std::nullopt};
    return true;
}

bool Game::undo()
{
    if (moves_.empty())
    {
        return false;
    }
    const Point last = moves_.back().point;
    grid_.set(last.x, last.y, engine::EMPTY);
    moves_.pop_back();
    result_ = Result{};
    five_.reset();
    forgetChoicesAfterStones();
    return true;
}

void Game::truncate(std::size_t count)
{
    while (moves_.size() > count && undo())
    {
    }
    if (moves_.size() == count && result_.ending != Ending::Five &&
        result_.ending != Ending::FullBoard)
    {
        // A resignation, a flag or a draw came after the last stone kept: it is dropped too.
        result_ = Result{};
    }
}

std::optional<Colour> Game::at(Point p) const
{
    switch (grid_.at(p.x, p.y))
    {
    case engine::BLACK:
        return Colour::Black;
    case engine::WHITE:
        return Colour::White;
    default:
        return std::nullopt;
    }
}

Foul Game::foulAt(Point p) const
{
    if (rule_ != Rule::Renju || !onBoard(p) || grid_.at(p.x, p.y) != engine::EMPTY)
    {
        return Foul::None;
    }
    return engine::foul(grid_, p.x, p.y);
}

Swap2Step Game::swap2Step() const
{
    if (opening_ != Opening::Swap2)
    {
        return Swap2Step::Over;
    }
    if (moves_.size() < 3)
    {
        return Swap2Step::Three;
    }
    if (secondChoice_ == Swap2Choice::None)
    {
        return Swap2Step::SecondChoice;
    }
    if (secondChoice_ != Swap2Choice::TwoStones)
    {
        return Swap2Step::Over;
    }
    if (moves_.size() < 5)
    {
        return Swap2Step::TwoMore;
    }
    return firstChoice_ == Swap2Choice::None ? Swap2Step::FirstChoice : Swap2Step::Over;
}

int Game::swap2Player() const
{
    switch (swap2Step())
    {
    case Swap2Step::Three:
    case Swap2Step::FirstChoice:
        return 1;
    case Swap2Step::SecondChoice:
    case Swap2Step::TwoMore:
        return 2;
    case Swap2Step::Over:
        break;
    }
    return 0;
}

Colour Game::colourOf(int player) const
{
    // The first player is black's until a choice says otherwise; the last choice made decides.
    bool firstIsBlack = true;
    if (secondChoice_ == Swap2Choice::PlayWhite || secondChoice_ == Swap2Choice::PlayBlack)
    {
        firstIsBlack = secondChoice_ == Swap2Choice::PlayWhite;
    }
    else if (firstChoice_ != Swap2Choice::None)
    {
        firstIsBlack = firstChoice_ == Swap2Choice::PlayBlack;
    }
    return (player == 1) == firstIsBlack ? Colour::Black : Colour::White;
}

void Game::forgetChoicesAfterStones()
{
    if (moves_.size() <= 5)
    {
        firstChoice_ = Swap2Choice::None;
    }
    if (moves_.size() <= 3)
    {
        secondChoice_ = Swap2Choice::None;
    }
}

} // namespace core
