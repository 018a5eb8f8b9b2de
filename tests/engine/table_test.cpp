// The transposition table: it gives back what was stored for a key and nothing stored for
// another key in the same slot, forgets everything at a new search, and keeps the deeper of two
// positions that share a slot.
#include "engine/tt.h"

#include <gtest/gtest.h>

namespace
{

using namespace engine;

TEST(Table, GivesBackOnlyWhatWasStoredForTheKey)
{
    TranspositionTable table(std::size_t{1} << 16); // 4,096 entries
    const std::uint64_t slots = (std::size_t{1} << 16) / sizeof(TableEntry);
    const std::uint64_t key = 0x1234567890abcdefull, sameSlot = key + slots * 5;
    table.newSearch();
    EXPECT_EQ(table.probe(key), nullptr) << "an empty table";
    table.store(key, 120, 77, 4, BOUND_LOWER);
    const TableEntry *e = table.probe(key);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->score, 120);
    EXPECT_EQ(e->move, 77);
    EXPECT_EQ(e->depth, 4);
    EXPECT_EQ(e->bound, BOUND_LOWER);
    EXPECT_EQ(table.probe(sameSlot), nullptr) << "another position in the same slot";
    EXPECT_EQ(table.probe(key ^ 1), nullptr) << "another position in another slot";

    table.store(sameSlot, -50, 12, 2, BOUND_EXACT);
    EXPECT_NE(table.probe(key), nullptr) << "a shallower position does not push a deeper one out";
    EXPECT_EQ(table.probe(sameSlot), nullptr);
    table.store(sameSlot, -50, 12, 6, BOUND_EXACT);
    ASSERT_NE(table.probe(sameSlot), nullptr) << "a deeper one does";
    EXPECT_EQ(table.probe(sameSlot)->score, -50);
    EXPECT_EQ(table.probe(key), nullptr);

    table.newSearch();
    EXPECT_EQ(table.probe(sameSlot), nullptr) << "a new search forgets the last";
}

} // namespace
