// The order of a move's thinking: answers that need no search first (a five to make, a four to
// stop), then a win by continuous fours, then (hard) by threes and fours, then alpha-beta until
// the budget is spent. Every step is a coroutine that can be suspended at any node (see task.h),
// so the whole of it runs in slices.
#include "engine/search.h"

#include "engine/evaluation.h"
#include "engine/network.h"

#include <algorithm>
#include <limits>

namespace engine
{
namespace
{

constexpr int ROOT_FOURS = 20; // the longest win by fours looked for at the root
constexpr int MAX_VCT_DEPTH = 6;
constexpr int SETTLED_ITERATIONS = 4; // iterations in a row that chose the same move settle it,
constexpr int SETTLED_DEPTH = 6;      // ... the last of them at least this deep

std::uint64_t mix(std::uint64_t z)
{
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

Searcher::Searcher(std::size_t hashBytes)
    : ownTable(hashBytes), budget(steadyMilliseconds), threats(pos, budget)
{
}

Searcher::~Searcher() = default;

void Searcher::start(const Position &position, Level lvl, Limits limits, std::uint64_t seed)
{
    budget.startedAt = budget.now();
    stop();
    pos = position;
    if (wantedNet != net)
    {
        net = wantedNet;
        accumulator.reset();
    }
    if (net != nullptr)
    {
        if (!accumulator)
        {
            accumulator = std::make_unique<nn::Accumulator>(*net, pos.size());
        }
        accumulator->reset(pos.size());
        for (int i = 0; i < pos.moveCount(); ++i)
        {
            const Move m = pos.move(i);
            accumulator->play(m, pos.stone(m) == BLACK ? 0 : 1);
        }
    }
    level = lvl;
    const LevelRules &rules = rulesOf(level);
    if (limits.nodes == 0 && limits.timeMs == 0 && limits.depth == 0)
    {
        limits.nodes = rules.defaultNodes;
        limits.timeMs = rules.defaultMs;
    }
    budget.begin(limits);
    rng = mix(seed ^ mix(pos.key()));
    finished = false;
    searchInfo = SearchInfo{};
    // Unless the table is kept, nothing of an earlier search is, so that the move depends only on
    // the position, the level, the budget and the seed.
    if (tt == &ownTable)
    {
        tt->newSearch(keepingTable); // a helper's searches are its owner's
    }
    order.clear();
    threats.newSearch();
    root = run();
    budget.suspended = root.coroutine(&driver);
    running = true;
}

bool Searcher::step(std::int64_t budgetNodes, std::int64_t milliseconds)
{
    if (!running)
    {
        return true;
    }
    budget.beginSlice(budgetNodes, milliseconds);
    coro::coroutine_handle<> h = budget.suspended;
    budget.suspended = nullptr;
    driver.run(h);
    searchInfo.nodes = budget.nodes;
    searchInfo.threatNodes = threats.threatNodes;
    searchInfo.elapsedMs = budget.now() - budget.startedAt;
    if (root.done())
    {
        running = false;
        root = Task<int>{nullptr};
        return true;
    }
    return false;
}

void Searcher::stop()
{
    running = false;
    budget.suspended = nullptr;
    root = Task<int>{nullptr};
}

void Searcher::helpWith(Searcher &owner, int extra)
{
    tt = owner.tt;
    extraDepth = extra;
    useNetwork(owner.net); // the owner's thought's
}

void Searcher::playMove(Move m)
{
    if (net != nullptr)
    {
        accumulator->play(m, pos.toMove());
    }
    pos.play(m);
}

void Searcher::undoMove()
{
    if (net != nullptr)
    {
        accumulator->undo();
    }
    pos.undo();
}

int Searcher::judge() const
{
    if (net == nullptr)
    {
        return evaluate(pos);
    }
    const int learned = accumulator->evaluate(pos.toMove());
    return std::clamp(net->correction ? evaluate(pos) + learned : learned, -WIN_THRESHOLD + 1,
                      WIN_THRESHOLD - 1);
}

Move Searcher::think(const Position &position, Level lvl, Limits lim, std::uint64_t seed)
{
    start(position, lvl, lim, seed);
    while (!step(std::numeric_limits<std::int64_t>::max()))
    {
    }
    return bestMove();
}

std::vector<Move> Searcher::principalVariation(Move first, int longest) const
{
    std::vector<Move> line;
    Position p = pos;
    for (Move m = first;
         static_cast<int>(line.size()) < longest && p.isEmpty(m) && !p.forbidden(m, p.toMove());)
    {
        line.push_back(m);
        p.play(m);
        TableEntry e{};
        if (p.fiveThrough(m) || p.full() || !tt->probe(p.key(), &e))
        {
            break;
        }
        m = e.move;
    }
    return line;
}

std::uint64_t Searcher::random()
{
    rng = mix(rng);
    return rng;
}

void Searcher::finish(Move m, int score, const char *reason)
{
    searchInfo.best = m;
    searchInfo.score = score;
    searchInfo.reason = reason;
    finished = true;
}

// A five to make, a five to stop, or an open four to make: no search can do better.
Move Searcher::immediateMove(int *score, const char **reason) const
{
    const int me = pos.toMove();
    const int you = me ^ 1;
    if (!pos.fivePoints(me).empty())
    {
        *score = WIN - 1;
        *reason = "five";
        return pos.fivePoints(me).first();
    }
    if (!pos.fivePoints(you).empty() && !pos.forbidden(pos.fivePoints(you).first(), me))
    {
        // Two fives to stop cannot both be stopped; stopping one still makes the other side
        // show it can win. (A five black may not stop is left to the search: it loses anyway.)
        *score = pos.fiveThreats(you) >= 2 ? -(WIN - 2) : 0;
        *reason = "block";
        return pos.fivePoints(you).first();
    }
    if (!pos.flexFourPoints(me).empty())
    {
        *score = WIN - 3;
        *reason = "open four";
        return pos.flexFourPoints(me).first();
    }
    return NO_MOVE;
}

Task<int> Searcher::run()
{
    const LevelRules &rules = rulesOf(level);
    if (pos.full() || (pos.lastMove() != NO_MOVE && pos.fiveThrough(pos.lastMove())))
    {
        finish(NO_MOVE, 0, "game over");
        co_return 0;
    }
    if (pos.moveCount() == 0)
    {
        finish(opening(), 0, "opening");
        co_return 0;
    }
    int score = 0;
    const char *reason = "";
    if (Move m = immediateMove(&score, &reason); m != NO_MOVE)
    {
        finish(m, score, reason);
        co_return 0;
    }
    if (level == Level::Easy)
    {
        finish(chooseEasy(), 0, "easy");
        co_return 0;
    }

    // A win by continuous fours ends the thinking.
    Move first = NO_MOVE;
    const std::int64_t positions = budget.positions();
    threats.capFours(
        std::min(rules.rootVcfNodes, std::max(positions * OWN_FOURS_SHARE, OWN_FOURS_LEAST)));
    if (int plies = co_await threats.vcf(ROOT_FOURS, &first); plies > 0)
    {
        finish(first, WIN - plies, "vcf");
        co_return 0;
    }
    // ... as does one by threes and fours, looked for ever deeper within a share of the budget.
    if (rules.threeThreats)
    {
        threats.capThrees(positions * OWN_THREES_SHARE);
        for (int depth = 1; depth <= MAX_VCT_DEPTH && !budget.stopped && !threats.threesExhausted();
             ++depth)
        {
            first = NO_MOVE;
            if (int plies = co_await threats.vct(depth, &first); plies > 0)
            {
                finish(first, WIN - plies, "vct");
                co_return 0;
            }
        }
    }

    // Would the other side win by threats if it were its move? Then the root moves are judged by
    // whether they stop that. If it would not, no root move can give it such a win: a stone of
    // ours only takes points and lines from it.
    underThreat = false;
    if (rules.threeThreats)
    {
        pos.setToMove(pos.toMove() ^ 1);
        threats.capFours(std::min(rules.rootVcfNodes, positions * THEIR_FOURS_SHARE));
        int plies = co_await threats.vcf(ROOT_FOURS, &first);
        threats.capThrees(positions * THEIR_THREES_SHARE);
        for (int depth = 1;
             depth <= MAX_VCT_DEPTH && plies == 0 && !budget.stopped && !threats.threesExhausted();
             ++depth)
        {
            plies = co_await threats.vct(depth, &first);
        }
        pos.setToMove(pos.toMove() ^ 1);
        underThreat = plies > 0;
        childCap = std::min(rules.childVcfNodes, positions * ANSWER_SHARE);
        childNodesLeft = positions * ANSWERS_SHARE;
    }

    // Alpha-beta, one ply deeper each time, until the budget is spent or the result is sure.
    bool restricted = false;
    TableEntry known{};
    const Move tableMove = tt->probe(pos.key(), &known) ? known.move : NO_MOVE;
    rootCount = order.generate(pos, rootMoves.data(), MAX_MOVES, 0, tableMove, &restricted);
    rootScores.fill(0);
    if (rootCount <= 1)
    {
        finish(rootCount == 1 ? rootMoves[0] : NO_MOVE, 0, "only move");
        co_return 0;
    }
    Move best = rootMoves[0];
    searchInfo.best = best;
    int bestScore = 0;
    int sameBest = 0; // iterations in a row, up to the last, that chose best
    const int maxDepth =
        budget.limits.depth > 0 ? std::min(budget.limits.depth, rules.maxDepth) : rules.maxDepth;
    for (int depth = 1 + extraDepth; depth <= maxDepth && !budget.stopped; ++depth)
    {
        int iterationScore = co_await searchRoot(depth);
        if (iterationBest == NO_MOVE)
        {
            break; // stopped before the first move of this iteration was searched to the end
        }
        sameBest = iterationBest == best ? sameBest + 1 : 1;
        best = iterationBest;
        bestScore = iterationScore;
        searchInfo.best = best;
        searchInfo.score = bestScore;
        if (budget.stopped)
        {
            break;
        }
        searchInfo.depth = depth;
        if (iterationHook)
        {
            SearchInfo sofar = searchInfo;
            sofar.nodes = budget.nodes;
            sofar.threatNodes = threats.threatNodes;
            sofar.elapsedMs = budget.now() - budget.startedAt;
            iterationHook(sofar);
        }
        if (std::abs(bestScore) >= WIN_THRESHOLD)
        {
            break; // a win or a loss that deeper search will not change
        }
        if (budget.limits.settledMs > 0 && sameBest >= SETTLED_ITERATIONS &&
            depth >= SETTLED_DEPTH && budget.now() - budget.startedAt >= budget.limits.settledMs)
        {
            break; // settled: the time left is better spent on later moves
        }
    }
    finish(chooseAmongClose(best, bestScore), bestScore, "search");
    co_return 0;
}

} // namespace engine
