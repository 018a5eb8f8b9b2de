// The tests' own solver of tactics: wins by continuous fours (VCF) and by threes and fours (VCT)
// in the sense of L. V. Allis's threat-space search (1994), proved on a plain board by trying
// every point, and defences that hold against them. It is slow and simple on purpose: it shares
// no code with the engine and makes no guess, so what it proves the engine can be held to.
//
// The game it proves in:
// - The attacker plays only threats: a four (it then has a point that makes five) or, with
//   threes allowed, a three (it then has a point that makes an open four or two fours at once).
// - After a four the defender must stop it, unless it makes five itself. After a three the
//   defender may play any point that leaves the attacker no such open-four point, or any four of
//   its own, anywhere; after the defender's four the attacker must stop it (that stone costs the
//   attacker a move but no threat), and the defender is to move again with the three still there.
// - A defender's own five, or two points where it makes five, ends the attack; so does an
//   attacker who is left without a threat standing (the defender has a free move then).
// Lengths count the attacker's own stones, the five included: an open four wins in 2, a four
// and then an open four in 3. The defender makes every win as long as it can.
#pragma once

#include "tests/engine/solver/board.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace solver
{

enum class Threats : std::uint8_t
{
    Fours,          // wins by continuous fours
    ThreesAndFours, // wins by threes and fours
};

struct Verdict
{
    enum Kind : std::uint8_t
    {
        Unknown, // the solver ran out of its node limit
        Win,
        NoWin, // no win within the length asked for
    };
    Kind kind = Unknown;
    int moves = 0; // for a win: the attacker's stones to five at most, against any defence

    bool win() const { return kind == Win; }
    bool noWin() const { return kind == NoWin; }
    static Verdict won(int moves) { return Verdict{Win, moves}; }
    static Verdict none() { return Verdict{NoWin, 0}; }
    static Verdict unknown() { return Verdict{Unknown, 0}; }
};

class Solver
{
public:
    // Thinks on `board`, which it changes while it thinks and leaves as it found it. Past
    // `nodeLimit` positions (0: no limit) every answer is Unknown.
    Solver(Board &board, Threats threats, std::int64_t nodeLimit = 0);

    // `attacker` to move: does it make five within `moves` of its own stones, however the
    // defender answers?
    Verdict attack(int attacker, int moves);
    // The same after the attacker's stone: the defender to move.
    Verdict afterThreat(int attacker, int moves);
    // The shortest win of `who` to move, looked for with 1, 2 ... `maxMoves` stones.
    Verdict shortestWin(int who, int maxMoves);

    // Every empty point from which `who` to move wins within `moves` (a four of the other side
    // must be stopped, so then only its point can). `known` is set false when some point's
    // verdict stayed unknown.
    std::vector<int> winningMoves(int who, int moves, bool *known);
    // Every empty point after which the other side has no win within `moves`. A four of `who`
    // holds only if, once it is stopped, `who` again has a point that holds.
    std::vector<int> holdingMoves(int who, int moves, bool *known);

    // The empty points where `who` makes a four, and those where it makes an open four or two
    // fours at once ("open-four points"), when `who` has no point that makes five.
    std::vector<int> fourMoves(int who);
    std::vector<int> openFourPoints(int who);

private:
    struct Known
    {
        std::uint64_t check = 0;
        std::int16_t winMoves = 0;   // a win found within this many stones (0: none)
        std::int16_t failMoves = -1; // no win within this many stones (-1: not known)
    };
    enum NodeKind : std::uint8_t
    {
        ATTACK,
        AFTER_THREAT,
        HOLD,
    };

    bool spent();
    bool leavesFives(int q, int who, int enough);
    bool threeAt(int p, int who);
    std::vector<int> threatMoves(int attacker);
    std::vector<int> defences(int attacker, const std::vector<int> &openFours);
    bool holds(int who, int point, int moves, bool *unknown);
    bool canHold(int who, int moves, bool *unknown);

    std::uint64_t memoKey(NodeKind kind, int who) const;
    Verdict recall(NodeKind kind, int who, int moves) const;
    void remember(NodeKind kind, int who, int moves, const Verdict &v);

    Board &board;
    Threats threats;
    std::int64_t nodeLimit;
    std::int64_t nodeCount = 0;
    std::unordered_map<std::uint64_t, Known> memo;
};

} // namespace solver
