// The search: answers that need no search first (a five to make, a four to stop), then a win by
// continuous fours, then (hard) by threes and fours, then alpha-beta with principal-variation
// search and iterative deepening until the budget is spent. Every step is a coroutine that can
// be suspended at any node (see task.h), so the whole of it runs in slices.
#include "engine/search.h"

#include "engine/threats.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace engine
{
namespace
{

constexpr int INFINITE = 32000;
constexpr int MAX_BRANCH = 20; // moves tried at a position below the root
constexpr int MAX_DEPTH = 40;
constexpr int ROOT_FOURS = 20; // the longest win by fours looked for at the root
constexpr int NODE_FOURS = 12; // ... and at the other positions
constexpr int MAX_VCT_DEPTH = 6;
constexpr std::int64_t CLOCK_EVERY = 32; // nodes between two looks at the clock

// What each level may do.
struct LevelRules
{
    int maxDepth;              // full-width plies
    std::int64_t defaultNodes; // budget when none is given
    std::int64_t defaultMs;
    std::int64_t rootVcfNodes;  // a win by fours at the root
    std::int64_t childVcfNodes; // ... for the other side after each root move
    std::int64_t nodeVcfNodes;  // ... at every other position
    bool threeThreats;          // looks for wins by threes and fours at the root, and for the
                                // other side's after each root move
    int choice;                 // plays any root move this close to the best, at random
};

constexpr LevelRules RULES[3] = {
    {0, 1, 0, 0, 0, 0, false, 0},                    // Easy: no search at all
    {4, 12000, 0, 2000, 60, 60, false, 80},          // Medium
    {MAX_DEPTH, 0, 1000, 60000, 4000, 400, true, 0}, // Hard
};
constexpr std::int64_t CHILD_VCT_NODES = 3000; // the other side's win by threes after a root move
constexpr int CHILD_VCT_DEPTH = 3;
// Positions a millisecond, to turn a time limit into the shares of the threat searches: the
// shares are then the same on every machine, so a search's course depends only on its limits.
constexpr std::int64_t NODES_PER_MS = 400;

const LevelRules &rulesOf(Level level)
{
    return RULES[static_cast<int>(level)];
}

// Mate scores are stored relative to the position, and read back relative to the root.
int toTable(int score, int ply)
{
    return score >= WIN_THRESHOLD ? score + ply : score <= -WIN_THRESHOLD ? score - ply : score;
}

int fromTable(int score, int ply)
{
    return score >= WIN_THRESHOLD ? score - ply : score <= -WIN_THRESHOLD ? score + ply : score;
}

std::uint64_t mix(std::uint64_t z)
{
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

std::int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Searcher::Searcher(std::size_t hashBytes)
    : now(steadyMilliseconds), table(hashBytes),
      vcfRefuted(std::size_t{1} << 16, Refuted{0, -1, 0}),
      vctRefuted(std::size_t{1} << 12, Refuted{0, -1, 0})
{
}

Searcher::~Searcher() = default;

bool Searcher::Checkpoint::await_ready() const noexcept
{
    Searcher &s = self;
    if (s.limits.nodes > 0 && s.nodes >= s.limits.nodes)
    {
        s.stopped = true;
    }
    if (s.nodes % CLOCK_EVERY == 0)
    {
        std::int64_t t = s.now();
        if (s.limits.timeMs > 0 && t - s.startedAt >= s.limits.timeMs)
        {
            s.stopped = true;
        }
        s.sliceOver = s.sliceOver || t >= s.sliceEndMs;
    }
    if (s.stopped)
    {
        return true; // no pause: the search unwinds at once
    }
    return !(s.sliceOver || s.nodes >= s.sliceEndNodes);
}

void Searcher::start(const Position &position, Level lvl, Limits lim, std::uint64_t seed)
{
    startedAt = now();
    stop();
    pos = position;
    level = lvl;
    limits = lim;
    const LevelRules &rules = rulesOf(level);
    if (limits.nodes == 0 && limits.timeMs == 0 && limits.depth == 0)
    {
        limits.nodes = rules.defaultNodes;
        limits.timeMs = rules.defaultMs;
    }
    rng = mix(seed ^ mix(pos.key()));
    nodes = 0;
    stopped = false;
    finished = false;
    searchInfo = SearchInfo{};
    // Nothing of an earlier search is kept, so that the move depends only on the position, the
    // level, the budget and the seed.
    table.newSearch();
    for (auto &k : killers)
    {
        k = {NO_MOVE, NO_MOVE};
    }
    for (auto &h : history)
    {
        h.fill(0);
    }
    if (++searchNumber == 0)
    {
        std::fill(vcfRefuted.begin(), vcfRefuted.end(), Refuted{0, -1, 0});
        std::fill(vctRefuted.begin(), vctRefuted.end(), Refuted{0, -1, 0});
        searchNumber = 1;
    }
    root = run();
    suspended = root.coroutine(&driver);
    running = true;
}

bool Searcher::step(std::int64_t budgetNodes, std::int64_t milliseconds)
{
    if (!running)
    {
        return true;
    }
    sliceEndNodes = nodes + std::max<std::int64_t>(1, budgetNodes);
    sliceEndMs = milliseconds > 0 ? now() + milliseconds : std::numeric_limits<std::int64_t>::max();
    sliceOver = false;
    coro::coroutine_handle<> h = suspended;
    suspended = nullptr;
    driver.run(h);
    searchInfo.nodes = nodes;
    searchInfo.elapsedMs = now() - startedAt;
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
    suspended = nullptr;
    root = Task<int>{nullptr};
}

Move Searcher::think(const Position &position, Level lvl, Limits lim, std::uint64_t seed)
{
    start(position, lvl, lim, seed);
    while (!step(std::numeric_limits<std::int64_t>::max()))
    {
    }
    return bestMove();
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
    if (!pos.fivePoints(you).empty())
    {
        // Two fives to stop cannot both be stopped; stopping one still makes the other side
        // show it can win.
        *score = pos.fivePoints(you).several() ? -(WIN - 2) : 0;
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

// The easy level: it takes its five and stops a four, meets an open three only half the time,
// and otherwise plays one of the few most useful points at random.
Move Searcher::chooseEasy()
{
    const int me = pos.toMove();
    const int you = me ^ 1;
    Move moves[MAX_MOVES];
    bool restricted = false;
    int n = generate(moves, 4, 0, NO_MOVE, &restricted);
    if (restricted && random() % 2 == 0)
    {
        // Overlooks the three: plays as if it were not there.
        PointSet near = pos.nearPoints();
        struct Scored
        {
            int score;
            Move move;
        };
        Scored list[MAX_MOVES];
        int count = 0;
        near.forEach([&](Move m) { list[count++] = {pos.value(m, me) + pos.value(m, you), m}; });
        std::sort(list, list + count,
                  [](const Scored &a, const Scored &b)
                  { return a.score != b.score ? a.score > b.score : a.move < b.move; });
        n = std::min(count, 4);
        for (int i = 0; i < n; ++i)
        {
            moves[i] = list[i].move;
        }
    }
    if (n == 0)
    {
        return NO_MOVE;
    }
    // The better points are likelier: 4, 3, 2, 1 chances in 10 for the first four.
    int weights[4] = {4, 3, 2, 1};
    int total = 0;
    for (int i = 0; i < n; ++i)
    {
        total += weights[i];
    }
    int pick = static_cast<int>(random() % static_cast<std::uint64_t>(total));
    for (int i = 0; i < n; ++i)
    {
        if (pick < weights[i])
        {
            return moves[i];
        }
        pick -= weights[i];
    }
    return moves[0];
}

// The position from the side to move's view: what every empty point is worth to it, less what
// it is worth to the other side.
int Searcher::evaluate() const
{
    const int me = pos.toMove();
    int score = pos.valueSum(me) - pos.valueSum(me ^ 1);
    return std::clamp(score, -WIN_THRESHOLD + 1, WIN_THRESHOLD - 1);
}

int Searcher::moveScore(Move m, int ply, Move ttMove) const
{
    if (m == ttMove)
    {
        return std::numeric_limits<int>::max();
    }
    const int me = pos.toMove();
    int score = 6 * pos.value(m, me) + 5 * pos.value(m, me ^ 1);
    if (m == killers[ply][0] || m == killers[ply][1])
    {
        score += 600;
    }
    return score + history[me][m] / 16;
}

// The moves worth trying, best first: the point that stops a four; or, when the other side
// threatens an open four, the points that stop it and the fours that come first; otherwise the
// points near the stones. At most `capacity`.
int Searcher::generate(Move *out, int capacity, int ply, Move ttMove, bool *restricted)
{
    const int me = pos.toMove();
    const int you = me ^ 1;
    *restricted = false;
    if (!pos.fivePoints(you).empty())
    {
        out[0] = pos.fivePoints(you).first();
        return 1;
    }
    PointSet candidates;
    if (!pos.flexFourPoints(you).empty())
    {
        // Only points where the other side's open fours are all stopped: each point that could
        // stop them (one where the other side would make a four, or one of ours that makes a
        // four) is tried. A four of ours that does not stop them only delays the answer; the best
        // two of them are kept for the counter-attacks a search by fours does not find.
        *restricted = true;
        PointSet tried = pos.fourPoints(me);
        tried |= pos.fourPoints(you);
        tried.forEach(
            [&](Move m)
            {
                pos.play(m);
                const bool stops = pos.flexFourPoints(you).empty();
                pos.undo();
                if (stops)
                {
                    candidates.add(m);
                }
            });
        Move fours[2];
        int n = orderedThreats(pos, me, false, fours, 2);
        for (int i = 0; i < n; ++i)
        {
            candidates.add(fours[i]);
        }
        if (candidates.empty())
        {
            // No point stops them all (two open threes, say): the game is lost against the best
            // play, but a stone that stops one of them may still meet a worse one.
            candidates = tried;
        }
    }
    if (candidates.empty())
    {
        candidates = pos.nearPoints();
    }
    struct Scored
    {
        int score;
        Move move;
    };
    Scored list[MAX_MOVES];
    int n = 0;
    candidates.forEach(
        [&](Move m)
        {
            if (n < MAX_MOVES)
            {
                list[n++] = {moveScore(m, ply, ttMove), m};
            }
        });
    std::sort(list, list + n,
              [](const Scored &a, const Scored &b)
              { return a.score != b.score ? a.score > b.score : a.move < b.move; });
    n = std::min(n, capacity);
    for (int i = 0; i < n; ++i)
    {
        out[i] = list[i].move;
    }
    return n;
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
        // The first stone: the centre, or beside it at the easy level.
        int c = pos.size() / 2;
        int dx = 0, dy = 0;
        if (level == Level::Easy)
        {
            dx = static_cast<int>(random() % 3) - 1;
            dy = static_cast<int>(random() % 3) - 1;
        }
        finish(pos.at(c + dx, c + dy), 0, "opening");
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
    // Every threat search has its share of the whole budget, so that the alpha-beta search gets
    // the most of it also in crowded positions, where threats are many.
    const std::int64_t budget = limits.nodes > 0 ? limits.nodes : limits.timeMs * NODES_PER_MS;
    vcfCapAt = nodes + std::min(rules.rootVcfNodes, std::max<std::int64_t>(budget / 10, 500));
    vcfExhausted = false;
    if (int plies = co_await vcf(ROOT_FOURS, &first); plies > 0)
    {
        finish(first, WIN - plies, "vcf");
        co_return 0;
    }
    // ... as does one by threes and fours, looked for ever deeper within a share of the budget.
    if (rules.threeThreats)
    {
        vctCapAt = nodes + budget / 6;
        vctExhausted = false;
        for (int depth = 1; depth <= MAX_VCT_DEPTH && !stopped && !vctExhausted; ++depth)
        {
            first = NO_MOVE;
            if (int plies = co_await vct(depth, &first); plies > 0)
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
        vcfCapAt = nodes + std::min(rules.rootVcfNodes, budget / 20);
        vcfExhausted = false;
        int plies = co_await vcf(ROOT_FOURS, &first);
        vctCapAt = nodes + budget / 12;
        vctExhausted = false;
        for (int depth = 1; depth <= MAX_VCT_DEPTH && plies == 0 && !stopped && !vctExhausted;
             ++depth)
        {
            plies = co_await vct(depth, &first);
        }
        pos.setToMove(pos.toMove() ^ 1);
        underThreat = plies > 0;
        childCap = std::min(rules.childVcfNodes, budget / 200);
        childNodesLeft = budget / 4;
    }

    // Alpha-beta, one ply deeper each time, until the budget is spent or the result is sure.
    bool restricted = false;
    rootCount = generate(rootMoves.data(), MAX_MOVES, 0, NO_MOVE, &restricted);
    rootScores.fill(0);
    if (rootCount <= 1)
    {
        finish(rootCount == 1 ? rootMoves[0] : NO_MOVE, 0, "only move");
        co_return 0;
    }
    Move best = rootMoves[0];
    searchInfo.best = best;
    int bestScore = 0;
    const int maxDepth = limits.depth > 0 ? std::min(limits.depth, rules.maxDepth) : rules.maxDepth;
    for (int depth = 1; depth <= maxDepth && !stopped; ++depth)
    {
        int iterationScore = co_await searchRoot(depth);
        if (iterationBest == NO_MOVE)
        {
            break; // stopped before the first move of this iteration was searched to the end
        }
        best = iterationBest;
        bestScore = iterationScore;
        searchInfo.best = best;
        searchInfo.score = bestScore;
        if (stopped)
        {
            break;
        }
        searchInfo.depth = depth;
        if (std::abs(bestScore) >= WIN_THRESHOLD)
        {
            break; // a win or a loss that deeper search will not change
        }
    }
    // A level that plays any good move picks one of those close to the best, none that loses.
    if (int margin = rules.choice; margin > 0 && std::abs(bestScore) < WIN_THRESHOLD)
    {
        int close = 0;
        while (close < rootCount && rootScores[close] >= bestScore - margin)
        {
            ++close;
        }
        if (close > 1)
        {
            best = rootMoves[random() % static_cast<std::uint64_t>(close)];
        }
    }
    finish(best, bestScore, "search");
    co_return 0;
}

// One iteration over the root moves; the best is left in iterationBest (NO_MOVE when the first
// move was not searched to the end), and the moves are put in order for the next one.
Task<int> Searcher::searchRoot(int depth)
{
    int alpha = -INFINITE;
    const int beta = INFINITE;
    int best = -INFINITE;
    // A level that chooses among good moves needs every root move's own score, not a bound.
    const bool exact = rulesOf(level).choice > 0;
    iterationBest = NO_MOVE;
    int searched = 0;
    for (int i = 0; i < rootCount; ++i)
    {
        Move m = rootMoves[i];
        pos.play(m);
        int score;
        if (i == 0 || exact)
        {
            int s =
                co_await search(exact ? -INFINITE : -beta, exact ? INFINITE : -alpha, depth - 1, 1);
            score = -s;
        }
        else
        {
            int s = co_await search(-alpha - 1, -alpha, depth - 1, 1);
            score = -s;
            if (score > alpha && !stopped)
            {
                s = co_await search(-beta, -alpha, depth - 1, 1);
                score = -s;
            }
        }
        pos.undo();
        if (stopped)
        {
            break;
        }
        ++searched;
        rootScores[i] = score;
        if (score > best)
        {
            best = score;
            iterationBest = m;
            alpha = std::max(alpha, score);
        }
    }
    // Best first for the next iteration; a stable sort keeps the order of equal moves.
    std::array<int, MAX_MOVES> order;
    for (int i = 0; i < rootCount; ++i)
    {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.begin() + searched,
                     [&](int a, int b) { return rootScores[a] > rootScores[b]; });
    std::array<Move, MAX_MOVES> moves = rootMoves;
    std::array<int, MAX_MOVES> scores = rootScores;
    for (int i = 0; i < searched; ++i)
    {
        rootMoves[i] = moves[order[i]];
        rootScores[i] = scores[order[i]];
    }
    co_return best;
}

// Whether the side to move was found, in this search, to have no win by threes and fours here.
bool Searcher::refutedByThrees() const
{
    const Refuted &r = vctRefuted[pos.key() & (vctRefuted.size() - 1)];
    return r.search == searchNumber && r.key == pos.key();
}

void Searcher::markRefutedByThrees()
{
    vctRefuted[pos.key() & (vctRefuted.size() - 1)] = Refuted{pos.key(), 0, searchNumber};
}

Task<int> Searcher::search(int alpha, int beta, int depth, int ply)
{
    co_await checkpoint();
    if (stopped)
    {
        co_return 0;
    }
    const int me = pos.toMove();
    const int you = me ^ 1;
    if (!pos.fivePoints(me).empty())
    {
        co_return WIN - (ply + 1);
    }
    const int theirFives = pos.fivePoints(you).several() ? 2 : pos.fivePoints(you).empty() ? 0 : 1;
    if (theirFives >= 2)
    {
        co_return -(WIN - (ply + 2));
    }
    if (theirFives == 0 && !pos.flexFourPoints(me).empty())
    {
        co_return WIN - (ply + 3);
    }
    if (pos.full())
    {
        co_return 0;
    }
    if (ply >= MAX_PLY)
    {
        co_return evaluate();
    }
    // No score here can beat a five sooner than one already found, nor lose later.
    alpha = std::max(alpha, -(WIN - ply));
    beta = std::min(beta, WIN - (ply + 1));
    if (alpha >= beta)
    {
        co_return alpha;
    }

    Move ttMove = NO_MOVE;
    if (const TableEntry *e = table.probe(pos.key()))
    {
        ttMove = e->move;
        int s = fromTable(e->score, ply);
        if (e->depth >= depth &&
            (e->bound == BOUND_EXACT || (e->bound == BOUND_LOWER && s >= beta) ||
             (e->bound == BOUND_UPPER && s <= alpha)))
        {
            co_return s;
        }
    }

    const LevelRules &rules = rulesOf(level);
    if (theirFives == 0 && rules.nodeVcfNodes > 0 && (depth <= 1 || ply == 1))
    {
        Move first = NO_MOVE;
        // ... within a share of the budget for all root moves together.
        const bool closely = ply == 1 && underThreat && childNodesLeft > 0;
        const std::int64_t before = nodes;
        vcfCapAt = nodes + (closely ? childCap : rules.nodeVcfNodes);
        vcfExhausted = false;
        int plies = co_await vcf(closely ? ROOT_FOURS : NODE_FOURS, &first);
        // When the other side has a win by threats, each root move's answer to it is looked at
        // closely: a root move that leaves a win by threes and fours loses.
        if (plies == 0 && closely && !stopped && !refutedByThrees())
        {
            vctCapAt = nodes + std::min(CHILD_VCT_NODES, childCap);
            vctExhausted = false;
            for (int d = 1; d <= CHILD_VCT_DEPTH && plies == 0 && !vctExhausted && !stopped; ++d)
            {
                plies = co_await vct(d, &first);
            }
            if (plies == 0 && !vctExhausted)
            {
                markRefutedByThrees();
            }
        }
        if (closely)
        {
            childNodesLeft -= nodes - before;
        }
        if (plies > 0)
        {
            int score = WIN - (ply + plies);
            table.store(pos.key(), toTable(score, ply), first, MAX_DEPTH, BOUND_EXACT);
            co_return score;
        }
        if (stopped)
        {
            co_return 0;
        }
    }

    // At the horizon the position is judged as it stands, unless the other side threatens an
    // open four: then the answers to it are looked at first (once).
    if (depth <= 0 && theirFives == 0 && (depth < 0 || pos.flexFourPoints(you).empty()))
    {
        co_return evaluate();
    }

    std::array<Move, MAX_MOVES> moves;
    bool restricted = false;
    const int count = generate(moves.data(), MAX_MOVES, ply, ttMove, &restricted);
    if (count == 0)
    {
        co_return evaluate();
    }
    // Only the most promising points are searched, unless all of them lose: a loss is a loss only
    // if every move loses. The answers to a threat are all searched.
    const int promising = restricted ? count : std::min(count, MAX_BRANCH);
    const int originalAlpha = alpha;
    int best = -INFINITE;
    Move bestMove = NO_MOVE;
    for (int i = 0; i < count; ++i)
    {
        if (i >= promising && best > -WIN_THRESHOLD)
        {
            break;
        }
        Move m = moves[i];
        const bool quiet = !restricted && theirFives == 0 && pos.threat(m, me) < T_THREE &&
                           pos.threat(m, you) < T_THREE;
        pos.play(m);
        // Stopping a four costs no depth: the line goes on as if it had not been played.
        int newDepth = theirFives == 1 ? depth : depth - 1;
        int score;
        if (i == 0)
        {
            int s = co_await search(-beta, -alpha, newDepth, ply + 1);
            score = -s;
        }
        else
        {
            // Later quiet moves are looked at one ply shallower first.
            int reduction = quiet && depth >= 3 && i >= 4 ? 1 : 0;
            int s = co_await search(-alpha - 1, -alpha, newDepth - reduction, ply + 1);
            score = -s;
            if (score > alpha && (reduction > 0 || score < beta) && !stopped)
            {
                s = co_await search(-beta, -alpha, newDepth, ply + 1);
                score = -s;
            }
        }
        pos.undo();
        if (stopped)
        {
            co_return 0;
        }
        if (score > best)
        {
            best = score;
            bestMove = m;
            if (score > alpha)
            {
                alpha = score;
                if (alpha >= beta)
                {
                    if (quiet && killers[ply][0] != m)
                    {
                        killers[ply][1] = killers[ply][0];
                        killers[ply][0] = m;
                    }
                    history[me][m] += depth * depth;
                    break;
                }
            }
        }
    }
    Bound bound = best >= beta ? BOUND_LOWER : best > originalAlpha ? BOUND_EXACT : BOUND_UPPER;
    table.store(pos.key(), toTable(best, ply), bestMove, std::max(depth, 0), bound);
    co_return best;
}

} // namespace engine
