// The tactics suite (tests/data/tactics.txt) against the engine: the hard level on every
// position, within a second or a number of positions, and the share it solves (its move is one of
// the right answers the solver proved), by kind, by edge and corner, by board size; and the
// positions it took to settle on a right answer (the last time its best move became one).
//   tactics_bench SUITE [--ms MS | --nodes N | --depth D] [--brain] [--failed] [--moves]
// --depth D searches each to D full-width plies instead (the searches for threats before it, as
// always). --brain asks the tournament brain instead, through BOARD ... DONE, with the turn's time
// (or the positions) as its limit; --failed lists the positions not solved, --moves every
// position's move.
#include "engine/gomocup.h"
#include "engine/search.h"
#include "tests/engine/tactics/engine_position.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace
{

using namespace engine;

struct Outcome
{
    bool solved = false;
    std::int64_t nodes = 0;        // positions searched in all
    std::int64_t nodesToRight = 0; // ... when the best move last became a right answer
    std::int64_t ms = 0;
    std::string reason;
    std::string move; // "x,y" as the suite writes points
};

std::string pointText(int x, int y)
{
    return std::to_string(x) + "," + std::to_string(y);
}

bool right(const tactics::Record &r, Move m)
{
    return m != NO_MOVE && r.isAnswer(Position::xOf(m), Position::yOf(m));
}

// The hard level, a slice of 2,000 positions at a time, looking at its best move after each.
Outcome byLevel(const tactics::Record &r, const Limits &limits)
{
    static Searcher searcher;
    Outcome o;
    searcher.start(tactics::positionOf(r), Level::Hard, limits, 0);
    bool wasRight = false;
    for (bool done = false; !done;)
    {
        done = searcher.step(2000);
        const bool isRight = right(r, searcher.bestMove());
        if (isRight && !wasRight)
        {
            o.nodesToRight = searcher.info().nodes;
        }
        wasRight = isRight;
    }
    o.solved = wasRight;
    o.nodes = searcher.info().nodes;
    o.ms = searcher.info().elapsedMs;
    o.reason = searcher.info().reason;
    const Move m = searcher.bestMove();
    o.move = m == NO_MOVE ? "none" : pointText(Position::xOf(m), Position::yOf(m));
    return o;
}

// The tournament brain: the position as a BOARD block, its own stones those of the side to move.
Outcome byBrain(const tactics::Record &r, const Limits &limits)
{
    GomocupBrain brain;
    brain.setDebug(true);
    if (limits.nodes > 0)
    {
        brain.setNodesPerMove(limits.nodes);
    }
    std::vector<std::string> answers;
    brain.handle("INFO timeout_turn " + std::to_string(limits.timeMs > 0 ? limits.timeMs : 1000),
                 answers);
    brain.handle("START " + std::to_string(r.size), answers);
    brain.handle("BOARD", answers);
    const bool blackToMove = r.toMove == 'X';
    for (const auto &[x, y] : r.black)
    {
        brain.handle(std::to_string(x) + "," + std::to_string(y) + (blackToMove ? ",1" : ",2"),
                     answers);
    }
    for (const auto &[x, y] : r.white)
    {
        brain.handle(std::to_string(x) + "," + std::to_string(y) + (blackToMove ? ",2" : ",1"),
                     answers);
    }
    answers.clear();
    const auto started = std::chrono::steady_clock::now();
    brain.handle("DONE", answers);
    Outcome o;
    o.ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 started)
               .count();
    int x = -1, y = -1;
    for (const std::string &line : answers)
    {
        long long nodes = 0;
        char reason[32] = "";
        if (std::sscanf(line.c_str(), "DEBUG depth %*d nodes %lld time %*d score %*d %31s", &nodes,
                        reason) >= 1)
        {
            o.nodes = nodes;
            o.reason = reason;
        }
        else
        {
            std::sscanf(line.c_str(), "%d,%d", &x, &y);
        }
    }
    o.solved = r.isAnswer(x, y);
    o.nodesToRight = o.nodes;
    o.move = x < 0 ? "none" : pointText(x, y);
    return o;
}

struct Tally
{
    int positions = 0, solved = 0;
};

std::int64_t percentile(std::vector<std::int64_t> v, int p)
{
    if (v.empty())
    {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, v.size() * static_cast<std::size_t>(p) / 100)];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
    {
        std::fprintf(
            stderr,
            "usage: tactics_bench SUITE [--ms MS | --nodes N | --depth D] [--brain] [--failed] "
            "[--moves]\n");
        return 2;
    }
    Limits limits{0, 1000};
    bool brain = false, listFailed = false, listMoves = false;
    for (int i = 2; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--ms") == 0 && i + 1 < argc)
        {
            limits = Limits{0, std::max(1ll, std::atoll(argv[++i]))};
        }
        else if (std::strcmp(argv[i], "--nodes") == 0 && i + 1 < argc)
        {
            limits = Limits{std::max(1ll, std::atoll(argv[++i])), 0};
        }
        else if (std::strcmp(argv[i], "--depth") == 0 && i + 1 < argc)
        {
            limits = Limits{0, 0, std::max(1, std::atoi(argv[++i]))};
        }
        else if (std::strcmp(argv[i], "--brain") == 0)
        {
            brain = true;
        }
        else if (std::strcmp(argv[i], "--failed") == 0)
        {
            listFailed = true;
        }
        else if (std::strcmp(argv[i], "--moves") == 0)
        {
            listMoves = true;
        }
        else
        {
            std::fprintf(stderr, "tactics_bench: unknown option '%s'\n", argv[i]);
            return 2;
        }
    }
    std::ifstream in(argv[1]);
    std::vector<tactics::Record> suite;
    std::string problem;
    if (!in || !tactics::readAll(in, &suite, &problem) || suite.empty())
    {
        std::fprintf(stderr, "tactics_bench: cannot read %s: %s\n", argv[1],
                     problem.empty() ? "no positions" : problem.c_str());
        return 1;
    }

    std::map<std::string, Tally> byKind, byTag, bySize;
    std::vector<std::int64_t> toRight;
    std::vector<std::string> failed;
    std::vector<std::string> played;
    Tally all;
    for (const tactics::Record &r : suite)
    {
        const Outcome o = brain ? byBrain(r, limits) : byLevel(r, limits);
        if (listMoves)
        {
            played.push_back(r.name + " " + o.move + (o.solved ? " right" : " wrong"));
        }
        std::string kind = r.kind;
        if (r.kind == "vct" && r.tagged("spare-fours"))
        {
            kind += " with spare fours";
        }
        for (Tally *t : {&all, &byKind[kind], &bySize[std::to_string(r.size)]})
        {
            ++t->positions;
            t->solved += o.solved;
        }
        for (const std::string &tag : r.tags)
        {
            if (tag == "edge" || tag == "corner")
            {
                ++byTag[tag].positions;
                byTag[tag].solved += o.solved;
            }
        }
        if (o.solved)
        {
            toRight.push_back(o.nodesToRight);
        }
        else
        {
            failed.push_back(r.name + " (" + r.kind + ", " + std::to_string(r.moves) + " moves, " +
                             o.reason + ", " + std::to_string(o.nodes) + " nodes)");
        }
    }

    std::printf("%s, %s: %zu positions\n", brain ? "the brain" : "the hard level",
                limits.nodes > 0 ? (std::to_string(limits.nodes) + " positions each").c_str()
                                 : (std::to_string(limits.timeMs) + " ms each").c_str(),
                suite.size());
    auto row = [](const std::string &label, const Tally &t)
    {
        std::printf("  %-26s %4d of %4d solved  %5.1f%%\n", label.c_str(), t.solved, t.positions,
                    100.0 * t.solved / std::max(1, t.positions));
    };
    row("all", all);
    for (const auto &[kind, t] : byKind)
    {
        row(kind, t);
    }
    for (const auto &[tag, t] : byTag)
    {
        row("at the " + tag, t);
    }
    for (const auto &[size, t] : bySize)
    {
        row("board of " + size, t);
    }
    std::printf("  positions searched to the right answer, over those solved: median %lld, "
                "90th percentile %lld\n",
                static_cast<long long>(percentile(toRight, 50)),
                static_cast<long long>(percentile(toRight, 90)));
    if (listFailed)
    {
        for (const std::string &f : failed)
        {
            std::printf("  not solved: %s\n", f.c_str());
        }
    }
    for (const std::string &p : played)
    {
        std::printf("  played: %s\n", p.c_str());
    }
    return 0;
}
