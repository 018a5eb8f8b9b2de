// What each level of the computer may do: how deep and how long it searches, which searches for
// wins by threats it makes, and how much it leaves to chance.
#pragma once

#include <cstdint>

namespace engine
{

enum class Level : std::uint8_t
{
    Easy,   // takes its five and stops a four, sees little else and plays a little at random
    Medium, // a short search and the forced wins by fours
    Hard,   // the whole engine to its time limit
};

inline constexpr int MAX_DEPTH = 40; // the deepest full-width search of any level

struct LevelRules
{
    int maxDepth;               // full-width plies
    std::int64_t defaultNodes;  // budget when none is given
    std::int64_t defaultMs;     // ... in milliseconds
    std::int64_t rootVcfNodes;  // a win by fours at the root
    std::int64_t childVcfNodes; // ... for the other side after each root move
    std::int64_t nodeVcfNodes;  // ... at every other position
    bool threeThreats;          // looks for wins by threes and fours at the root, and for the
                                // other side's after each root move
    int choice;                 // plays any root move this close to the best, at random
    bool lastFours;             // a four of its own at the last ply costs no depth
};

const LevelRules &rulesOf(Level level);

} // namespace engine
