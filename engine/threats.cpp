// Threat-space search after L. V. Allis: the attacker plays only threats, so the defender's
// answers are few. By fours (VCF) every answer is forced; by threes and fours (VCT) the defender
// may answer a three at any point that stops it or with a four of its own, and each must fail.
#include "engine/threats.h"

#include <algorithm>

namespace engine
{
namespace
{

constexpr int MAX_FOURS = 96;    // fours considered at one position
constexpr int VCT_BRANCH = 12;   // the attacker's threats tried at one position
constexpr int MAX_DEFENCES = 64; // the defender's answers to a three
constexpr int VCT_FOURS = 10;    // how deep a search by fours inside the search by threes goes
constexpr std::int64_t VCT_VCF_CAP = 300;
// Told into a position's key when the defender is to move against the attacker's threats, so
// that the same stones with the same side to move as the attacker are another entry.
constexpr std::uint64_t DEFENDER_KEY = 0x5bd1e9955bd1e995ull;

int strength(const Position &pos, Move m, int colour)
{
    return pos.threat(m, colour) * 100000 + pos.value(m, colour);
}

void sortByStrength(const Position &pos, int colour, Move *begin, Move *end)
{
    std::sort(begin, end,
              [&](Move a, Move b)
              {
                  int sa = strength(pos, a, colour);
                  int sb = strength(pos, b, colour);
                  return sa != sb ? sa > sb : a < b;
              });
}

} // namespace

int orderedThreats(const Position &pos, int colour, bool withThrees, Move *out, int capacity)
{
    int n = 0;
    pos.fourPoints(colour).forEach(
        [&](Move m)
        {
            if (n < capacity)
            {
                out[n++] = m;
            }
        });
    sortByStrength(pos, colour, out, out + n);
    if (withThrees)
    {
        int fours = n;
        pos.threePoints(colour).forEach(
            [&](Move m)
            {
                if (n < capacity && !pos.fourPoints(colour).has(m))
                {
                    out[n++] = m;
                }
            });
        sortByStrength(pos, colour, out + fours, out + n);
    }
    return n;
}

ThreatSearch::ThreatSearch(Position &position, Budget &searchBudget)
    : pos(position), budget(searchBudget), vcfRefuted(std::size_t{1} << 16, Refuted{0, -1, 0}),
      vctRefuted(std::size_t{1} << 12, Refuted{0, -1, 0}),
      known(std::size_t{1} << 14, Known{0, 0, NO_MOVE, 0, 0})
{
}

void ThreatSearch::newSearch()
{
    threatNodes = 0;
    if (++searchNumber == 0)
    {
        std::fill(vcfRefuted.begin(), vcfRefuted.end(), Refuted{0, -1, 0});
        std::fill(vctRefuted.begin(), vctRefuted.end(), Refuted{0, -1, 0});
        std::fill(known.begin(), known.end(), Known{0, 0, NO_MOVE, 0, 0});
        searchNumber = 1;
    }
}

void ThreatSearch::capFours(std::int64_t positions)
{
    vcfCapAt = budget.nodes + positions;
    vcfExhausted = false;
}

void ThreatSearch::capThrees(std::int64_t positions)
{
    vctCapAt = budget.nodes + positions;
    vctExhausted = false;
}

bool ThreatSearch::refutedByThrees() const
{
    const Refuted &r = vctRefuted[pos.key() & (vctRefuted.size() - 1)];
    return r.search == searchNumber && r.key == pos.key();
}

void ThreatSearch::markRefutedByThrees()
{
    vctRefuted[pos.key() & (vctRefuted.size() - 1)] = Refuted{pos.key(), 0, searchNumber};
}

// Gives up at vcfCapAt.
Task<int> ThreatSearch::vcf(int foursLeft, Move *first)
{
    co_await budget.checkpoint();
    ++threatNodes;
    const int attacker = pos.toMove();
    const int defender = attacker ^ 1;
    if (!pos.fivePoints(attacker).empty())
    {
        *first = pos.fivePoints(attacker).first();
        co_return 1;
    }
    const PointSet &threats = pos.fivePoints(defender);
    const int defenderFives = pos.fiveThreats(defender);
    if (defenderFives >= 2 || foursLeft <= 0)
    {
        co_return 0;
    }
    if (budget.stopped || budget.nodes >= vcfCapAt)
    {
        vcfExhausted = true;
        co_return 0;
    }
    Refuted &known = vcfRefuted[pos.key() & (vcfRefuted.size() - 1)];
    if (known.search == searchNumber && known.key == pos.key() && known.foursLeft >= foursLeft)
    {
        co_return 0;
    }

    Move fours[MAX_FOURS];
    int count = 0;
    if (defenderFives == 1)
    {
        // The defender's four must be stopped first; that keeps the attack going only if the
        // stopping stone is itself a four.
        Move block = threats.first();
        if (pos.fourPoints(attacker).has(block))
        {
            fours[count++] = block;
        }
    }
    else
    {
        count = orderedThreats(pos, attacker, false, fours, MAX_FOURS);
    }

    for (int i = 0; i < count; ++i)
    {
        Move m = fours[i];
        if (pos.threat(m, attacker) == T_FLEX4)
        {
            *first = m;
            co_return 3; // two points to five: one is stopped, the other wins
        }
        pos.play(m);
        int length = 0;
        // The point the four leaves is the defender's only answer, unless the defender has a
        // five of its own to make.
        Move reply = pos.fivePoints(attacker).first();
        if (pos.fivePoints(defender).empty() && pos.fiveThreats(attacker) >= 2)
        {
            length = 1; // the defender may not stop it (black, on a forbidden point): five next
        }
        else if (pos.fivePoints(defender).empty() && reply != NO_MOVE)
        {
            pos.play(reply);
            Move next = NO_MOVE;
            length = co_await vcf(foursLeft - 1, &next);
            pos.undo();
        }
        pos.undo();
        if (length > 0)
        {
            *first = m;
            co_return length + 2;
        }
        if (vcfExhausted)
        {
            co_return 0;
        }
    }
    known = Refuted{pos.key(), static_cast<std::int8_t>(foursLeft), searchNumber};
    co_return 0;
}

// Gives up at vctCapAt.
Task<int> ThreatSearch::vct(int depthLeft, Move *first)
{
    co_await budget.checkpoint();
    ++threatNodes;
    const int attacker = pos.toMove();
    const int defender = attacker ^ 1;
    if (!pos.fivePoints(attacker).empty())
    {
        *first = pos.fivePoints(attacker).first();
        co_return 1;
    }
    const PointSet &threats = pos.fivePoints(defender);
    const int defenderFives = pos.fiveThreats(defender);
    if (defenderFives >= 2)
    {
        co_return 0;
    }
    if (budget.stopped || budget.nodes >= vctCapAt)
    {
        vctExhausted = true;
        co_return 0;
    }
    const std::uint64_t key = pos.key();
    if (int known = 0; recall(key, depthLeft, &known, first))
    {
        co_return known;
    }
    if (defenderFives == 1)
    {
        // The defender has made a four on its way: the attacker stops it, and the defender must
        // still meet the threats the attacker had.
        Move block = threats.first();
        pos.play(block);
        int rest = co_await defend(depthLeft);
        pos.undo();
        *first = block;
        co_return remember(key, depthLeft, rest > 0 ? rest + 1 : 0, block);
    }
    capFours(VCT_VCF_CAP);
    int byFours = co_await vcf(VCT_FOURS, first);
    if (byFours > 0 || depthLeft <= 0)
    {
        co_return byFours > 0 ? remember(key, depthLeft, byFours, *first) : 0;
    }

    Move moves[VCT_BRANCH];
    const int count = orderedThreats(pos, attacker, true, moves, VCT_BRANCH);
    for (int i = 0; i < count; ++i)
    {
        Move m = moves[i];
        if (pos.threat(m, attacker) == T_FLEX4)
        {
            *first = m;
            co_return remember(key, depthLeft, 3, m);
        }
        pos.play(m);
        int length = 0;
        Move next = NO_MOVE;
        if (!pos.fivePoints(attacker).empty() && pos.fivePoints(defender).empty() &&
            pos.fiveThreats(attacker) >= 2)
        {
            length = 3; // a four black may not stop: five next
        }
        else if (!pos.fivePoints(attacker).empty())
        {
            // A four: one answer.
            pos.play(pos.fivePoints(attacker).first());
            int rest = co_await vct(depthLeft - 1, &next);
            pos.undo();
            length = rest > 0 ? rest + 2 : 0;
        }
        else
        {
            int rest = co_await defend(depthLeft - 1);
            length = rest > 0 ? rest + 1 : 0;
        }
        pos.undo();
        if (length > 0)
        {
            *first = m;
            co_return remember(key, depthLeft, length, m);
        }
        if (budget.stopped || vctExhausted)
        {
            co_return 0;
        }
    }
    co_return remember(key, depthLeft, 0, NO_MOVE);
}

// The defender to move, against the attacker's open threes (or a four): plies to the
// attacker's five whatever the defender does, or 0. The defender may win first by fours of its
// own, answer at any point that could stop a three (where the attacker would make a four), or
// play a four of its own: the attacker must stop that, and the defender is where it was, a stone
// each later (Allis: the defender's fours are forced interpositions). Every answer must lose.
Task<int> ThreatSearch::defend(int depthLeft)
{
    co_await budget.checkpoint();
    ++threatNodes;
    const int defender = pos.toMove();
    const int attacker = defender ^ 1;
    if (!pos.fivePoints(defender).empty())
    {
        co_return 0;
    }
    const PointSet &fives = pos.fivePoints(attacker);
    if (pos.fiveThreats(attacker) >= 2)
    {
        co_return 2; // more fives than one stone stops, or one black may not stop under renju
    }
    Move unused = NO_MOVE;
    if (!fives.empty())
    {
        // The attacker has a four (its stone that stopped a four of the defender's made one):
        // one answer, and the attack goes on.
        pos.play(fives.first());
        int rest = co_await vct(depthLeft, &unused);
        pos.undo();
        co_return rest > 0 ? rest + 1 : 0;
    }
    if (pos.flexFourPoints(attacker).empty())
    {
        co_return 0; // no threat left to meet: the defender has a free move
    }
    if (budget.stopped || budget.nodes >= vctCapAt)
    {
        vctExhausted = true;
        co_return 0;
    }
    const std::uint64_t key = pos.key() ^ DEFENDER_KEY;
    if (int known = 0; recall(key, depthLeft, &known, &unused))
    {
        co_return known;
    }
    capFours(VCT_VCF_CAP);
    if (int counter = co_await vcf(VCT_FOURS, &unused); counter > 0 || vcfExhausted)
    {
        co_return counter > 0 ? remember(key, depthLeft, 0, NO_MOVE) : 0;
    }
    PointSet answers = pos.fourPoints(attacker);
    answers |= pos.fourPoints(defender);
    Move defences[MAX_DEFENCES];
    int n = 0;
    bool tooMany = false;
    answers.forEach(
        [&](Move r)
        {
            if (pos.forbidden(r, defender))
            {
                return; // under renju, not an answer black may give
            }
            if (n < MAX_DEFENCES)
            {
                defences[n++] = r;
            }
            else
            {
                tooMany = true;
            }
        });
    if (tooMany || n == 0)
    {
        co_return 0;
    }
    int longest = 0;
    for (int j = 0; j < n; ++j)
    {
        pos.play(defences[j]);
        int length = 0;
        if (pos.fiveThreats(defender) >= 2)
        {
            length = 0; // an open or double four of the defender's: it wins first
        }
        else if (!pos.fivePoints(defender).empty())
        {
            pos.play(pos.fivePoints(defender).first());
            int rest = co_await defend(depthLeft);
            pos.undo();
            length = rest > 0 ? rest + 2 : 0;
        }
        else
        {
            int rest = co_await vct(depthLeft, &unused);
            length = rest > 0 ? rest + 1 : 0;
        }
        pos.undo();
        if (length == 0)
        {
            if (budget.stopped || vctExhausted)
            {
                co_return 0;
            }
            co_return remember(key, depthLeft, 0, NO_MOVE);
        }
        longest = std::max(longest, length);
    }
    co_return remember(key, depthLeft, longest, NO_MOVE);
}

bool ThreatSearch::recall(std::uint64_t key, int depthLeft, int *plies, Move *first) const
{
    const Known &k = known[key & (known.size() - 1)];
    if (k.search != searchNumber || k.key != key)
    {
        return false;
    }
    // A win found with fewer threats is a win with more; no win within more threats is none
    // within fewer.
    if (k.plies > 0 ? depthLeft >= k.depth : depthLeft <= k.depth)
    {
        *plies = k.plies;
        if (k.plies > 0)
        {
            *first = k.move;
        }
        return true;
    }
    return false;
}

int ThreatSearch::remember(std::uint64_t key, int depthLeft, int plies, Move first)
{
    // A search cut short found no win, but did not show there is none.
    if (plies > 0 || !(budget.stopped || vctExhausted))
    {
        known[key & (known.size() - 1)] = Known{key, static_cast<std::int16_t>(plies), first,
                                                static_cast<std::int8_t>(depthLeft), searchNumber};
    }
    return plies;
}

} // namespace engine
