// The transposition table: what the current search found out about positions, by position key,
// in a table of fixed size where deeper results push shallower ones out. Entries of earlier
// searches count as empty, so a search never depends on the searches before it.
#pragma once

#include "engine/position.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace engine
{

enum Bound : std::uint8_t
{
    BOUND_NONE,
    BOUND_UPPER, // the score is at most this
    BOUND_LOWER, // the score is at least this
    BOUND_EXACT,
};

struct TableEntry
{
    std::uint64_t key;
    std::int16_t score;
    Move move;
    std::int8_t depth;
    std::uint8_t bound;
    std::uint16_t search; // the search that wrote it
};
static_assert(sizeof(TableEntry) == 16);

class TranspositionTable
{
public:
    // At most `bytes` of entries: the largest power of two of them that fits, and at least one.
    explicit TranspositionTable(std::size_t bytes);

    // Memory is taken from the system as the search first touches it, so a large table costs
    // nothing until it is used.
    void resize(std::size_t bytes);
    // Begins a new search: everything stored before is forgotten at once.
    void newSearch();

    // The entry for `key`, or null.
    const TableEntry *probe(std::uint64_t key) const;
    void store(std::uint64_t key, int score, Move move, int depth, Bound bound);

    std::size_t bytes() const { return count * sizeof(TableEntry); }

private:
    struct Free
    {
        void operator()(TableEntry *p) const;
    };
    std::unique_ptr<TableEntry[], Free> entries;
    std::size_t count = 0;
    std::uint16_t search = 1;
};

} // namespace engine
