// Positions for training the learned evaluation (engine/network.h): the hard level plays itself
// from the openings of a file, each opening twice with the sides' budgets swapped, and every move
// after the opening is written with the search's score; the game's result ends its line.
//   datagen OUT [--openings FILE] [--games N] [--nodes N] [--spread F] [--label-nodes N]
//               [--rule freestyle|exact|renju] [--size N] [--seed S] [--threads T]
// Game g plays opening g / 2 (from the file's first, round again past its last); of its pair,
// one side thinks for A positions a move and the other for B, both drawn from the seed and the
// pair between (1 - F) and (1 + F) times NODES: black has A in the first game and B in the
// second. (With F 0 the two games would be one game twice.) With --label-nodes, each position is
// also searched at that budget by a search of its own, and that score is written in place of the
// player's.
//
// OUT gets a line of the options first ("# datagen ..."), then a line a game, in the order they
// end:
//   GAME OPENING SWAPPED RESULT BLACK_NODES WHITE_NODES x,y ... x,y:score ...
// RESULT is black's (1 a win, 0 a loss, 0.5 a draw), the opening's stones come without scores,
// and each move after them has the score of the search that chose it (or labelled it), from the
// side that played it, in the search's units; a move the search did not score (a five stopped,
// the only move) has none. An OUT that exists is carried on: its games are
// kept, those not in it are played (a line cut short by a stop is dropped; a larger --games goes
// on past them), and options other than its own are refused. The same options give the same games.
//
//   datagen evals GAMES [--all]
// writes, for each game of a file datagen made, a line "GAME e ... e" of the hand-made
// evaluation (evaluation.h) of the position before each of its moves, the opening's stones
// included, from the side to move: what a network trained as a correction to it starts from. A
// position the search never judges as it stands (a five or an open four to make, a five or an
// open three of the other side's to stop) has "-", unless --all asks for every position's.
#include "engine/evaluation.h"
#include "engine/search.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace engine;

namespace
{

struct Options
{
    std::string out;
    std::string openings = "bench/openings.txt";
    int games = 0; // 0: two a opening
    std::int64_t nodes = 20000;
    double spread = 0.5;
    std::int64_t labelNodes = 0;
    Rule rule = Rule::Freestyle;
    int size = 18;
    std::uint64_t seed = 1;
    int threads = 2;
};

const char *ruleName(Rule rule)
{
    return rule == Rule::Freestyle ? "freestyle" : rule == Rule::Standard ? "exact" : "renju";
}

// The options that make the games, as the file's first line holds them.
std::string headerOf(const Options &o)
{
    std::ostringstream line;
    line << "# datagen size " << o.size << " rule " << ruleName(o.rule) << " nodes " << o.nodes
         << " spread " << o.spread << " label-nodes " << o.labelNodes << " seed " << o.seed
         << " openings " << std::filesystem::path(o.openings).filename().string();
    return line.str();
}

std::uint64_t splitmix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A budget between (1 - spread) and (1 + spread) times `nodes`, by the seed, the pair and
// which of the pair's two budgets.
std::int64_t budgetOf(const Options &o, int pair, int which)
{
    const std::uint64_t r =
        splitmix(o.seed * 0x100000001B3ull + static_cast<std::uint64_t>(pair) * 2 +
                 static_cast<std::uint64_t>(which));
    const double u = static_cast<double>(r >> 11) / 9007199254740992.0; // [0, 1)
    const double factor = 1 - o.spread + 2 * o.spread * u;
    return std::max<std::int64_t>(100, std::llround(static_cast<double>(o.nodes) * factor));
}

std::vector<std::vector<std::pair<int, int>>> readOpenings(const std::string &path)
{
    std::vector<std::vector<std::pair<int, int>>> openings;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
    {
        if (line.empty() || line[0] == '#')
        {
            continue;
        }
        std::istringstream words(line);
        std::string word;
        std::vector<std::pair<int, int>> stones;
        while (words >> word)
        {
            int x = 0, y = 0;
            if (std::sscanf(word.c_str(), "%d,%d", &x, &y) == 2)
            {
                stones.emplace_back(x, y);
            }
        }
        if (!stones.empty())
        {
            openings.push_back(std::move(stones));
        }
    }
    return openings;
}

// Whether the search's score says something: a forced block, an only move or the opening stone
// come with a score of 0 that no search gave.
bool scored(const SearchInfo &info)
{
    for (const char *reason : {"search", "vcf", "vct", "five", "open four"})
    {
        if (std::strcmp(info.reason, reason) == 0)
        {
            return true;
        }
    }
    return false;
}

struct Played
{
    std::string line;
    int positions = 0;
};

Played playGame(const Options &o, int game, int openingNumber,
                const std::vector<std::pair<int, int>> &opening, Searcher &searcher,
                Searcher &labeller)
{
    const int pair = game / 2; // past the file's last opening, the next round's budgets differ
    const bool swapped = game % 2 == 1;
    const std::int64_t a = budgetOf(o, pair, 0), b = budgetOf(o, pair, 1);
    const std::int64_t budget[2] = {swapped ? b : a, swapped ? a : b};
    Position pos(o.size, o.rule);
    std::string moves;
    for (auto [x, y] : opening)
    {
        const Move m = pos.at(x, y);
        if (m == NO_MOVE || !pos.isEmpty(m))
        {
            return {};
        }
        pos.play(m);
        moves += ' ' + std::to_string(x) + ',' + std::to_string(y);
    }
    const char *result = "0.5";
    Played played;
    while (!pos.full())
    {
        const int side = pos.toMove();
        const Move m = searcher.think(pos, Level::Hard, Limits{budget[side], 0}, o.seed);
        if (m == NO_MOVE)
        {
            break;
        }
        const SearchInfo *info = &searcher.info();
        if (o.labelNodes > 0)
        {
            labeller.think(pos, Level::Hard, Limits{o.labelNodes, 0}, o.seed);
            info = &labeller.info();
        }
        pos.play(m);
        ++played.positions;
        moves += ' ' + std::to_string(Position::xOf(m)) + ',' + std::to_string(Position::yOf(m));
        if (scored(*info))
        {
            moves += ':' + std::to_string(info->score);
        }
        if (pos.fiveThrough(m))
        {
            result = side == 0 ? "1" : "0";
            break;
        }
    }
    played.line = std::to_string(game) + ' ' + std::to_string(openingNumber) + ' ' +
                  (swapped ? "1" : "0") + ' ' + result + ' ' + std::to_string(budget[0]) + ' ' +
                  std::to_string(budget[1]) + moves + '\n';
    return played;
}

// The games already in `path` (and whether its header is `header`); a last line without its line
// feed, cut short by a stop, is cut off.
bool readDone(const std::string &path, const std::string &header, std::set<int> &done, bool &fresh)
{
    std::error_code ec;
    fresh = !std::filesystem::exists(path, ec) || std::filesystem::file_size(path, ec) == 0;
    if (fresh)
    {
        return true;
    }
    std::string text;
    {
        std::ifstream in(path, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::size_t end = text.rfind('\n');
    const std::size_t whole = end == std::string::npos ? 0 : end + 1;
    if (whole < text.size())
    {
        std::fprintf(stderr, "datagen: %s: its last line was cut short; dropped\n", path.c_str());
        std::filesystem::resize_file(path, whole, ec);
        if (ec)
        {
            std::fprintf(stderr, "datagen: %s: %s\n", path.c_str(), ec.message().c_str());
            return false;
        }
        text.resize(whole);
        fresh = whole == 0;
        if (fresh)
        {
            return true;
        }
    }
    std::istringstream lines(text);
    std::string line;
    bool first = true;
    while (std::getline(lines, line))
    {
        if (first)
        {
            first = false;
            if (line != header)
            {
                std::fprintf(stderr, "datagen: %s was made with other options:\n  %s\nnot\n  %s\n",
                             path.c_str(), line.c_str(), header.c_str());
                return false;
            }
            continue;
        }
        if (!line.empty() && line[0] != '#')
        {
            done.insert(std::atoi(line.c_str()));
        }
    }
    return true;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: datagen OUT [--openings FILE] [--games N] [--nodes N] [--spread F]\n"
                 "               [--label-nodes N] [--rule freestyle|exact|renju] [--size N]\n"
                 "               [--seed S] [--threads T]\n"
                 "       datagen evals GAMES [--all]\n");
    return 2;
}

bool parse(int argc, char **argv, Options &o)
{
    if (argc < 2 || argv[1][0] == '-')
    {
        return false;
    }
    o.out = argv[1];
    for (int i = 2; i < argc; i += 2)
    {
        const std::string name = argv[i];
        if (i + 1 >= argc)
        {
            std::fprintf(stderr, "datagen: %s needs a value\n", name.c_str());
            return false;
        }
        const std::string value = argv[i + 1];
        char *end = nullptr;
        const double number = std::strtod(value.c_str(), &end);
        const bool numeric = end != value.c_str() && *end == '\0';
        if (name == "--openings")
        {
            o.openings = value;
            continue;
        }
        if (name == "--rule")
        {
            if (value != "freestyle" && value != "exact" && value != "renju")
            {
                std::fprintf(stderr, "datagen: --rule is freestyle, exact or renju\n");
                return false;
            }
            o.rule = value == "freestyle" ? Rule::Freestyle
                     : value == "exact"   ? Rule::Standard
                                          : Rule::Renju;
            continue;
        }
        if (!numeric || number < 0)
        {
            std::fprintf(stderr, "datagen: %s needs a number of 0 or more, not '%s'\n",
                         name.c_str(), value.c_str());
            return false;
        }
        if (name == "--games")
        {
            o.games = static_cast<int>(number);
        }
        else if (name == "--nodes" && number >= 100)
        {
            o.nodes = static_cast<std::int64_t>(number);
        }
        else if (name == "--spread" && number < 1)
        {
            o.spread = number;
        }
        else if (name == "--label-nodes")
        {
            o.labelNodes = static_cast<std::int64_t>(number);
        }
        else if (name == "--size" && number >= MIN_SIZE && number <= MAX_SIZE)
        {
            o.size = static_cast<int>(number);
        }
        else if (name == "--seed")
        {
            o.seed = static_cast<std::uint64_t>(number);
        }
        else if (name == "--threads" && number >= 1 && number <= 64)
        {
            o.threads = static_cast<int>(number);
        }
        else
        {
            std::fprintf(stderr, "datagen: %s %s: unknown option or out of range\n", name.c_str(),
                         value.c_str());
            return false;
        }
    }
    return true;
}

// Prints the hand-made evaluation before every move of every game in `path` (with `all`, also
// where the search would not judge the position as it stands).
int printEvaluations(const std::string &path, bool all)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        std::fprintf(stderr, "datagen: cannot read %s\n", path.c_str());
        return 1;
    }
    int size = 18;
    Rule rule = Rule::Freestyle;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line))
    {
        ++lineNumber;
        std::istringstream words(line);
        std::string word;
        if (!(words >> word))
        {
            continue;
        }
        if (word == "#")
        {
            for (std::string name, value; words >> name >> value;)
            {
                if (name == "size")
                {
                    size = std::clamp(std::atoi(value.c_str()), MIN_SIZE, MAX_SIZE);
                }
                else if (name == "rule")
                {
                    rule = value == "exact"   ? Rule::Standard
                           : value == "renju" ? Rule::Renju
                                              : Rule::Freestyle;
                }
            }
            continue;
        }
        if (in.eof())
        {
            break; // a last line without its line feed was cut short by a stop
        }
        const std::string game = word;
        for (int skip = 0; skip < 5 && words >> word; ++skip)
        {
        }
        Position pos(size, rule);
        std::string out = game;
        while (words >> word)
        {
            int x = -1, y = -1;
            if (std::sscanf(word.c_str(), "%d,%d", &x, &y) != 2 || pos.at(x, y) == NO_MOVE ||
                !pos.isEmpty(pos.at(x, y)))
            {
                std::fprintf(stderr, "datagen: %s:%d: '%s' is not an empty point of the board\n",
                             path.c_str(), lineNumber, word.c_str());
                return 1;
            }
            const int me = pos.toMove(), you = me ^ 1;
            const bool judged =
                all || (pos.fivePoints(me).empty() && pos.flexFourPoints(me).empty() &&
                        pos.fiveThreats(you) == 0 && pos.flexFourPoints(you).empty());
            out += judged ? ' ' + std::to_string(evaluate(pos)) : std::string(" -");
            pos.play(pos.at(x, y));
        }
        std::printf("%s\n", out.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if ((argc == 3 || (argc == 4 && std::strcmp(argv[3], "--all") == 0)) &&
        std::strcmp(argv[1], "evals") == 0)
    {
        return printEvaluations(argv[2], argc == 4);
    }
    Options o;
    if (!parse(argc, argv, o))
    {
        return usage();
    }
    const auto openings = readOpenings(o.openings);
    if (openings.empty())
    {
        std::fprintf(stderr, "datagen: no openings in %s\n", o.openings.c_str());
        return 1;
    }
    const int games = o.games > 0 ? o.games : 2 * static_cast<int>(openings.size());
    const std::string header = headerOf(o);
    std::set<int> done;
    bool fresh = true;
    if (!readDone(o.out, header, done, fresh))
    {
        return 1;
    }
    std::vector<int> todo;
    for (int g = 0; g < games; ++g)
    {
        if (!done.count(g))
        {
            todo.push_back(g);
        }
    }
    std::ofstream out(o.out, std::ios::app | std::ios::binary);
    if (!out)
    {
        std::fprintf(stderr, "datagen: cannot write %s\n", o.out.c_str());
        return 1;
    }
    if (fresh)
    {
        out << header << '\n';
        out.flush();
    }
    std::printf("datagen: %d games, %zu in %s already, %zu to play, %lld positions a move%s\n",
                games, done.size(), o.out.c_str(), todo.size(), static_cast<long long>(o.nodes),
                o.labelNodes > 0 ? ", labelled deeper" : "");
    std::fflush(stdout);

    std::mutex lock;
    std::atomic<std::size_t> next{0};
    int finished = 0;
    long long positions = 0;
    bool failed = false;
    const auto begun = std::chrono::steady_clock::now();
    auto worker = [&]
    {
        Searcher searcher, labeller(o.labelNodes > 0 ? DEFAULT_HASH_BYTES : 1 << 16);
        for (std::size_t i; (i = next++) < todo.size();)
        {
            const int g = todo[i];
            const std::size_t number = static_cast<std::size_t>(g / 2) % openings.size();
            Played played =
                playGame(o, g, static_cast<int>(number), openings[number], searcher, labeller);
            std::lock_guard<std::mutex> hold(lock);
            if (played.line.empty())
            {
                std::fprintf(stderr, "datagen: opening %d does not fit a board of %d\n", g / 2,
                             o.size);
                failed = true;
                continue;
            }
            out << played.line;
            out.flush();
            ++finished;
            positions += played.positions;
            const double minutes =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count() /
                60;
            std::printf("datagen: game %d done; %zu of %d in the file, %lld positions this run, "
                        "%.1f games a minute\n",
                        g, done.size() + static_cast<std::size_t>(finished), games, positions,
                        finished / std::max(minutes, 1e-9));
            std::fflush(stdout);
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < o.threads; ++t)
    {
        helpers.emplace_back(worker);
    }
    worker();
    for (std::thread &t : helpers)
    {
        t.join();
    }
    if (!out)
    {
        std::fprintf(stderr, "datagen: writing %s failed\n", o.out.c_str());
        return 1;
    }
    return failed ? 1 : 0;
}
