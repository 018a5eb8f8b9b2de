// The transposition table: buckets of four entries in zeroed memory from the system (calloc),
// each entry two words read and written whole, so that threads may share it.
#include "engine/tt.h"

#include <cstdlib>
#include <new>

namespace engine
{
namespace
{

std::uint64_t pack(const TableEntry &e)
{
    return static_cast<std::uint64_t>(static_cast<std::uint16_t>(e.score)) |
           static_cast<std::uint64_t>(e.move) << 16 |
           static_cast<std::uint64_t>(static_cast<std::uint8_t>(e.depth)) << 32 |
           static_cast<std::uint64_t>(e.bound) << 40 | static_cast<std::uint64_t>(e.search) << 48;
}

TableEntry unpack(std::uint64_t data)
{
    return TableEntry{
        static_cast<std::int16_t>(data & 0xffff), static_cast<Move>((data >> 16) & 0xffff),
        static_cast<std::int8_t>((data >> 32) & 0xff),
        static_cast<std::uint8_t>((data >> 40) & 0xff), static_cast<std::uint16_t>(data >> 48)};
}

// One word at a time, whole: another thread sees the old word or the new, never a mixture.
std::uint64_t load(const std::uint64_t &word)
{
    return __atomic_load_n(&word, __ATOMIC_RELAXED);
}

void save(std::uint64_t &word, std::uint64_t value)
{
    __atomic_store_n(&word, value, __ATOMIC_RELAXED);
}

} // namespace

void TranspositionTable::Free::operator()(Bucket *p) const
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
    while (n * 2 * sizeof(Bucket) <= bytes)
    {
        n *= 2;
    }
    table.reset();
    // Zeroed pages: a bound of BOUND_NONE, never an entry.
    void *memory = std::calloc(n, sizeof(Bucket));
    if (memory == nullptr)
    {
        throw std::bad_alloc();
    }
    table.reset(static_cast<Bucket *>(memory));
    buckets = n;
    search = 1;
}

void TranspositionTable::clear()
{
    resize(bytes());
}

void TranspositionTable::newSearch(bool keep)
{
    keepOlder = keep;
    if (++search == 0)
    {
        // After 65535 searches the numbers come round again: forget everything for real.
        clear();
    }
}

bool TranspositionTable::probe(std::uint64_t key, TableEntry *entry) const
{
    const Bucket &b = table[key & (buckets - 1)];
    for (const Slot &s : b.slots)
    {
        const std::uint64_t data = load(s.data);
        if ((load(s.check) ^ data) != key)
        {
            continue;
        }
        TableEntry e = unpack(data);
        if (e.bound == BOUND_NONE || (!keepOlder && e.search != search))
        {
            return false;
        }
        *entry = e;
        return true;
    }
    return false;
}

void TranspositionTable::store(std::uint64_t key, int score, Move move, int depth, Bound bound)
{
    Bucket &b = table[key & (buckets - 1)];
    Slot *target = nullptr;
    int worst = 1 << 30;
    for (Slot &s : b.slots)
    {
        const std::uint64_t data = load(s.data);
        TableEntry e = unpack(data);
        if ((load(s.check) ^ data) == key)
        {
            // Keep the best move known for the position, but not one of a search the table is
            // to forget: the move would outlive its search and make this one's depend on it.
            if (move == NO_MOVE && e.bound != BOUND_NONE && (keepOlder || e.search == search))
            {
                move = e.move;
            }
            // A deeper result of this search stays, unless the new one is exact.
            if (e.search == search && e.depth > depth && bound != BOUND_EXACT)
            {
                return;
            }
            target = &s;
            break;
        }
        // Empty slots first, then entries of older searches, then the shallowest.
        const int worth = e.bound == BOUND_NONE ? -(1 << 20)
                          : e.search != search  ? e.depth - 256
                                                : e.depth;
        if (worth < worst)
        {
            worst = worth;
            target = &s;
        }
    }
    const std::uint64_t data =
        pack(TableEntry{static_cast<std::int16_t>(score), move, static_cast<std::int8_t>(depth),
                        static_cast<std::uint8_t>(bound), search});
    save(target->check, key ^ data);
    save(target->data, data);
}

} // namespace engine
