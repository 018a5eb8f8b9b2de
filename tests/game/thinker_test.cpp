// The thinkers, between frames and beside the game: each answers as Searcher::think does, never
// answers a request replaced or cancelled, and ends when ended in the middle of a thought.
#include "game/thinker.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace
{

const std::pair<const char *, std::unique_ptr<Thinker> (*)()> KINDS[] = {
    {"slices", makeSliceThinker}, {"beside the game", makeBesideThinker}};

// Polls as the game does, once a frame, until the answer comes or `wait` has passed.
bool awaitAnswer(Thinker &thinker, ThinkAnswer &answer,
                 std::chrono::milliseconds wait = std::chrono::milliseconds(60000))
{
    const auto end = std::chrono::steady_clock::now() + wait;
    do
    {
        if (thinker.poll(answer, 12))
        {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

// No answer within `wait`: time enough for the request to be answered, had it not been dropped.
bool staysSilent(Thinker &thinker, int wait = 300)
{
    ThinkAnswer answer;
    return !awaitAnswer(thinker, answer, std::chrono::milliseconds(wait));
}

// Time for the thinker to take up the request it was just given.
void letItStart(Thinker &thinker)
{
    ThinkAnswer answer;
    thinker.poll(answer, 12);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

ThinkRequest request(std::uint32_t generation, engine::Level level, std::int64_t nodes,
                     std::uint64_t seed = 0)
{
    return ThinkRequest{
        .generation = generation, .level = level, .limits = {.nodes = nodes}, .seed = seed};
}

// Stones put down one by one, black first, the side to move after them.
ThinkRequest with(ThinkRequest r, std::initializer_list<std::pair<int, int>> stones)
{
    int n = 0;
    for (auto [row, col] : stones)
    {
        r.cells[row * BOARD_SIZE + col] = n++ % 2 == 0 ? CELL_BLACK : CELL_WHITE;
    }
    r.toMove = static_cast<std::uint8_t>(n % 2);
    return r;
}

// `count` stones on random points within four of the centre (for the seeds used, none makes five).
ThinkRequest randomBoard(ThinkRequest r, std::uint32_t seed, int count)
{
    std::mt19937 random(seed);
    for (int n = 0; n < count;)
    {
        const int row = 5 + static_cast<int>(random() % 9);
        const int col = 5 + static_cast<int>(random() % 9);
        std::int8_t &cell = r.cells[row * BOARD_SIZE + col];
        if (cell == CELL_EMPTY)
        {
            cell = n++ % 2 == 0 ? CELL_BLACK : CELL_WHITE;
        }
    }
    r.toMove = static_cast<std::uint8_t>(count % 2);
    return r;
}

// A thought with no end in sight: the hard level with a budget it will not spend in a test.
ThinkRequest endless(std::uint32_t generation)
{
    return randomBoard(request(generation, engine::Level::Hard, std::int64_t{1} << 40), 7, 10);
}

struct Case
{
    std::string name;
    ThinkRequest request;
    int row = -1; // where the rules say the move goes, when they do
    int col = -1;
};

std::vector<Case> cases()
{
    using engine::Level;
    ThinkRequest whiteFirst = request(2, Level::Hard, 20000);
    whiteFirst.toMove = 1;
    std::vector<Case> all = {
        {"the empty board, medium", request(1, Level::Medium, 0)},
        {"the empty board, white to move, hard", whiteFirst},
        {"black's four along row 9 to stop, easy",
         with(request(3, Level::Easy, 0, 5),
              {{9, 5}, {9, 4}, {9, 6}, {3, 9}, {9, 7}, {14, 2}, {9, 8}}),
         9, 9},
        {"white's four down column 3 to make five, medium",
         with(request(5, Level::Medium, 0),
              {{9, 9}, {4, 3}, {9, 10}, {5, 3}, {3, 3}, {6, 3}, {15, 9}, {7, 3}, {1, 1}}),
         8, 3},
        {"a five on the board already: no move",
         with(request(4, Level::Medium, 0),
              {{2, 2}, {12, 3}, {2, 3}, {12, 5}, {2, 4}, {12, 7}, {2, 5}, {12, 9}, {2, 6}})},
    };
    std::uint32_t generation = 10;
    for (std::uint32_t seed = 1; seed <= 3; ++seed)
    {
        for (auto [level, nodes] :
             {std::pair{Level::Easy, std::int64_t{0}}, std::pair{Level::Medium, std::int64_t{0}},
              std::pair{Level::Hard, std::int64_t{30000}}})
        {
            const int stones = 4 + 7 * static_cast<int>(seed);
            all.push_back(
                {"random board " + std::to_string(seed) + ", level " +
                     std::to_string(static_cast<int>(level)),
                 randomBoard(request(generation, level, nodes, seed * 77), seed, stones)});
            ++generation;
        }
    }
    return all;
}

TEST(Thinkers, AnswerAsTheEngineDoesUnsliced)
{
    engine::Searcher searcher;
    for (const Case &c : cases())
    {
        const engine::Move expected = searcher.think(positionOf(c.request), c.request.level,
                                                     c.request.limits, c.request.seed);
        const std::int64_t nodes = searcher.info().nodes;
        for (const auto &[name, make] : KINDS)
        {
            SCOPED_TRACE(std::string(name) + ", " + c.name);
            std::unique_ptr<Thinker> thinker = make();
            thinker->post(c.request);
            ThinkAnswer answer;
            ASSERT_TRUE(awaitAnswer(*thinker, answer));
            EXPECT_EQ(answer.generation, c.request.generation);
            EXPECT_EQ(answer.move, expected);
            EXPECT_EQ(answer.nodes, nodes);
            if (c.row >= 0)
            {
                EXPECT_EQ(engine::Position::yOf(answer.move), c.row);
                EXPECT_EQ(engine::Position::xOf(answer.move), c.col);
            }
            EXPECT_FALSE(thinker->poll(answer, 12)) << "twice";
        }
    }
}

// A request replaced by another, or cancelled, quick, under way or endless, is never answered;
// the thinker answers the next, and ends when ended in the middle of an endless thought (on a
// thread let go, should it never end).
TEST(Thinkers, AnswerOnlyTheLastRequestNotCancelled)
{
    const ThinkRequest quick =
        with(request(2, engine::Level::Medium, 0, 9), {{9, 9}, {8, 8}, {9, 10}});
    engine::Searcher searcher;
    const engine::Move expected =
        searcher.think(positionOf(quick), quick.level, quick.limits, quick.seed);
    for (const auto &[name, make] : KINDS)
    {
        SCOPED_TRACE(name);
        std::shared_ptr<Thinker> thinker = make();
        thinker->post(endless(1));
        letItStart(*thinker);
        thinker->post(quick);
        ThinkAnswer answer;
        ASSERT_TRUE(awaitAnswer(*thinker, answer));
        EXPECT_EQ(answer.generation, 2u);
        EXPECT_EQ(answer.move, expected);
        EXPECT_TRUE(staysSilent(*thinker)) << "the replaced request";

        thinker->post(with(request(3, engine::Level::Easy, 0), {{9, 9}}));
        thinker->cancel();
        EXPECT_TRUE(staysSilent(*thinker)) << "a quick thought";
        // Under way: a thought of a quarter of a second or so, the silence six times as long.
        ThinkRequest longer = endless(4);
        longer.limits.nodes = 100000;
        thinker->post(longer);
        thinker->poll(answer, 12);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        thinker->cancel();
        EXPECT_TRUE(staysSilent(*thinker, 1500)) << "a thought under way";
        thinker->post(endless(4));
        letItStart(*thinker);
        thinker->cancel();
        EXPECT_TRUE(staysSilent(*thinker)) << "an endless thought";
        ThinkRequest next = quick;
        next.generation = 5;
        thinker->post(next);
        ASSERT_TRUE(awaitAnswer(*thinker, answer)) << "the one after";
        EXPECT_EQ(answer.generation, 5u);

        thinker->post(endless(6));
        letItStart(*thinker);
        auto ended = std::make_shared<std::atomic<bool>>(false);
        std::thread(
            [thinker = std::move(thinker), ended]() mutable
            {
                thinker.reset();
                *ended = true;
            })
            .detach();
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!*ended && std::chrono::steady_clock::now() < end)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(*ended) << "still thinking a minute later";
    }
}

} // namespace
