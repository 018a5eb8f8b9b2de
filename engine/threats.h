// Threat-space search after L. V. Allis: wins by continuous fours (VCF) and by threes and fours
// (VCT), each within a cap of positions, and the points where one side makes a four or an open
// three, strongest first.
#pragma once

#include "engine/budget.h"
#include "engine/position.h"
#include "engine/task.h"

#include <cstdint>
#include <vector>

namespace engine
{

// The points where `colour` makes a four, then (with `withThrees`) those where it makes an open
// three, each group strongest first (open fours and double fours, four-threes, then by worth);
// at most `capacity` of them. Returns how many.
int orderedThreats(const Position &pos, int colour, bool withThrees, Move *out, int capacity);

// The searches for wins by threats of the side to move in `pos`. They count their positions in
// `budget`, and pause where the search pauses.
class ThreatSearch
{
public:
    ThreatSearch(Position &pos, Budget &budget);

    // A new search: what the earlier ones found is forgotten.
    void newSearch();

    // The next search by fours gives up after `positions` more positions; so does the next one by
    // threes and fours. Whether the last one gave up, rather than finding no win:
    void capFours(std::int64_t positions);
    void capThrees(std::int64_t positions);
    bool foursExhausted() const { return vcfExhausted; }
    bool threesExhausted() const { return vctExhausted; }

    // Plies to the five of the side to move by continuous fours, at most `foursLeft` of them, or
    // 0; `first` gets the first four.
    Task<int> vcf(int foursLeft, Move *first);
    // Plies to the five of the side to move by threes and fours, at most `depthLeft` threats deep
    // beyond a win by fours, or 0.
    Task<int> vct(int depthLeft, Move *first);

    // Whether the side to move was found, in this search, to have no win by threes and fours in
    // the position; and to note that it has none.
    bool refutedByThrees() const;
    void markRefutedByThrees();

    std::int64_t threatNodes = 0; // positions these searches looked at since newSearch()

private:
    // The defender's side of a search by threes and fours.
    Task<int> defend(int depthLeft);
    // What an earlier search by threes and fours found of the position `key` (a win in `plies`,
    // or none, good for `depthLeft`), and to note it.
    bool recall(std::uint64_t key, int depthLeft, int *plies, Move *first) const;
    int remember(std::uint64_t key, int depthLeft, int plies, Move first);

    struct Known
    {
        std::uint64_t key;
        std::int16_t plies; // to the attacker's five; 0: no win
        Move move;          // the attacker's first, for a win
        std::int8_t depth;  // the threats searched: a win within them, or none
        std::uint16_t search;
    };
    struct Refuted
    {
        std::uint64_t key;
        std::int8_t foursLeft;
        std::uint16_t search; // the search that found it: others' entries count as empty
    };

    Position &pos;
    Budget &budget;
    std::int64_t vcfCapAt = 0; // node count at which the current search by fours gives up
    std::int64_t vctCapAt = 0; // and the current search by threes and fours
    bool vcfExhausted = false;
    bool vctExhausted = false;
    std::vector<Refuted> vcfRefuted; // positions with no win by fours, by key
    std::vector<Refuted> vctRefuted; // ... by threes and fours, after a root move
    std::vector<Known> known;        // what the searches by threes and fours found, by key
    std::uint16_t searchNumber = 0;
};

} // namespace engine
