// Alpha-beta with principal-variation search and iterative deepening, and its use of the
// transposition table.
#include "engine/search.h"

#include <algorithm>

namespace engine
{
namespace
{

constexpr int INFINITE = 32000;
constexpr int MAX_BRANCH = 10; // moves tried at a position below the root
constexpr int ROOT_FOURS = 20; // the longest win by fours looked for after a root move
constexpr int NODE_FOURS = 12; // ... and at the other positions
constexpr std::int64_t CHILD_VCT_NODES = 3000; // the other side's win by threes after a root move
constexpr int CHILD_VCT_DEPTH = 3;

// Mate scores are stored relative to the position, and read back relative to the root.
int toTable(int score, int ply)
{
    return score >= WIN_THRESHOLD ? score + ply : score <= -WIN_THRESHOLD ? score - ply : score;
}

int fromTable(int score, int ply)
{
    return score >= WIN_THRESHOLD ? score - ply : score <= -WIN_THRESHOLD ? score + ply : score;
}

} // namespace

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
        playMove(m);
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
            if (score > alpha && !budget.stopped)
            {
                s = co_await search(-beta, -alpha, depth - 1, 1);
                score = -s;
            }
        }
        undoMove();
        if (budget.stopped)
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
    // Stopped when every move searched at this depth has been proved lost: the next in the last
    // iteration's order has not been refuted, so it is the better move to play.
    if (budget.stopped && searched > 0 && searched < rootCount && best <= -WIN_THRESHOLD &&
        rootScores[searched] > best)
    {
        iterationBest = rootMoves[searched];
        best = rootScores[searched];
    }
    co_return best;
}

Task<int> Searcher::search(int alpha, int beta, int depth, int ply)
{
    co_await budget.checkpoint();
    if (budget.stopped)
    {
        co_return 0;
    }
    const int me = pos.toMove();
    const int you = me ^ 1;
    if (!pos.fivePoints(me).empty())
    {
        co_return WIN - (ply + 1);
    }
    const int theirFives = pos.fiveThreats(you);
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
        co_return judge();
    }
    // No score here can beat a five sooner than one already found, nor lose later.
    alpha = std::max(alpha, -(WIN - ply));
    beta = std::min(beta, WIN - (ply + 1));
    if (alpha >= beta)
    {
        co_return alpha;
    }

    // The best move any search found here comes first. Only this search's scores end the search
    // of the position, though: an earlier move's search looked at it from another root, with
    // other shares of the budget and its own looks at the threats after each root move.
    Move ttMove = NO_MOVE;
    if (TableEntry e; tt->probe(pos.key(), &e))
    {
        ttMove = e.move;
        int s = fromTable(e.score, ply);
        if (tt->current(e) && e.depth >= depth &&
            (e.bound == BOUND_EXACT || (e.bound == BOUND_LOWER && s >= beta) ||
             (e.bound == BOUND_UPPER && s <= alpha)))
        {
            co_return s;
        }
    }

    const LevelRules &rules = rulesOf(level);
    if (theirFives == 0 && rules.nodeVcfNodes > 0 && (depth <= 1 || ply == 1))
    {
        Move first = NO_MOVE;
        // When the other side has a win by threats, each root move's answer to it is looked at
        // closely, within a share of the budget for all root moves together.
        const bool closely = ply == 1 && underThreat && childNodesLeft > 0;
        const std::int64_t before = budget.nodes;
        threats.capFours(closely ? childCap : rules.nodeVcfNodes);
        int plies = co_await threats.vcf(closely ? ROOT_FOURS : NODE_FOURS, &first);
        // A root move that leaves the other side a win by threes and fours loses.
        if (plies == 0 && closely && !budget.stopped && !threats.refutedByThrees())
        {
            threats.capThrees(std::min(CHILD_VCT_NODES, childCap));
            for (int d = 1; d <= CHILD_VCT_DEPTH && plies == 0 && !threats.threesExhausted() &&
                            !budget.stopped;
                 ++d)
            {
                plies = co_await threats.vct(d, &first);
            }
            if (plies == 0 && !threats.threesExhausted())
            {
                threats.markRefutedByThrees();
            }
        }
        if (closely)
        {
            childNodesLeft -= budget.nodes - before;
        }
        if (plies > 0)
        {
            int score = WIN - (ply + plies);
            tt->store(pos.key(), toTable(score, ply), first, MAX_DEPTH, BOUND_EXACT);
            co_return score;
        }
        if (budget.stopped)
        {
            co_return 0;
        }
    }

    // At the horizon the position is judged as it stands, unless the other side threatens an
    // open four: then the answers to it are looked at first (once).
    if (depth <= 0 && theirFives == 0 && (depth < 0 || pos.flexFourPoints(you).empty()))
    {
        co_return judge();
    }

    std::array<Move, MAX_MOVES> moves;
    bool restricted = false;
    const int count = order.generate(pos, moves.data(), MAX_MOVES, ply, ttMove, &restricted);
    if (count == 0)
    {
        co_return judge();
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
        // Stopping a four costs no depth: the line goes on as if it had not been played. Nor
        // does a four of ours at the last ply, so that the horizon falls after its answer and
        // what the four and its answer leave, not on the four itself.
        const bool lastFour = rules.lastFours && depth <= 1 && pos.threat(m, me) >= T_FOUR;
        playMove(m);
        int newDepth = theirFives == 1 || lastFour ? depth : depth - 1;
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
            if (score > alpha && (reduction > 0 || score < beta) && !budget.stopped)
            {
                s = co_await search(-beta, -alpha, newDepth, ply + 1);
                score = -s;
            }
        }
        undoMove();
        if (budget.stopped)
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
                    order.cutoff(m, me, ply, depth, quiet);
                    break;
                }
            }
        }
    }
    Bound bound = best >= beta ? BOUND_LOWER : best > originalAlpha ? BOUND_EXACT : BOUND_UPPER;
    tt->store(pos.key(), toTable(best, ply), bestMove, std::max(depth, 0), bound);
    co_return best;
}

} // namespace engine
