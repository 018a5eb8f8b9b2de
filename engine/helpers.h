// Searchers on threads of their own that help the brain's searcher think about its move (Lazy
// SMP): each searches the same position into the brain's table, its iterations a ply ahead of
// the brain's or in step with them, so that what one finds the others probe; the brain's own
// searcher still chooses the move. None by default: with them the move depends on how the
// threads ran, and the game's levels never use them.
#pragma once

#include "engine/search.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace engine
{

class SearchHelpers
{
public:
    static constexpr int MAX_HELPERS = 63;

    SearchHelpers() = default;
    ~SearchHelpers() { end(); }
    SearchHelpers(const SearchHelpers &) = delete;
    SearchHelpers &operator=(const SearchHelpers &) = delete;

    // How many helpers think beside the owner, at most MAX_HELPERS; not while they think.
    void setCount(int helpers);
    int count() const { return static_cast<int>(searchers.size()); }

    // The helpers begin thinking about `pos` into `owner`'s table, which must have started on
    // it; they go on until end() (or until `limits`' time runs out, when there is one).
    void begin(Searcher &owner, const Position &pos, Limits limits, std::uint64_t seed);
    // Stops them, within a few thousand positions each, and waits for them.
    void end();

private:
    std::vector<std::unique_ptr<Searcher>> searchers;
    std::vector<std::thread> threads;
    std::atomic<bool> stopping{false};
};

} // namespace engine
