// The transposition table: one entry a slot, zeroed memory from the system (calloc), entries
// told apart by the search that wrote them.
#include "engine/tt.h"

#include <cstdlib>
#include <new>

namespace engine
{

void TranspositionTable::Free::operator()(TableEntry *p) const
{
    std::free(p);
}

TranspositionTable::TranspositionTable(std::size_t bytes)
{
    resize(bytes);
}

void TranspositionTable::resize(std::size_t bytes)
{
    std::size_t n = 1;
    while (n * 2 * sizeof(TableEntry) <= bytes)
    {
        n *= 2;
    }
    entries.reset();
    // Zeroed pages: an entry of search 0, never a current one.
    void *memory = std::calloc(n, sizeof(TableEntry));
    if (memory == nullptr)
    {
        throw std::bad_alloc();
    }
    entries.reset(static_cast<TableEntry *>(memory));
    count = n;
    search = 1;
}

void TranspositionTable::newSearch()
{
    if (++search == 0)
    {
        // After 65535 searches the numbers come round again: forget everything for real.
        resize(bytes());
    }
}

const TableEntry *TranspositionTable::probe(std::uint64_t key) const
{
    const TableEntry &e = entries[key & (count - 1)];
    return e.key == key && e.search == search && e.bound != BOUND_NONE ? &e : nullptr;
}

void TranspositionTable::store(std::uint64_t key, int score, Move move, int depth, Bound bound)
{
    TableEntry &e = entries[key & (count - 1)];
    const bool current = e.search == search;
    // An entry of this search that looked deeper at another position stays.
    if (current && e.key != key && e.depth > depth)
    {
        return;
    }
    if (move == NO_MOVE && current && e.key == key)
    {
        move = e.move; // keep the best move known for the position
    }
    e = TableEntry{key,   static_cast<std::int16_t>(score),
                   move,  static_cast<std::int8_t>(depth),
                   bound, search};
}

} // namespace engine
