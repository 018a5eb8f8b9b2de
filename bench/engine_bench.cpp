// The engine's figures, printed, not judged: matches between its levels, and the speed and
// depth of the hard level on fixed positions.
//   engine_bench levels [GAMES] [SEED] [HARD_NODES]
//                                        easy against medium, then medium against hard (at its
//                                        time limit, or HARD_NODES positions a move)
//   engine_bench rules [GAMES] [SEED] [HARD_NODES]
//                                        under exactly five, then renju: GAMES games of easy
//                                        against medium and GAMES of medium against hard (HARD_NODES
//                                        positions a move, 100,000 unless given), every move
//                                        checked by the tests' referee
//   engine_bench speed [MS] [WEIGHTS]    hard on fixed positions: nodes a second, depth, time
//                                        (with WEIGHTS, a .g3dn file, judged by that network)
//   engine_bench nodes                   fixed positions to a fixed depth: one node count, which
//                                        changes whenever the search does
#include "engine/network.h"
#include "engine/search.h"
#include "tests/engine/bench_positions.h"
#include "tests/engine/refereed_game.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

using namespace engine;

namespace
{

constexpr int BOARD = 18; // the game's board

const char *levelName(Level level)
{
    return level == Level::Easy ? "easy" : level == Level::Medium ? "medium" : "hard";
}

struct MoveFigures
{
    std::int64_t ms, nodes;
    int depth;
    bool searched;
};

struct GameResult
{
    int winner; // 0 the first level, 1 the second, -1 a draw
    int stones;
    std::vector<MoveFigures> hard; // the moves of a hard player
    std::string moves;             // "x,y" from the first, to replay the game
};

// Adds " x,y" of m to a game's record.
void record(std::string &moves, const Position &pos, Move m)
{
    if (!moves.empty())
    {
        moves += ' ';
    }
    moves += std::to_string(pos.xOf(m));
    moves += ',';
    moves += std::to_string(pos.yOf(m));
}

// One game between two levels from a random two-stone opening near the centre; `secondBlack`
// gives black to the second level.
std::int64_t hardNodes = 0; // a hard move's budget in positions; 0: its time limit

GameResult playGame(Level first, Level second, bool secondBlack, std::uint64_t seed)
{
    std::mt19937_64 random(seed);
    Position pos(BOARD);
    int c = BOARD / 2;
    pos.play(
        pos.at(c - 1 + static_cast<int>(random() % 3), c - 1 + static_cast<int>(random() % 3)));
    Move reply;
    do
    {
        reply =
            pos.at(c - 2 + static_cast<int>(random() % 5), c - 2 + static_cast<int>(random() % 5));
    } while (!pos.isEmpty(reply));
    pos.play(reply);
    Searcher players[2];
    GameResult result{-1, 0, {}, {}};
    record(result.moves, pos, pos.move(0));
    record(result.moves, pos, pos.move(1));
    while (!pos.full())
    {
        // Black moves when the count is even.
        const bool blackToMove = pos.moveCount() % 2 == 0;
        const int player = blackToMove == secondBlack ? 1 : 0;
        const Level level = player == 0 ? first : second;
        Limits limits;
        limits.nodes = level == Level::Hard ? hardNodes : 0;
        Move m = players[player].think(pos, level, limits, random());
        const SearchInfo &info = players[player].info();
        if (level == Level::Hard)
        {
            result.hard.push_back(
                {info.elapsedMs, info.nodes, info.depth, std::strcmp(info.reason, "search") == 0});
        }
        if (!pos.isEmpty(m))
        {
            std::fprintf(stderr, "engine_bench: %s played an illegal move\n", levelName(level));
            std::exit(1);
        }
        pos.play(m);
        record(result.moves, pos, m);
        if (pos.fiveThrough(m))
        {
            result.winner = player;
            break;
        }
    }
    result.stones = pos.moveCount();
    return result;
}

void match(Level first, Level second, int games, std::uint64_t seed)
{
    std::vector<GameResult> results(static_cast<std::size_t>(games));
    std::atomic<int> next{0};
    auto worker = [&]
    {
        for (int g; (g = next++) < games;)
        {
            // Each opening is played twice, each level black once.
            results[g] =
                playGame(first, second, g % 2 == 1, seed * 1000 + static_cast<unsigned>(g / 2));
        }
    };
    std::thread helper(worker);
    worker();
    helper.join();
    int wins[2] = {0, 0}, draws = 0, stones = 0;
    std::vector<MoveFigures> hard;
    for (const GameResult &r : results)
    {
        if (r.winner < 0)
        {
            ++draws;
        }
        else
        {
            ++wins[r.winner];
        }
        stones += r.stones;
        hard.insert(hard.end(), r.hard.begin(), r.hard.end());
    }
    std::printf("%s against %s, %d games: %s won %d, %s won %d, %d drawn (%.0f%% for %s); %.0f "
                "stones a game\n",
                levelName(second), levelName(first), games, levelName(second), wins[1],
                levelName(first), wins[0], draws, 100.0 * wins[1] / games, levelName(second),
                static_cast<double>(stones) / games);
    // The games the stronger level lost, to be replayed and looked into.
    for (std::size_t g = 0; g < results.size(); ++g)
    {
        if (results[g].winner == 0)
        {
            std::printf("  lost by %s (%s): %s\n", levelName(second),
                        g % 2 == 1 ? "black" : "white", results[g].moves.c_str());
        }
    }
    if (!hard.empty())
    {
        std::int64_t total = 0, longest = 0;
        for (const MoveFigures &f : hard)
        {
            total += f.ms;
            longest = std::max(longest, f.ms);
        }
        std::printf("  hard's time a move: average %lld ms, longest %lld ms, %zu moves\n",
                    static_cast<long long>(total / static_cast<std::int64_t>(hard.size())),
                    static_cast<long long>(longest), hard.size());
    }
}

// Refereed games between two levels under a rule, two at a time, colours alternating; the
// results and everything the referee found. Returns the games with a problem.
int refereedMatch(Rule rule, Level first, Level second, int games, std::uint64_t seed,
                  std::int64_t nodes)
{
    std::vector<renjutest::RefereedGame> results(static_cast<std::size_t>(games));
    std::atomic<int> next{0};
    auto worker = [&]
    {
        for (int g; (g = next++) < games;)
        {
            // Each opening is played twice, each level black once.
            const bool secondBlack = g % 2 == 1;
            results[g] = renjutest::playRefereed(rule, secondBlack ? second : first,
                                                 secondBlack ? first : second, nodes,
                                                 seed * 1000 + static_cast<unsigned>(g / 2));
        }
    };
    std::thread helper(worker);
    worker();
    helper.join();
    int wins[2] = {0, 0}, blackWins = 0, draws = 0, problems = 0, stones = 0;
    long forbidden = 0;
    for (int g = 0; g < games; ++g)
    {
        const renjutest::RefereedGame &r = results[g];
        stones += r.stones;
        forbidden += r.forbiddenAround;
        if (!r.problem.empty())
        {
            ++problems;
            std::printf("  game %d: %s\n", g, r.problem.c_str());
            continue;
        }
        if (r.winner < 0)
        {
            ++draws;
            continue;
        }
        blackWins += r.winner == 0;
        // The second level is black in the odd games.
        ++wins[(r.winner == 0) == (g % 2 == 1) ? 1 : 0];
    }
    std::printf("%s, %s against %s, %d games: %s won %d, %s won %d, %d drawn; black won %d; "
                "%.0f stones a game; black's forbidden points on its turns: %ld; referee's "
                "problems: %d\n",
                rule == Rule::Renju ? "renju" : "exactly five", levelName(second), levelName(first),
                games, levelName(second), wins[1], levelName(first), wins[0], draws, blackWins,
                static_cast<double>(stones) / games, forbidden, problems);
    std::fflush(stdout);
    return problems;
}

// This thread's processor time so far; 0 where the system cannot say.
std::int64_t threadCpuMicroseconds()
{
    timespec t{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0)
    {
        return 0;
    }
    return std::int64_t{t.tv_sec} * 1000000 + t.tv_nsec / 1000;
}

void speed(std::int64_t ms, const nn::Network *network)
{
    Searcher searcher;
    searcher.useNetwork(network);
    std::int64_t nodes = 0, time = 0, longest = 0;
    std::vector<int> depths;
    const std::int64_t cpuBefore = threadCpuMicroseconds();
    for (const char *moves : bench::POSITIONS)
    {
        Position pos = bench::fromMoves(moves);
        searcher.think(pos, Level::Hard, Limits{0, ms});
        const SearchInfo &info = searcher.info();
        std::printf("  %-9s depth %2d, %8lld nodes in %4lld ms\n", info.reason, info.depth,
                    static_cast<long long>(info.nodes), static_cast<long long>(info.elapsedMs));
        nodes += info.nodes;
        time += info.elapsedMs;
        longest = std::max(longest, info.elapsedMs);
        depths.push_back(info.depth);
    }
    const std::int64_t cpu = threadCpuMicroseconds() - cpuBefore;
    std::sort(depths.begin(), depths.end());
    // On a busy machine the clock's second holds less of this thread's work than the processor's.
    std::printf("hard, %lld ms a move: %lld nodes a second (%lld a second of processor time), "
                "depth %d to %d (median %d), average %lld ms and longest %lld ms a move\n",
                static_cast<long long>(ms),
                static_cast<long long>(nodes * 1000 / std::max<std::int64_t>(time, 1)),
                static_cast<long long>(nodes * 1000000 / std::max<std::int64_t>(cpu, 1)),
                depths.front(), depths.back(), depths[depths.size() / 2],
                static_cast<long long>(time / static_cast<std::int64_t>(depths.size())),
                static_cast<long long>(longest));
}

void nodes()
{
    auto started = std::chrono::steady_clock::now();
    const std::int64_t total = bench::signatureNodes();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - started)
                  .count();
    std::printf("nodes searched to depth 6: %lld, in %lld ms\n", static_cast<long long>(total),
                static_cast<long long>(ms));
}

} // namespace

int main(int argc, char **argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "levels")
    {
        int games = argc > 2 ? std::atoi(argv[2]) : 40;
        std::uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
        hardNodes = argc > 4 ? std::atoll(argv[4]) : 0;
        match(Level::Easy, Level::Medium, games, seed);
        match(Level::Medium, Level::Hard, games, seed);
    }
    else if (what == "rules")
    {
        int games = argc > 2 ? std::atoi(argv[2]) : 100;
        std::uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
        std::int64_t nodes = argc > 4 ? std::atoll(argv[4]) : 100000;
        int problems = 0;
        for (Rule rule : {Rule::Standard, Rule::Renju})
        {
            problems += refereedMatch(rule, Level::Easy, Level::Medium, games, seed, nodes);
            problems += refereedMatch(rule, Level::Medium, Level::Hard, games, seed, nodes);
        }
        return problems == 0 ? 0 : 1;
    }
    else if (what == "speed")
    {
        nn::Network network;
        std::string problem;
        if (argc > 3 && !nn::loadNetwork(argv[3], network, problem))
        {
            std::fprintf(stderr, "engine_bench: %s: %s\n", argv[3], problem.c_str());
            return 2;
        }
        speed(argc > 2 ? std::atoll(argv[2]) : 1000, argc > 3 ? &network : nullptr);
    }
    else if (what == "nodes")
    {
        nodes();
    }
    else
    {
        std::fprintf(stderr, "usage: engine_bench levels [GAMES] [SEED] | rules [GAMES] [SEED] "
                             "[HARD_NODES] | speed [MS] [WEIGHTS] | nodes\n");
        return 2;
    }
    return 0;
}
