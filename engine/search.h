// The computer's mind: given a position, a level and a budget it chooses a move. It thinks in
// slices, each a bounded amount of work, so a program can let it think between frames; the
// same position, level, budget and seed always give the same move.
#pragma once

#include "engine/position.h"
#include "engine/task.h"
#include "engine/tt.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine
{

enum class Level : std::uint8_t
{
    Easy,   // takes its five and stops a four, sees little else and plays a little at random
    Medium, // a short search and the forced wins by fours
    Hard,   // the whole engine to its time limit
};

// How long to think. Zero means no limit of that kind; with neither limit a level's own applies.
struct Limits
{
    std::int64_t nodes = 0;  // positions looked at, over the whole search
    std::int64_t timeMs = 0; // wall-clock milliseconds from start()
    int depth = 0;           // full-width plies, at most the level's own
};

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
inline constexpr int MAX_PLY = 96;

// Milliseconds of a steady clock; replaceable, so a test can drive time itself.
using Clock = std::int64_t (*)();
std::int64_t steadyMilliseconds();

class Searcher
{
public:
    explicit Searcher(std::size_t hashBytes = DEFAULT_HASH_BYTES);
    ~Searcher();
    Searcher(const Searcher &) = delete;
    Searcher &operator=(const Searcher &) = delete;

    void setHashBytes(std::size_t bytes) { table.resize(bytes); }
    std::size_t hashBytes() const { return table.bytes(); }
    void setClock(Clock clock) { now = clock; }

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

private:
    struct Slice;
    struct Checkpoint
    {
        Searcher &self;
        bool await_ready() const noexcept;
        void await_suspend(coro::coroutine_handle<> h) noexcept { self.suspended = h; }
        void await_resume() const noexcept {}
    };
    Checkpoint checkpoint()
    {
        ++nodes;
        return Checkpoint{*this};
    }

    Task<int> run();
    Task<int> searchRoot(int depth);
    Task<int> search(int alpha, int beta, int depth, int ply);
    Task<int> vcf(int foursLeft, Move *first);
    Task<int> vct(int depthLeft, Move *first);

    Move chooseEasy();
    Move immediateMove(int *score, const char **reason) const;
    int evaluate() const;
    bool refutedByThrees() const;
    void markRefutedByThrees();
    int generate(Move *out, int capacity, int ply, Move ttMove, bool *restricted);
    int moveScore(Move m, int ply, Move ttMove) const;
    std::uint64_t random();
    void finish(Move m, int score, const char *reason);

    Position pos;
    Level level = Level::Hard;
    Limits limits;
    std::uint64_t rng = 0;
    Clock now;
    TranspositionTable table;

    bool running = false;
    bool stopped = false; // the whole search must end now
    bool sliceOver = false;
    std::int64_t nodes = 0;
    std::int64_t startedAt = 0;
    std::int64_t sliceEndNodes = 0; // node count and time at which the current slice ends
    std::int64_t sliceEndMs = 0;
    coro::coroutine_handle<> suspended; // where the last slice stopped
    Driver driver;
    Task<int> root{nullptr};
    SearchInfo searchInfo;

    // Root moves and what the last iteration made of them.
    std::array<Move, MAX_MOVES> rootMoves{};
    std::array<int, MAX_MOVES> rootScores{};
    int rootCount = 0;
    Move iterationBest = NO_MOVE;

    std::array<std::array<Move, 2>, MAX_PLY + 1> killers{};
    std::array<std::array<std::int32_t, CELL_COUNT>, 2> history{};

    std::int64_t vcfCapAt = 0; // node count at which the current search by fours gives up
    std::int64_t vctCapAt = 0; // and the current search by threes and fours
    bool vcfExhausted = false;
    bool vctExhausted = false;
    bool finished = false;
    bool underThreat = false;        // the other side would win by threats if it were its move
    std::int64_t childCap = 0;       // positions for each root move's close look
    std::int64_t childNodesLeft = 0; // ... and for all of them together

    struct Refuted
    {
        std::uint64_t key;
        std::int8_t foursLeft;
        std::uint16_t search; // the search that found it: others' entries count as empty
    };
    std::vector<Refuted> vcfRefuted; // positions with no win by fours, by key
    std::vector<Refuted> vctRefuted; // ... by threes and fours, after a root move
    std::uint16_t searchNumber = 0;
};

} // namespace engine
