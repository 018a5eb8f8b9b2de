// One game as a value (core/game.h): a table of games played to their last stone, with the
// verdict on it and what the game is after; renju's fouls; the swap2 steps, choices and colours;
// the other ways a game ends; taking back and cutting short.
#include "core/game.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using core::Colour;
using core::Ending;
using core::Foul;
using core::Game;
using core::Opening;
using core::Point;
using core::Result;
using core::Rule;
using core::Swap2Choice;
using core::Swap2Step;
using core::Verdict;

// Plays all but the last stone, each of which must be placed; returns the last one's verdict.
Verdict playOut(Game &game, const std::vector<Point> &points)
{
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
    {
        EXPECT_EQ(game.play(points[i]), Verdict::Placed) << "stone " << i + 1;
    }
    return game.play(points.back());
}

// Black from `b` and white from `w`, a step (dx, dy) at a time, black's n-th stone last.
std::vector<Point> race(Point b, Point w, int n, Point step)
{
    std::vector<Point> points;
    for (int i = 0; i < n; ++i)
    {
        points.push_back(Point{b.x + i * step.x, b.y + i * step.y});
        if (i + 1 < n)
        {
            points.push_back(Point{w.x + i * step.x, w.y + i * step.y});
        }
    }
    return points;
}

// Black's six on row 8, made last at (6, 8); white's stones scattered on row 12.
const std::vector<Point> BLACK_SIX = {{3, 8}, {3, 12}, {4, 8}, {5, 12},  {5, 8}, {7, 12},
                                      {7, 8}, {9, 12}, {8, 8}, {11, 12}, {6, 8}};
// White's six on row 3, made last at (6, 3); black's stones scattered on row 15.
const std::vector<Point> WHITE_SIX = {{0, 15}, {3, 3}, {2, 15}, {4, 3}, {4, 15},  {5, 3},
                                      {6, 15}, {7, 3}, {8, 15}, {8, 3}, {10, 15}, {6, 3}};
const std::vector<Point> DOUBLE_THREE = {{9, 8}, {0, 0},  {9, 9}, {2, 0}, {7, 10},
                                         {4, 0}, {8, 10}, {6, 0}, {9, 10}};
const std::vector<Point> DOUBLE_FOUR = {{5, 5},  {0, 17},  {6, 5},  {2, 17}, {7, 5},
                                        {4, 17}, {8, 6},   {6, 17}, {8, 7},  {10, 17},
                                        {8, 8},  {12, 17}, {8, 5}};

struct FiveCase
{
    std::string name;
    Rule rule;
    std::vector<Point> points;
    Verdict verdict;
    Result result;
    std::optional<Point> fiveStart; // the winning row's first point, when one ends the game
};

TEST(CoreGame, theLastStoneIsJudgedByTheRule)
{
    const Result none{};
    const Result black{Ending::Five, Colour::Black};
    const Result white{Ending::Five, Colour::White};
    const std::vector<FiveCase> cases = {
        {"freestyle: a row", Rule::Freestyle, race({2, 4}, {2, 6}, 5, {1, 0}), Verdict::Placed,
         black, Point{2, 4}},
        {"freestyle: a column", Rule::Freestyle, race({4, 2}, {6, 2}, 5, {0, 1}), Verdict::Placed,
         black, Point{4, 2}},
        {"freestyle: a diagonal", Rule::Freestyle, race({3, 3}, {3, 4}, 5, {1, 1}), Verdict::Placed,
         black, Point{3, 3}},
        {"freestyle: an anti-diagonal", Rule::Freestyle, race({3, 14}, {4, 14}, 5, {1, -1}),
         Verdict::Placed, black, Point{3, 14}},
        {"freestyle: four wins nothing", Rule::Freestyle, race({2, 4}, {2, 6}, 4, {1, 0}),
         Verdict::Placed, none, std::nullopt},
        {"freestyle: black's six wins", Rule::Freestyle, BLACK_SIX, Verdict::Placed, black,
         Point{4, 8}},
        {"standard: exactly five wins", Rule::Standard, race({2, 4}, {2, 6}, 5, {1, 0}),
         Verdict::Placed, black, Point{2, 4}},
        {"standard: black's six wins nothing", Rule::Standard, BLACK_SIX, Verdict::Placed, none,
         std::nullopt},
        {"standard: white's six wins nothing", Rule::Standard, WHITE_SIX, Verdict::Placed, none,
         std::nullopt},
        {"renju: black's exactly five wins", Rule::Renju, race({2, 4}, {2, 6}, 5, {1, 0}),
         Verdict::Placed, black, Point{2, 4}},
        {"renju: white's six wins", Rule::Renju, WHITE_SIX, Verdict::Placed, white, Point{4, 3}},
        {"renju: black's six is forbidden", Rule::Renju, BLACK_SIX, Verdict::Forbidden, none,
         std::nullopt},
        {"renju: black's double three is forbidden", Rule::Renju, DOUBLE_THREE, Verdict::Forbidden,
         none, std::nullopt},
        {"renju: black's double four is forbidden", Rule::Renju, DOUBLE_FOUR, Verdict::Forbidden,
         none, std::nullopt},
        {"renju: white may take black's forbidden point",
         Rule::Renju,
         {{9, 8}, {0, 0}, {9, 9}, {2, 0}, {7, 10}, {4, 0}, {8, 10}, {6, 0}, {15, 15}, {9, 10}},
         Verdict::Placed,
         none,
         std::nullopt},
        {"freestyle: the double three is allowed", Rule::Freestyle, DOUBLE_THREE, Verdict::Placed,
         none, std::nullopt},
        {"standard: the double four is allowed", Rule::Standard, DOUBLE_FOUR, Verdict::Placed, none,
         std::nullopt},
        {"a stone on a stone",
         Rule::Freestyle,
         {{9, 9}, {9, 9}},
         Verdict::Occupied,
         none,
         std::nullopt},
        {"off the board",
         Rule::Freestyle,
         {{9, 9}, {18, 0}},
         Verdict::OffBoard,
         none,
         std::nullopt},
        {"after the five", Rule::Freestyle,
         []
         {
             std::vector<Point> points = race({2, 4}, {2, 6}, 5, {1, 0});
             points.push_back(Point{0, 0});
             return points;
         }(),
         Verdict::GameOver, black, Point{2, 4}},
    };
    for (const FiveCase &c : cases)
    {
        SCOPED_TRACE(c.name);
        Game game(c.rule);
        const Verdict verdict = playOut(game, c.points);
        EXPECT_EQ(verdict, c.verdict);
        EXPECT_EQ(game.result(), c.result);
        const std::size_t placed = c.points.size() - (verdict == Verdict::Placed ? 0 : 1);
        EXPECT_EQ(game.moves().size(), placed);
        ASSERT_EQ(game.five().has_value(), c.fiveStart.has_value());
        if (c.fiveStart)
        {
            EXPECT_EQ(game.five()->front(), *c.fiveStart);
        }
    }
}

TEST(CoreGame, renjuNamesTheFoulAndPlacesNothing)
{
    const std::vector<std::pair<std::vector<Point>, Foul>> cases = {
        {DOUBLE_THREE, Foul::DoubleThree},
        {DOUBLE_FOUR, Foul::DoubleFour},
        {BLACK_SIX, Foul::Overline},
    };
    for (const auto &[points, foul] : cases)
    {
        SCOPED_TRACE(core::foulWords(foul));
        Game game(Rule::Renju);
        ASSERT_EQ(playOut(game, points), Verdict::Forbidden);
        EXPECT_EQ(game.foulAt(points.back()), foul);
        EXPECT_EQ(game.at(points.back()), std::nullopt);
        EXPECT_EQ(game.toMove(), Colour::Black);
        EXPECT_EQ(game.judge(points.back()), Verdict::Forbidden);
        Game freestyle(Rule::Freestyle);
        EXPECT_EQ(playOut(freestyle, points), Verdict::Placed);
        EXPECT_EQ(freestyle.foulAt(points.back()), Foul::None);
    }
}

// One swap2 action and the game after it.
struct Swap2Case
{
    std::string name;
    std::function<bool(Game &)> act;
    bool done;
    Swap2Step step;
    int player;
    Colour firstPlays;
};

TEST(CoreGame, swap2GoesThroughItsStepsAndChoices)
{
    auto stone = [](Point p) { return [p](Game &g) { return g.play(p) == Verdict::Placed; }; };
    auto pick = [](Swap2Choice c) { return [c](Game &g) { return g.choose(c); }; };
    const Colour B = Colour::Black, W = Colour::White;
    const std::vector<std::pair<std::string, std::vector<Swap2Case>>> games = {
        {"the second plays white",
         {{"a choice before the stones", pick(Swap2Choice::PlayWhite), false, Swap2Step::Three, 1,
           B},
          {"first stone", stone({9, 9}), true, Swap2Step::Three, 1, B},
          {"second stone", stone({10, 9}), true, Swap2Step::Three, 1, B},
          {"third stone", stone({9, 11}), true, Swap2Step::SecondChoice, 2, B},
          {"white", pick(Swap2Choice::PlayWhite), true, Swap2Step::Over, 0, B},
          {"no second choice", pick(Swap2Choice::PlayBlack), false, Swap2Step::Over, 0, B}}},
        {"the second plays black",
         {{"first stone", stone({9, 9}), true, Swap2Step::Three, 1, B},
          {"second stone", stone({10, 9}), true, Swap2Step::Three, 1, B},
          {"third stone", stone({9, 11}), true, Swap2Step::SecondChoice, 2, B},
          {"black", pick(Swap2Choice::PlayBlack), true, Swap2Step::Over, 0, W},
          {"white's stone", stone({3, 3}), true, Swap2Step::Over, 0, W}}},
        {"two more, and the first plays white",
         {{"first stone", stone({9, 9}), true, Swap2Step::Three, 1, B},
          {"second stone", stone({10, 9}), true, Swap2Step::Three, 1, B},
          {"third stone", stone({9, 11}), true, Swap2Step::SecondChoice, 2, B},
          {"two", pick(Swap2Choice::TwoStones), true, Swap2Step::TwoMore, 2, B},
          {"no choice while placing", pick(Swap2Choice::PlayBlack), false, Swap2Step::TwoMore, 2,
           B},
          {"fourth stone", stone({3, 3}), true, Swap2Step::TwoMore, 2, B},
          {"fifth stone", stone({4, 4}), true, Swap2Step::FirstChoice, 1, B},
          {"the first may not ask for two", pick(Swap2Choice::TwoStones), false,
           Swap2Step::FirstChoice, 1, B},
          {"white", pick(Swap2Choice::PlayWhite), true, Swap2Step::Over, 0, W}}},
        {"two more, and the first plays black",
         {{"first stone", stone({9, 9}), true, Swap2Step::Three, 1, B},
          {"second stone", stone({10, 9}), true, Swap2Step::Three, 1, B},
          {"third stone", stone({9, 11}), true, Swap2Step::SecondChoice, 2, B},
          {"two", pick(Swap2Choice::TwoStones), true, Swap2Step::TwoMore, 2, B},
          {"fourth stone", stone({3, 3}), true, Swap2Step::TwoMore, 2, B},
          {"fifth stone", stone({4, 4}), true, Swap2Step::FirstChoice, 1, B},
          {"black", pick(Swap2Choice::PlayBlack), true, Swap2Step::Over, 0, B}}},
        {"a stone at the second's choice chooses white",
         {{"first stone", stone({9, 9}), true, Swap2Step::Three, 1, B},
          {"second stone", stone({10, 9}), true, Swap2Step::Three, 1, B},
          {"third stone", stone({9, 11}), true, Swap2Step::SecondChoice, 2, B},
          {"white's stone", stone({3, 3}), true, Swap2Step::Over, 0, B}}},
    };
    for (const auto &[name, steps] : games)
    {
        Game game(Rule::Freestyle, Opening::Swap2);
        for (const Swap2Case &c : steps)
        {
            SCOPED_TRACE(name + ": " + c.name);
            EXPECT_EQ(c.act(game), c.done);
            EXPECT_EQ(game.swap2Step(), c.step);
            EXPECT_EQ(game.swap2Player(), c.player);
            EXPECT_EQ(game.colourOf(1), c.firstPlays);
            EXPECT_EQ(game.colourOf(2), core::opposite(c.firstPlays));
        }
    }
    Game free;
    EXPECT_EQ(free.swap2Step(), Swap2Step::Over);
    EXPECT_EQ(free.play(Point{9, 9}), Verdict::Placed);
    EXPECT_FALSE(free.choose(Swap2Choice::PlayWhite));
}

TEST(CoreGame, aGameEndsByResignationTimeOrAgreement)
{
    struct Case
    {
        std::string name;
        std::function<bool(Game &)> end;
        Result result;
    };
    const std::vector<Case> cases = {
        {"white resigns",
         [](Game &g) { return g.resign(Colour::White); },
         {Ending::Resignation, Colour::Black}},
        {"black resigns",
         [](Game &g) { return g.resign(Colour::Black); },
         {Ending::Resignation, Colour::White}},
        {"black's time runs out",
         [](Game &g) { return g.timeOut(Colour::Black); },
         {Ending::Time, Colour::White}},
        {"white's time runs out",
         [](Game &g) { return g.timeOut(Colour::White); },
         {Ending::Time, Colour::Black}},
        {"a draw agreed", [](Game &g) { return g.agreeDraw(); }, {Ending::Agreement, std::nullopt}},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        Game game;
        ASSERT_EQ(game.play(Point{9, 9}), Verdict::Placed);
        EXPECT_TRUE(c.end(game));
        EXPECT_TRUE(game.over());
        EXPECT_EQ(game.result(), c.result);
        EXPECT_EQ(game.play(Point{3, 3}), Verdict::GameOver);
        EXPECT_FALSE(game.resign(Colour::Black));
        EXPECT_FALSE(game.timeOut(Colour::White));
        EXPECT_FALSE(game.agreeDraw());
        EXPECT_EQ(game.result(), c.result);
        EXPECT_EQ(game.five(), std::nullopt);
    }
}

TEST(CoreGame, undoTakesBackTheStoneTheResultAndTheChoicesAfterIt)
{
    Game empty;
    EXPECT_FALSE(empty.undo());

    Game five;
    playOut(five, race({2, 4}, {2, 6}, 5, {1, 0}));
    ASSERT_TRUE(five.over());
    EXPECT_TRUE(five.undo());
    EXPECT_FALSE(five.over());
    EXPECT_EQ(five.five(), std::nullopt);
    EXPECT_EQ(five.moves().size(), 8u);
    EXPECT_EQ(five.at(Point{6, 4}), std::nullopt);
    EXPECT_EQ(five.toMove(), Colour::Black);
    EXPECT_EQ(five.play(Point{6, 4}), Verdict::Placed);
    EXPECT_TRUE(five.over());

    Game swap2(Rule::Freestyle, Opening::Swap2);
    playOut(swap2, {{9, 9}, {10, 9}, {9, 11}});
    ASSERT_TRUE(swap2.choose(Swap2Choice::TwoStones));
    playOut(swap2, {{3, 3}, {4, 4}});
    ASSERT_TRUE(swap2.choose(Swap2Choice::PlayWhite));
    ASSERT_EQ(swap2.play(Point{5, 5}), Verdict::Placed);
    // Back to the five stones as they stood before the first player chose.
    EXPECT_TRUE(swap2.undo());
    EXPECT_EQ(swap2.firstChoice(), Swap2Choice::None);
    EXPECT_EQ(swap2.secondChoice(), Swap2Choice::TwoStones);
    EXPECT_EQ(swap2.swap2Step(), Swap2Step::FirstChoice);
    EXPECT_TRUE(swap2.undo());
    EXPECT_EQ(swap2.secondChoice(), Swap2Choice::TwoStones);
    EXPECT_EQ(swap2.swap2Step(), Swap2Step::TwoMore);
    EXPECT_TRUE(swap2.undo());
    EXPECT_EQ(swap2.secondChoice(), Swap2Choice::None);
    EXPECT_EQ(swap2.swap2Step(), Swap2Step::SecondChoice);
    EXPECT_TRUE(swap2.undo());
    EXPECT_EQ(swap2.swap2Step(), Swap2Step::Three);
}

TEST(CoreGame, truncateKeepsTheFirstMovesAndDropsWhatCameAfter)
{
    Game game;
    playOut(game, {{9, 9}, {10, 10}, {8, 9}, {2, 2}, {7, 9}});
    game.truncate(7);
    EXPECT_EQ(game.moves().size(), 5u);
    game.truncate(2);
    ASSERT_EQ(game.moves().size(), 2u);
    EXPECT_EQ(game.moves()[1].point, (Point{10, 10}));
    EXPECT_EQ(game.at(Point{8, 9}), std::nullopt);
    EXPECT_EQ(game.toMove(), Colour::Black);

    Game resigned;
    playOut(resigned, {{9, 9}, {10, 10}});
    ASSERT_TRUE(resigned.resign(Colour::Black));
    resigned.truncate(2);
    EXPECT_EQ(resigned.moves().size(), 2u);
    EXPECT_FALSE(resigned.over());

    Game won;
    playOut(won, race({2, 4}, {2, 6}, 5, {1, 0}));
    won.truncate(9);
    EXPECT_EQ(won.result(), (Result{Ending::Five, Colour::Black}));
    won.truncate(0);
    EXPECT_TRUE(won.moves().empty());
    EXPECT_FALSE(won.over());
}

TEST(CoreGame, pointsAreNamedWithAColumnLetterAndARowFromTheBottom)
{
    EXPECT_EQ(core::pointName(Point{9, 9}), "j9");
    EXPECT_EQ(core::pointName(Point{0, 0}), "a18");
    EXPECT_EQ(core::pointName(Point{17, 17}), "r1");
    EXPECT_EQ(core::pointName(Point{0, 17}), "a1");
    EXPECT_EQ(core::pointName(Point{18, 0}), "");
    EXPECT_EQ(core::pointName(Point{0, -1}), "");
}

} // namespace
