// The transposition table: what it gives back, what it replaces, what it keeps across searches.
#include "engine/tt.h"

#include <gtest/gtest.h>

namespace
{

using namespace engine;

constexpr std::size_t BYTES = std::size_t{1} << 16;

// Keys that all fall in one bucket of a table of BYTES.
std::uint64_t keyInBucket(const TranspositionTable &table, int i)
{
    const std::uint64_t buckets = table.bytes() / 64; // four entries of 16 bytes a bucket
    return 0x1234567890abcdefull + buckets * static_cast<std::uint64_t>(i + 1) * 7;
}

TEST(Table, GivesBackOnlyWhatWasStoredForTheKey)
{
    TranspositionTable table(BYTES);
    table.newSearch(false);
    const std::uint64_t key = keyInBucket(table, 0), sameBucket = keyInBucket(table, 1);
    TableEntry e{};
    EXPECT_FALSE(table.probe(key, &e)) << "an empty table";
    table.store(key, 120, 77, 4, BOUND_LOWER);
    ASSERT_TRUE(table.probe(key, &e));
    EXPECT_EQ(e.score, 120);
    EXPECT_EQ(e.move, 77);
    EXPECT_EQ(e.depth, 4);
    EXPECT_EQ(e.bound, BOUND_LOWER);
    EXPECT_TRUE(table.current(e));
    EXPECT_FALSE(table.probe(sameBucket, &e)) << "another position in the same bucket";
    EXPECT_FALSE(table.probe(key ^ 1, &e)) << "another position in another bucket";

    table.store(key, -3, 12, 2, BOUND_UPPER);
    ASSERT_TRUE(table.probe(key, &e));
    EXPECT_EQ(e.depth, 4) << "a shallower result of the same search does not replace a deeper";
    table.store(key, -3, NO_MOVE, 1, BOUND_EXACT);
    ASSERT_TRUE(table.probe(key, &e));
    EXPECT_EQ(e.bound, BOUND_EXACT) << "an exact one does";
    EXPECT_EQ(e.move, 77) << "and the best move known is kept when it brings none";
}

TEST(Table, HoldsFourABucketAndPushesOutTheShallowest)
{
    TranspositionTable table(BYTES);
    table.newSearch(false);
    const int depths[] = {5, 2, 7, 3};
    for (int i = 0; i < 4; ++i)
        table.store(keyInBucket(table, i), i, static_cast<Move>(i), depths[i], BOUND_EXACT);
    TableEntry e{};
    for (int i = 0; i < 4; ++i)
    {
        ASSERT_TRUE(table.probe(keyInBucket(table, i), &e)) << i;
        EXPECT_EQ(e.score, i);
    }
    table.store(keyInBucket(table, 4), 4, 4, 4, BOUND_EXACT);
    EXPECT_TRUE(table.probe(keyInBucket(table, 4), &e));
    EXPECT_FALSE(table.probe(keyInBucket(table, 1), &e)) << "depth 2, the shallowest, went";
    for (int i : {0, 2, 3})
        EXPECT_TRUE(table.probe(keyInBucket(table, i), &e)) << i;
}

TEST(Table, ForgetsOrKeepsEarlierSearchesAsAsked)
{
    TranspositionTable table(BYTES);
    table.newSearch(false);
    const std::uint64_t key = keyInBucket(table, 0);
    table.store(key, 9, 33, 6, BOUND_EXACT);
    TableEntry e{};

    table.newSearch(true);
    ASSERT_TRUE(table.probe(key, &e)) << "kept for the next search";
    EXPECT_FALSE(table.current(e)) << "and known as an earlier search's";
    EXPECT_EQ(e.move, 33);

    // An entry of an earlier search goes before a shallower one of this search.
    for (int i = 1; i < 4; ++i)
        table.store(keyInBucket(table, i), i, 0, 1, BOUND_EXACT);
    table.store(keyInBucket(table, 4), 4, 0, 1, BOUND_EXACT);
    EXPECT_FALSE(table.probe(key, &e)) << "the deep entry of the earlier search was pushed out";

    table.store(key, 9, 33, 6, BOUND_EXACT);
    table.newSearch(false);
    EXPECT_FALSE(table.probe(key, &e)) << "a new search on its own forgets the last";
    table.store(key, -2, NO_MOVE, 3, BOUND_UPPER);
    ASSERT_TRUE(table.probe(key, &e));
    EXPECT_EQ(e.move, NO_MOVE) << "nor does the forgotten search lend it its best move";
    table.store(key, 9, 33, 6, BOUND_EXACT);
    table.newSearch(true);
    table.store(key, -2, NO_MOVE, 3, BOUND_UPPER);
    ASSERT_TRUE(table.probe(key, &e));
    EXPECT_EQ(e.move, 33) << "a kept search does";
    table.clear();
    table.newSearch(true);
    EXPECT_FALSE(table.probe(key, &e)) << "a cleared table keeps nothing";
}

} // namespace
