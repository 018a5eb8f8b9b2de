// The learned evaluation: its line features, its accumulators kept stone by stone against the
// same sums worked out afresh, its indifference to the board's symmetries, its weights file, and
// its scores against the trainer's own for the trainer's weights.
#include "engine/evaluation.h"
#include "engine/network.h"
#include "engine/search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace engine;
using namespace engine::nn;

namespace
{

// A network of random weights, each in -spread..spread, the layers' biases too.
Network randomNetwork(std::uint32_t seed, int spread = 60)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(-spread, spread);
    auto fill = [&](auto &values, int scale)
    {
        for (auto &v : values)
        {
            v = static_cast<std::remove_reference_t<decltype(v)>>(value(rng) * scale);
        }
    };
    Network net;
    fill(net.features, 1);
    fill(net.featureBias, 1);
    fill(net.hidden1, 1);
    fill(net.bias1, 64);
    fill(net.hidden2, 1);
    fill(net.bias2, 64);
    fill(net.output, 1);
    net.outputBias = value(rng) * 64;
    net.note = "random " + std::to_string(seed);
    return net;
}

std::uint32_t window(const int (&stones)[8]) // four steps back to one back, one forward to four
{
    static constexpr int STEPS[8] = {-4, -3, -2, -1, 1, 2, 3, 4};
    std::uint32_t w = 0;
    for (int i = 0; i < 8; ++i)
    {
        w |= static_cast<std::uint32_t>(stones[i]) << LINE_SHIFT[STEPS[i] + 5];
    }
    return w;
}

// Whether every side's walls run from the first to the end, as on a board.
bool onBoardShape(const int (&stones)[8])
{
    for (int i = 0; i < 3; ++i)
    {
        if (stones[4 + i] == WALL && stones[5 + i] != WALL)
        {
            return false;
        }
        if (stones[3 - i] == WALL && stones[2 - i] != WALL)
        {
            return false;
        }
    }
    return true;
}

TEST(NetworkFeatures, EveryLineOnABoardHasOneOfTheFeaturesAndEachFeatureComes)
{
    std::set<int> seen;
    for (int code = 0; code < (1 << 16); ++code)
    {
        int stones[8], reversed[8], swapped[8];
        for (int i = 0; i < 8; ++i)
        {
            stones[i] = code >> (2 * i) & 3;
        }
        if (!onBoardShape(stones))
        {
            continue;
        }
        for (int i = 0; i < 8; ++i)
        {
            reversed[i] = stones[7 - i];
            swapped[i] = stones[i] == BLACK ? WHITE : stones[i] == WHITE ? BLACK : stones[i];
        }
        const int index = featureIndex(window(stones), 0);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, FEATURES);
        // The same line read the other way, and the other side's view of the colours swapped.
        ASSERT_EQ(featureIndex(window(reversed), 0), index) << code;
        ASSERT_EQ(featureIndex(window(swapped), 1), index) << code;
        seen.insert(index);
    }
    EXPECT_EQ(static_cast<int>(seen.size()), FEATURES);
}

TEST(NetworkFeatures, WhatLiesBeyondAWallAndTheColoursTellApart)
{
    struct Case
    {
        int a[8], b[8];
        bool same;
    };
    const Case cases[] = {
        // Beyond the first wall nothing counts; before it, everything.
        {{WALL, WALL, WALL, WALL, EMPTY, EMPTY, EMPTY, EMPTY},
         {BLACK, WALL, WALL, WALL, EMPTY, EMPTY, EMPTY, EMPTY},
         true},
        {{WALL, WALL, WALL, WALL, EMPTY, EMPTY, EMPTY, EMPTY},
         {WALL, WALL, WALL, BLACK, EMPTY, EMPTY, EMPTY, EMPTY},
         false},
        {{BLACK, BLACK, WALL, BLACK, EMPTY, EMPTY, EMPTY, EMPTY},
         {WHITE, EMPTY, WALL, BLACK, EMPTY, EMPTY, EMPTY, EMPTY},
         true},
        // Own and other, near and far, one side and the other.
        {{EMPTY, EMPTY, EMPTY, BLACK, EMPTY, EMPTY, EMPTY, EMPTY},
         {EMPTY, EMPTY, EMPTY, WHITE, EMPTY, EMPTY, EMPTY, EMPTY},
         false},
        {{EMPTY, EMPTY, EMPTY, BLACK, EMPTY, EMPTY, EMPTY, EMPTY},
         {BLACK, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY},
         false},
        {{EMPTY, EMPTY, EMPTY, BLACK, EMPTY, EMPTY, EMPTY, EMPTY},
         {EMPTY, EMPTY, EMPTY, EMPTY, BLACK, EMPTY, EMPTY, EMPTY},
         true},
        {{EMPTY, EMPTY, BLACK, BLACK, WHITE, EMPTY, EMPTY, EMPTY},
         {EMPTY, EMPTY, BLACK, BLACK, EMPTY, WHITE, EMPTY, EMPTY},
         false},
        {{WALL, WALL, WALL, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY},
         {WALL, WALL, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY},
         false},
    };
    for (const Case &c : cases)
    {
        EXPECT_EQ(featureIndex(window(c.a), 0) == featureIndex(window(c.b), 0), c.same)
            << "case " << &c - cases;
    }
}

// Plays and takes back at random, comparing the kept sums with sums worked out afresh, and with
// an accumulator that played only the stones left, after every change.
void playAtRandom(int size, std::uint32_t seed, int steps, int undoPercent)
{
    const Network net = randomNetwork(seed);
    Accumulator acc(net, size), replay(net, size);
    std::mt19937 rng(seed);
    std::vector<Move> stones;
    for (int step = 0; step < steps; ++step)
    {
        const bool full = static_cast<int>(stones.size()) == size * size;
        if (!stones.empty() && (full || static_cast<int>(rng() % 100) < undoPercent))
        {
            acc.undo();
            stones.pop_back();
        }
        else
        {
            Move m;
            do
            {
                m = static_cast<Move>(
                    Grid::index(static_cast<int>(rng() % static_cast<unsigned>(size)),
                                static_cast<int>(rng() % static_cast<unsigned>(size))));
            } while (std::find(stones.begin(), stones.end(), m) != stones.end());
            acc.play(m, static_cast<int>(stones.size() % 2));
            stones.push_back(m);
        }
        ASSERT_EQ(acc.stones(), static_cast<int>(stones.size()));
        replay.reset(size);
        for (std::size_t i = 0; i < stones.size(); ++i)
        {
            replay.play(stones[i], static_cast<int>(i % 2));
        }
        for (int colour = 0; colour < 2; ++colour)
        {
            ASSERT_EQ(acc.sums(colour), acc.recomputed(colour))
                << "size " << size << " step " << step << " colour " << colour;
            ASSERT_EQ(acc.sums(colour), replay.sums(colour)) << "size " << size << " step " << step;
            ASSERT_EQ(acc.evaluate(colour), score(net, acc.recomputed(colour)));
        }
    }
}

TEST(NetworkAccumulator, KeptSumsAreTheSumsAfreshAfterPlaysAndTakeBacks)
{
    struct Case
    {
        int size;
        int steps;
        int undoPercent;
    };
    // The smallest boards are all edge; 5 x 5 filled and emptied again more than once.
    const Case cases[] = {{5, 200, 30},  {5, 120, 5},   {6, 150, 35}, {9, 200, 30},
                          {15, 250, 25}, {18, 250, 20}, {32, 150, 10}};
    std::uint32_t seed = 1;
    for (const Case &c : cases)
    {
        playAtRandom(c.size, seed++, c.steps, c.undoPercent);
    }
}

TEST(NetworkAccumulator, APointNotEmptyOrOffTheBoardChangesNothing)
{
    const Network net = randomNetwork(7);
    Accumulator acc(net, 9);
    acc.play(static_cast<Move>(Grid::index(4, 4)), 0);
    const Sums before[2] = {acc.sums(0), acc.sums(1)};
    for (Move m : {static_cast<Move>(Grid::index(4, 4)), static_cast<Move>(Grid::index(9, 0)),
                   NO_MOVE, static_cast<Move>(CELL_COUNT), static_cast<Move>(65535)})
    {
        acc.play(m, 1);
        EXPECT_EQ(acc.stones(), 1);
        EXPECT_EQ(acc.sums(0), before[0]);
        EXPECT_EQ(acc.sums(1), before[1]);
    }
    acc.undo();
    acc.undo(); // nothing left to take back
    EXPECT_EQ(acc.stones(), 0);
    EXPECT_EQ(acc.sums(0), acc.recomputed(0));
}

// The eight symmetries of a square board of `size` points.
std::pair<int, int> transformed(int x, int y, int size, int symmetry)
{
    const int n = size - 1;
    if (symmetry & 4)
    {
        std::swap(x, y);
    }
    if (symmetry & 1)
    {
        x = n - x;
    }
    if (symmetry & 2)
    {
        y = n - y;
    }
    return {x, y};
}

TEST(NetworkAccumulator, TheEightSymmetriesOfABoardScoreTheSame)
{
    for (int size : {5, 8, 15, 18})
    {
        const Network net = randomNetwork(static_cast<std::uint32_t>(100 + size));
        std::mt19937 rng(static_cast<std::uint32_t>(size));
        for (int trial = 0; trial < 6; ++trial)
        {
            // Stones near one corner and an edge, so that the walls differ between the images.
            std::vector<std::pair<int, int>> stones;
            const int count = 3 + static_cast<int>(rng() % static_cast<unsigned>(size));
            while (static_cast<int>(stones.size()) < count)
            {
                std::pair<int, int> p{static_cast<int>(rng() % static_cast<unsigned>(size)),
                                      static_cast<int>(rng() % 3)};
                if (std::find(stones.begin(), stones.end(), p) == stones.end())
                {
                    stones.push_back(p);
                }
            }
            int first[2] = {0, 0};
            for (int symmetry = 0; symmetry < 8; ++symmetry)
            {
                Accumulator acc(net, size);
                for (std::size_t i = 0; i < stones.size(); ++i)
                {
                    auto [x, y] = transformed(stones[i].first, stones[i].second, size, symmetry);
                    acc.play(static_cast<Move>(Grid::index(x, y)), static_cast<int>(i % 2));
                }
                for (int colour = 0; colour < 2; ++colour)
                {
                    if (symmetry == 0)
                    {
                        first[colour] = acc.evaluate(colour);
                    }
                    EXPECT_EQ(acc.evaluate(colour), first[colour])
                        << "size " << size << " symmetry " << symmetry;
                }
            }
        }
    }
}

TEST(NetworkAccumulator, AStoneMovedToAnotherPointChangesTheScore)
{
    // The test above would pass for a network that saw nothing: this one sees.
    const Network net = randomNetwork(5);
    Accumulator a(net, 15), b(net, 15);
    a.play(static_cast<Move>(Grid::index(7, 7)), 0);
    a.play(static_cast<Move>(Grid::index(8, 7)), 1);
    b.play(static_cast<Move>(Grid::index(7, 7)), 0);
    b.play(static_cast<Move>(Grid::index(9, 8)), 1);
    EXPECT_NE(a.sums(0), b.sums(0));
}

std::vector<unsigned char> validFile()
{
    return writeNetwork(randomNetwork(3));
}

void putU32(std::vector<unsigned char> &bytes, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
    {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
    }
}

// The header's field number `field` (0 the version ... 11 the checksum).
std::size_t fieldAt(int field)
{
    return sizeof FILE_MAGIC + 4 * static_cast<std::size_t>(field);
}

// The checksum made right again after a change to the header's sizes.
void resum(std::vector<unsigned char> &bytes)
{
    putU32(bytes, fieldAt(11), crc32(bytes.data() + HEADER_BYTES, bytes.size() - HEADER_BYTES));
}

TEST(NetworkFile, WrittenAndReadBackIsTheSameNetwork)
{
    for (const bool correction : {false, true})
    {
        Network net = randomNetwork(3);
        net.correction = correction;
        const std::vector<unsigned char> bytes = writeNetwork(net);
        Network read;
        read.correction = !correction;
        std::string error;
        ASSERT_TRUE(readNetwork(bytes.data(), bytes.size(), read, error)) << error;
        EXPECT_EQ(read.correction, correction);
        EXPECT_EQ(writeNetwork(read), bytes);
    }
    const Network net = randomNetwork(3);
    const std::vector<unsigned char> bytes = writeNetwork(net);
    Network read;
    std::string error;
    ASSERT_TRUE(readNetwork(bytes.data(), bytes.size(), read, error)) << error;
    EXPECT_EQ(read.features, net.features);
    EXPECT_EQ(read.featureBias, net.featureBias);
    EXPECT_EQ(read.hidden1, net.hidden1);
    EXPECT_EQ(read.bias1, net.bias1);
    EXPECT_EQ(read.hidden2, net.hidden2);
    EXPECT_EQ(read.bias2, net.bias2);
    EXPECT_EQ(read.output, net.output);
    EXPECT_EQ(read.outputBias, net.outputBias);
    EXPECT_EQ(read.scoreScale, net.scoreScale);
    EXPECT_EQ(read.tableSteps, TABLE_STEPS);
    EXPECT_EQ(read.note, net.note);
    EXPECT_EQ(writeNetwork(read), bytes);
}

// A file of version 2 kept the feature table in whole activation units: read, it scores every
// position as the same network of version 3 with its table in the finer steps.
TEST(NetworkFile, AnOlderFileKeepsItsTablesUnits)
{
    // A table of small whole values, as an older file held (times 64 they still fit 16 bits).
    Network coarse = randomNetwork(21);
    coarse.tableSteps = 1;
    for (auto &v : coarse.features)
    {
        v = static_cast<std::int16_t>(v / 20);
    }
    Network fine = coarse;
    fine.tableSteps = TABLE_STEPS;
    for (auto &v : fine.features)
    {
        v = static_cast<std::int16_t>(v * TABLE_STEPS);
    }
    for (auto &v : fine.featureBias)
    {
        v *= TABLE_STEPS;
    }
    const std::vector<unsigned char> old = writeNetwork(coarse), now = writeNetwork(fine);
    std::uint32_t oldVersion = 0, nowVersion = 0;
    for (int i = 3; i >= 0; --i)
    {
        oldVersion = oldVersion << 8 | old[fieldAt(0) + static_cast<std::size_t>(i)];
        nowVersion = nowVersion << 8 | now[fieldAt(0) + static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(oldVersion, 2u);
    EXPECT_EQ(nowVersion, FILE_VERSION);
    // Version 1 is version 2 without the correction field.
    std::vector<unsigned char> first = old;
    first.erase(first.begin() + static_cast<std::ptrdiff_t>(fieldAt(8)),
                first.begin() + static_cast<std::ptrdiff_t>(fieldAt(9)));
    putU32(first, fieldAt(0), 1);
    Network readFirst, readOld, readNow;
    readFirst.correction = true;
    std::string error;
    ASSERT_TRUE(readNetwork(first.data(), first.size(), readFirst, error)) << error;
    ASSERT_TRUE(readNetwork(old.data(), old.size(), readOld, error)) << error;
    ASSERT_TRUE(readNetwork(now.data(), now.size(), readNow, error)) << error;
    EXPECT_FALSE(readFirst.correction);
    EXPECT_EQ(readFirst.tableSteps, 1);
    EXPECT_EQ(readOld.tableSteps, 1);
    EXPECT_EQ(readNow.tableSteps, TABLE_STEPS);
    EXPECT_EQ(readFirst.features, readOld.features);
    Accumulator a(readOld, 18), b(readNow, 18);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> coordinate(0, 17);
    std::set<int> scores;
    for (int stone = 0; stone < 40; ++stone)
    {
        const Move m = static_cast<Move>(Grid::index(coordinate(rng), coordinate(rng)));
        a.play(m, stone % 2);
        b.play(m, stone % 2);
        for (int colour = 0; colour < 2; ++colour)
        {
            ASSERT_EQ(a.evaluate(colour), b.evaluate(colour)) << "after stone " << stone;
            scores.insert(a.evaluate(colour));
        }
    }
    EXPECT_GE(scores.size(), 10u)
        << "the scores should differ for the comparison to mean something";
}

TEST(NetworkFile, DamagedFilesAreRefusedAndSayWhy)
{
    struct Case
    {
        const char *name;
        void (*damage)(std::vector<unsigned char> &);
        const char *said;
    };
    const Case cases[] = {
        {"empty", [](std::vector<unsigned char> &b) { b.clear(); }, "shorter than its header"},
        {"header cut", [](std::vector<unsigned char> &b) { b.resize(HEADER_BYTES - 1); },
         "shorter than its header"},
        {"wrong magic", [](std::vector<unsigned char> &b) { b[0] = 'g'; }, "magic"},
        {"magic's last byte", [](std::vector<unsigned char> &b) { b[7] = '\r'; }, "magic"},
        {"newer version", [](std::vector<unsigned char> &b) { putU32(b, fieldAt(0), 4); },
         "version 4"},
        {"no version", [](std::vector<unsigned char> &b) { putU32(b, fieldAt(0), 0); },
         "version 0"},
        {"other features",
         [](std::vector<unsigned char> &b) { putU32(b, fieldAt(1), FEATURES - 1); }, "shape"},
        {"other width", [](std::vector<unsigned char> &b) { putU32(b, fieldAt(2), 16); }, "shape"},
        {"other first layer", [](std::vector<unsigned char> &b) { putU32(b, fieldAt(3), 64); },
         "shape"},
        {"other second layer", [](std::vector<unsigned char> &b) { putU32(b, fieldAt(4), 8); },
         "shape"},
        {"other units", [](std::vector<unsigned char> &b) { putU32(b, fieldAt(6), 32); }, "shape"},
        {"no scale", [](std::vector<unsigned char> &b) { putU32(b, fieldAt(7), 0); }, "scale"},
        {"negative scale", [](std::vector<unsigned char> &b) { putU32(b, fieldAt(7), 0xFFFFFFFF); },
         "scale"},
        {"correction neither 0 nor 1",
         [](std::vector<unsigned char> &b) { putU32(b, fieldAt(8), 2); }, "correction"},
        {"huge note", [](std::vector<unsigned char> &b) { putU32(b, fieldAt(9), 1u << 30); },
         "note"},
        {"note's size off", [](std::vector<unsigned char> &b) { putU32(b, fieldAt(9), 3); },
         "sizes make"},
        {"body's size off",
         [](std::vector<unsigned char> &b)
         {
             std::uint32_t body = static_cast<std::uint32_t>(b.size() - HEADER_BYTES);
             putU32(b, fieldAt(10), body + 2);
         },
         "sizes make"},
        {"cut short", [](std::vector<unsigned char> &b) { b.pop_back(); }, "cut short"},
        {"cut in half", [](std::vector<unsigned char> &b) { b.resize(b.size() / 2); }, "cut short"},
        {"a byte more", [](std::vector<unsigned char> &b) { b.push_back(0); }, "bytes more"},
        {"a weight changed", [](std::vector<unsigned char> &b) { b[HEADER_BYTES + 100] ^= 0x10; },
         "checksum"},
        {"the last byte changed", [](std::vector<unsigned char> &b) { b.back() ^= 1; }, "checksum"},
        {"the checksum changed", [](std::vector<unsigned char> &b) { b[fieldAt(11)] ^= 1; },
         "checksum"},
        {"the note changed", [](std::vector<unsigned char> &b) { b[HEADER_BYTES] ^= 0x20; },
         "checksum"},
    };
    for (const Case &c : cases)
    {
        std::vector<unsigned char> bytes = validFile();
        c.damage(bytes);
        Network net;
        net.note = "untouched";
        std::string error;
        EXPECT_FALSE(readNetwork(bytes.data(), bytes.size(), net, error)) << c.name;
        EXPECT_NE(error.find(c.said), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(net.note, "untouched") << c.name;
    }
    // A size change with its checksum made right is still refused by the sizes.
    std::vector<unsigned char> bytes = validFile();
    bytes.resize(bytes.size() - 2);
    resum(bytes);
    Network net;
    std::string error;
    EXPECT_FALSE(readNetwork(bytes.data(), bytes.size(), net, error));
    EXPECT_NE(error.find("cut short"), std::string::npos) << error;
}

TEST(NetworkFile, AMissingFileIsNamed)
{
    Network net;
    std::string error;
    EXPECT_FALSE(loadNetwork("/nonexistent/weights.g3dn", net, error));
    EXPECT_NE(error.find("/nonexistent/weights.g3dn"), std::string::npos) << error;
}

// The trainer's own export of a network and its scores for some positions, worked out by the
// trainer in its own code: the same scores here, to the unit.
TEST(NetworkFixture, ScoresAreTheTrainers)
{
    Network net;
    std::string error;
    net.correction = true;
    // The fixture's network is a score alone.
    ASSERT_TRUE(loadNetwork(GOMOKU_NETWORK_FIXTURE ".g3dn", net, error)) << error;
    EXPECT_FALSE(net.correction);
    std::ifstream in(GOMOKU_NETWORK_FIXTURE ".txt");
    ASSERT_TRUE(in) << GOMOKU_NETWORK_FIXTURE ".txt";
    std::string line;
    int positions = 0, nonZero = 0;
    std::set<int> scores;
    while (std::getline(in, line))
    {
        if (line.empty() || line[0] == '#')
        {
            continue;
        }
        std::istringstream words(line);
        int size = 0, black = 0, white = 0;
        ASSERT_TRUE(words >> size >> black >> white) << line;
        Accumulator acc(net, size);
        std::string point;
        while (words >> point)
        {
            int x = -1, y = -1;
            ASSERT_EQ(std::sscanf(point.c_str(), "%d,%d", &x, &y), 2) << line;
            acc.play(static_cast<Move>(Grid::index(x, y)), acc.stones() % 2);
        }
        EXPECT_EQ(acc.evaluate(0), black) << line;
        EXPECT_EQ(acc.evaluate(1), white) << line;
        ++positions;
        nonZero += black != 0;
        scores.insert(black);
    }
    // Enough positions, and scores that differ, for the comparison to mean something.
    EXPECT_GE(positions, 20);
    EXPECT_GE(nonZero, positions / 2);
    EXPECT_GE(static_cast<int>(scores.size()), positions / 2);
}

// The search judged by a network: at depth 1 the move chosen scores the network's judgement of the
// position after it, worked out afresh from the stones, so the network's sums followed every stone
// the search played and took back before, in its colour. With no network it is the hand-weighted
// evaluation's, as before; with a network that corrects it, the two added.
TEST(NetworkSearch, TheSearchJudgesByTheNetworkAsTheStonesGo)
{
    const Network net = randomNetwork(11);
    Network correcting = net;
    correcting.correction = true;
    // Quiet middle games on 18 x 18, x,y from the top left, black first.
    const std::vector<std::vector<std::pair<int, int>>> games = {
        {{9, 9}, {10, 10}, {8, 10}, {10, 8}, {7, 7}, {11, 11}},
        {{9, 9}, {9, 10}, {10, 8}, {8, 11}, {11, 11}, {6, 6}, {12, 6}},
        {{4, 4}, {13, 13}, {5, 6}, {12, 11}, {3, 7}, {14, 10}, {8, 2}, {9, 15}},
    };
    Searcher searcher;
    for (const Network *network :
         {&net, static_cast<const Network *>(&correcting), static_cast<const Network *>(nullptr)})
    {
        searcher.useNetwork(network);
        for (std::size_t g = 0; g < games.size(); ++g)
        {
            Position pos(18);
            for (auto [x, y] : games[g])
            {
                pos.play(pos.at(x, y));
            }
            SCOPED_TRACE(testing::Message() << "game " << g
                                            << (network == &correcting ? ", correction"
                                                : network              ? ", network"
                                                                       : ""));
            const Move best = searcher.think(pos, Level::Hard, Limits{0, 0, 1});
            ASSERT_STREQ(searcher.info().reason, "search");
            Accumulator fresh(net, 18);
            for (int i = 0; i < pos.moveCount(); ++i)
            {
                fresh.play(pos.move(i), i % 2);
            }
            fresh.play(best, pos.toMove());
            Position after = pos;
            after.play(best);
            const int judged = network == &correcting
                                   ? evaluate(after) + fresh.evaluate(after.toMove())
                               : network ? fresh.evaluate(after.toMove())
                                         : evaluate(after);
            EXPECT_EQ(searcher.info().score, -judged);
        }
    }
}

} // namespace
