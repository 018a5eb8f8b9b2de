// The transposition table: what the search found out about positions, by position key, in a
// table of fixed size. Four entries share a bucket (a cache line); a new result pushes out the
// entry of an older search first, then the shallowest. Entries of earlier searches are either
// forgotten (each search on its own, as the game's levels think) or kept and used (the brain,
// whose table carries what one move's search learnt into the next).
//
// Threads may share one table: an entry is two 64-bit words written and read one at a time, the
// key stored mixed with the data, so that an entry torn by two threads writing at once no longer
// matches its key and is not used.
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
    std::int16_t score;
    Move move;
    std::int8_t depth;
    std::uint8_t bound;
    std::uint16_t search; // the search that wrote it
};

class TranspositionTable
{
public:
    // At most `bytes` of entries: the largest power of two of buckets that fits, and at least one.
    explicit TranspositionTable(std::size_t bytes);

    // Memory is taken from the system as the search first touches it, so a large table costs
    // nothing until it is used.
    void resize(std::size_t bytes);
    // Empties the table.
    void clear();
    // Begins a new search. With `keep`, what earlier searches stored is still used; without, it is
    // forgotten at once.
    void newSearch(bool keep);

    // The entry for `key`, if there is one.
    bool probe(std::uint64_t key, TableEntry *entry) const;
    // Whether the entry was stored by the current search, rather than kept from an earlier one.
    bool current(const TableEntry &entry) const { return entry.search == search; }
    void store(std::uint64_t key, int score, Move move, int depth, Bound bound);

    std::size_t bytes() const { return buckets * sizeof(Bucket); }

private:
    struct Slot
    {
        std::uint64_t check; // the key mixed with the data
        std::uint64_t data;  // a TableEntry's fields
    };
    static constexpr int WAYS = 4;
    struct Bucket
    {
        Slot slots[WAYS];
    };
    struct Free
    {
        void operator()(Bucket *p) const;
    };

    std::unique_ptr<Bucket[], Free> table;
    std::size_t buckets = 0;
    std::uint16_t search = 1;
    bool keepOlder = false;
};

} // namespace engine
