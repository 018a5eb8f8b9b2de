// The computer's mind: given a position, a level and a budget it chooses a move. It thinks in
// slices, each a bounded amount of work, so a program can let it think between frames; the
// same position, level, budget and seed always give the same move.
#pragma once

#include "engine/budget.h"
#include "engine/levels.h"
#include "engine/ordering.h"
#include "engine/position.h"
#include "engine/task.h"
#include "engine/threats.h"
#include "engine/tt.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace engine
{
namespace nn
{
struct Network;
class Accumulator;
} // namespace nn

// What the search has done so far.
struct SearchInfo
{
    std::int64_t nodes = 0;       // positions looked at
    std::int64_t threatNodes = 0; // of them, by the searches for wins by threats
    std::int64_t elapsedMs = 0;   // from start() to now, or to the move
    int depth = 0;                // the last full-width depth searched to the end
    int score = 0;                // of the chosen move, from the mover's side; see WIN
    Move best = NO_MOVE;
    const char *reason = ""; // how the move was found: "search", "vcf", "vct", "forced" ...
};

inline constexpr int WIN = 30000;           // a won position; WIN - n: five after n more stones
inline constexpr int WIN_THRESHOLD = 29000; // scores beyond this are wins or losses
inline constexpr std::size_t DEFAULT_HASH_BYTES = std::size_t{16} << 20;

class Searcher
{
public:
    explicit Searcher(std::size_t hashBytes = DEFAULT_HASH_BYTES);
    ~Searcher();
    Searcher(const Searcher &) = delete;
    Searcher &operator=(const Searcher &) = delete;

    void setHashBytes(std::size_t bytes) { tt->resize(bytes); }
    std::size_t hashBytes() const { return tt->bytes(); }
    void setClock(Clock clock) { budget.now = clock; }
    // Whether what one search stored in the transposition table is used by the next ones (off
    // at first): a program that thinks about the moves of one game in turn, as the brain does,
    // carries what it learnt into the next move. The move then depends on the searches before
    // it too, so a game replayed move by move still gets the same moves.
    void keepTable(bool keep) { keepingTable = keep; }
    // Forgets everything in the table, as at a new game.
    void clearTable() { tt->clear(); }
    // Makes this searcher a helper of `owner` (Lazy SMP): it reads and writes the owner's table
    // instead of its own, from a start() after the owner's, so that the owner finds what the
    // helper learnt; its iterations go `extraDepth` plies deeper than the owner's at the same
    // count, so that the two are not in step. Only the table is shared: each searcher runs on
    // one thread.
    void helpWith(Searcher &owner, int extraDepth);
    // The evaluation at the horizon: the learned network's (network.h) when one is given, which
    // must outlive the searcher, else the hand-weighted one (evaluation.h), as by default. Takes
    // effect at the next start(); a helper judges as its owner does.
    void useNetwork(const nn::Network *network) { wantedNet = network; }
    const nn::Network *network() const { return wantedNet; }

    // Begins thinking about `pos` for its side to move. Nothing is searched yet. A position with
    // no empty point, or with a five on it already, gets no move.
    void start(const Position &pos, Level level, Limits limits, std::uint64_t seed = 0);
    // Thinks for at most about `nodes` positions and, when given, `milliseconds`; true once
    // the move is chosen (also when it was chosen before).
    bool step(std::int64_t nodes, std::int64_t milliseconds = 0);
    // Drops the thought.
    void stop();
    bool thinking() const { return running; }

    // The move chosen (or the best so far while thinking), and the figures of the search.
    Move bestMove() const { return searchInfo.best; }
    const SearchInfo &info() const { return searchInfo; }

    // start(), then step() until the move is chosen.
    Move think(const Position &pos, Level level, Limits limits, std::uint64_t seed = 0);

    // Called after each iteration of alpha-beta searched to the end, with the figures as they are
    // then (the positions and the time counted up to it, the iteration's depth, score and best
    // move); none by default. It may read the searcher, principalVariation() too, and changes
    // nothing of the search: the same move comes with it or without.
    void onIteration(std::function<void(const SearchInfo &)> hook)
    {
        iterationHook = std::move(hook);
    }
    // The line of play the search expects from the position thought about, after `first`: `first`
    // and then the replies the table holds, each a legal move, until a five, the end of what the
    // table knows, or `longest` moves. Read in the hook above or once the move is chosen.
    std::vector<Move> principalVariation(Move first, int longest) const;

private:
    // search.cpp: the order of a move's thinking.
    Task<int> run();
    Move immediateMove(int *score, const char **reason) const;
    std::uint64_t random();
    void finish(Move m, int score, const char *reason);
    // levels.cpp: what the levels do beside searching.
    Move opening();
    Move chooseEasy();
    Move chooseAmongClose(Move best, int bestScore);
    // alphabeta.cpp: alpha-beta.
    Task<int> searchRoot(int depth);
    Task<int> search(int alpha, int beta, int depth, int ply);
    // A stone played and taken back by alpha-beta, and the position judged where it stops: the
    // network's accumulator follows alpha-beta's stones (the searches for threats play and take
    // back their own between, and judge nothing).
    void playMove(Move m);
    void undoMove();
    int judge() const;

    Position pos;
    const nn::Network *wantedNet = nullptr;       // from the next start() on
    const nn::Network *net = nullptr;             // this thought's
    std::unique_ptr<nn::Accumulator> accumulator; // with net, pos's stones
    Level level = Level::Hard;
    std::uint64_t rng = 0;
    TranspositionTable ownTable;
    TranspositionTable *tt = &ownTable; // the owner's when helping
    int extraDepth = 0;
    Budget budget;
    ThreatSearch threats;
    MoveOrder order;

    bool keepingTable = false;
    bool running = false;
    bool finished = false;
    Driver driver;
    Task<int> root{nullptr};
    SearchInfo searchInfo;
    std::function<void(const SearchInfo &)> iterationHook;

    // Root moves and what the last iteration made of them.
    std::array<Move, MAX_MOVES> rootMoves{};
    std::array<int, MAX_MOVES> rootScores{};
    int rootCount = 0;
    Move iterationBest = NO_MOVE;

    bool underThreat = false;        // the other side would win by threats if it were its move
    std::int64_t childCap = 0;       // positions for each root move's close look
    std::int64_t childNodesLeft = 0; // ... and for all of them together
};

} // namespace engine
