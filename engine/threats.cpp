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
      vctRefuted(std::size_t{1} << 12, Refuted{0, -1, 0})
{
}

void ThreatSearch::newSearch()
{
    threatNodes = 0;
    if (++searchNumber == 0)
    {
        std::fill(vcfRefuted.begin(), vcfRefuted.end(), Refuted{0, -1, 0});
        std::fill(vctRefuted.begin(), vctRefuted.end(), Refuted{0, -1, 0});
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
    capFours(VCT_VCF_CAP);
    int byFours = co_await vcf(VCT_FOURS, first);
    if (byFours > 0 || depthLeft <= 0)
    {
        co_return byFours;
    }

    Move moves[VCT_BRANCH];
    int count = 0;
    if (defenderFives == 1)
    {
        Move block = threats.first();
        if (pos.threat(block, attacker) >= T_THREE)
        {
            moves[count++] = block;
        }
    }
    else
    {
        count = orderedThreats(pos, attacker, true, moves, VCT_BRANCH);
    }

    for (int i = 0; i < count; ++i)
    {
        Move m = moves[i];
        if (pos.threat(m, attacker) == T_FLEX4)
        {
            *first = m;
            co_return 3;
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
            // A three: the defender wins first by fours of its own, or answers at a point that
            // could stop it (where the attacker would make a four) or with a four; every answer
            // must lose.
            capFours(VCT_VCF_CAP);
            int counter = co_await vcf(VCT_FOURS, &next);
            if (counter == 0 && !vcfExhausted)
            {
                PointSet answers = pos.fourPoints(attacker);
                answers |= pos.fourPoints(defender);
                Move defences[MAX_DEFENCES];
                int n = 0;
                answers.forEach(
                    [&](Move r)
                    {
                        if (n < MAX_DEFENCES && !pos.forbidden(r, defender))
                        {
                            defences[n++] = r;
                        }
                    });
                int longest = 0;
                for (int j = 0; j < n; ++j)
                {
                    pos.play(defences[j]);
                    int rest = co_await vct(depthLeft - 1, &next);
                    pos.undo();
                    if (rest == 0)
                    {
                        longest = 0;
                        break;
                    }
                    longest = std::max(longest, rest);
                }
                length = longest > 0 && n > 0 && n < MAX_DEFENCES ? longest + 2 : 0;
            }
        }
        pos.undo();
        if (length > 0)
        {
            *first = m;
            co_return length;
        }
        if (budget.stopped || vctExhausted)
        {
            co_return 0;
        }
    }
    co_return 0;
}

} // namespace engine
