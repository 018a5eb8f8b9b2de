// make_tactics: makes the tactics suite (tests/data/tactics.txt; docs/engine.md tells how).
// Positions come from the engine's games against itself and from crowded boards grown towards
// long wins by fours, then turned and moved to edges and corners, given spare fours, and with the
// other side to move; the tests' own solver (tests/engine/solver) proves each one's kind, length
// and answers. The same seed makes the same file, so the files of several seeds join by `cat`.
//   make_tactics OUT [SEED [PERCENT]]   (PERCENT: of the games, patches and quotas; 100)
//   make_tactics --recheck IN OUT [NODES]   (the engine's moves at NODES positions proved again)
//   make_tactics --games IN OUT   (positions from games, each line "NAME SIZE x,y x,y ...": the
//                                  stones up to the position, black first; those of a kind kept)
#include "engine/search.h"
#include "tests/engine/solver/solver.h"
#include "tests/engine/tactics/record.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

using solver::Board;
using solver::Solver;
using solver::Threats;
using solver::Verdict;

constexpr int FOURS_CAP = 20;   // the longest win by fours looked for, and held against
constexpr int THREATS_CAP = 9;  // the longest win by threes and fours looked for
constexpr int SLACK = 2;        // answers win (or hold) within the win's length and this more
constexpr int HOLD_CAP = 11;    // ... but hold against wins by threes of at most this length
constexpr int MAX_ANSWERS = 12; // a defence with more right points than this tests little
// A question the solver cannot settle within this many positions drops the position.
constexpr std::int64_t NODE_LIMIT = 3000000;
const int SIZES[] = {15, 18, 20};

// How many positions of each group the suite holds ("vct-spare": wins by threes and fours
// where the defender has fours of its own).
const std::pair<const char *, int> QUOTAS[] = {
    {"vcf", 150}, {"vct", 100}, {"vct-spare", 70}, {"stop-vcf", 70}, {"stop-vct", 70}};

// A small, fixed random generator (splitmix64), the same on every system.
struct Random
{
    std::uint64_t state;
    std::uint64_t next() { return solver::scramble(std::exchange(state, state + GOLDEN)); }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    static constexpr std::uint64_t GOLDEN = 0x9E3779B97F4A7C15ull;
};

struct Candidate
{
    Board board{15};
    int who = solver::BLACK;
    std::string kind;
    int moves = 0;
    bool spareFours = false;
    std::string from;
    std::vector<int> answers;
};

bool isStop(const std::string &kind)
{
    return kind.rfind("stop", 0) == 0;
}

std::string group(const Candidate &c)
{
    return c.kind + (c.kind == "vct" && c.spareFours ? "-spare" : "");
}

// What a position is: a win by fours or by threes and fours for the side to move, or a win the
// other side would have, which must be stopped. False for positions that are none of these, that
// are decided at once (a five to make or to stop, an open four to make), or that the solver
// could not settle.
bool triage(Board &b, int who, Candidate *c)
{
    const int opp = solver::other(who);
    if (b.hasFive() || !b.fivePoints(who).empty() || !b.fivePoints(opp).empty() ||
        !Solver(b, Threats::Fours).openFourPoints(who).empty())
        return false;
    c->board = b;
    c->who = who;
    // Asked in turn; the first that is not a proved "no" decides (the side to move, with no open
    // four, has no win shorter than 3 stones).
    const std::tuple<const char *, int, Threats, int> questions[] = {
        {"vcf", who, Threats::Fours, FOURS_CAP},
        {"vct", who, Threats::ThreesAndFours, THREATS_CAP},
        {"stop-vcf", opp, Threats::Fours, FOURS_CAP},
        {"stop-vct", opp, Threats::ThreesAndFours, THREATS_CAP}};
    for (const auto &[kind, winner, threats, cap] : questions)
    {
        const Verdict v = Solver(b, threats, NODE_LIMIT).shortestWin(winner, cap);
        if (!v.noWin())
        {
            c->kind = kind;
            c->moves = v.moves;
            c->spareFours = winner == who && !Solver(b, Threats::Fours).fourMoves(opp).empty();
            return v.win() && v.moves >= 3;
        }
    }
    return false;
}

// The right answers: for a win, every point that wins by fours within FOURS_CAP or by threes
// and fours within the win's length and SLACK; for a stop, every point after which the other
// side has neither. False when the solver could not settle every point, or a stop has no point
// that holds or too many.
bool prove(Candidate *c)
{
    bool knownFours = true, knownThreats = true;
    // Holding against every win by threes is proved point by point over the whole board, the
    // dearest question asked: a stop gets the plain budget, and is dropped past it.
    const bool stop = isStop(c->kind);
    Solver fours(c->board, Threats::Fours, NODE_LIMIT * 4);
    Solver threats(c->board, Threats::ThreesAndFours, stop ? NODE_LIMIT : NODE_LIMIT * 4);
    const int length = std::min(c->moves + SLACK, HOLD_CAP);
    c->answers.clear();
    if (!stop)
    {
        const std::vector<int> byFours = fours.winningMoves(c->who, FOURS_CAP, &knownFours);
        const std::vector<int> byThreats = threats.winningMoves(
            c->who, c->kind == "vcf" ? std::min(length, THREATS_CAP) : length, &knownThreats);
        std::set_union(byFours.begin(), byFours.end(), byThreats.begin(), byThreats.end(),
                       std::back_inserter(c->answers));
        return knownFours && knownThreats && !c->answers.empty();
    }
    const std::vector<int> againstFours = fours.holdingMoves(c->who, FOURS_CAP, &knownFours);
    const std::vector<int> againstThreats =
        threats.holdingMoves(c->who, std::max(length, 7), &knownThreats);
    std::set_intersection(againstFours.begin(), againstFours.end(), againstThreats.begin(),
                          againstThreats.end(), std::back_inserter(c->answers));
    return knownFours && knownThreats && !c->answers.empty() &&
           static_cast<int>(c->answers.size()) <= MAX_ANSWERS;
}

// --- Where positions come from -------------------------------------------------------------

// The engine against itself at the medium level from a random opening of 2 to 6 stones near the
// centre; every position of the game that is one of the kinds, at most two of a kind a game.
void selfPlay(int size, std::uint64_t seed, std::vector<Candidate> *out)
{
    Random random{seed};
    engine::Position pos(size);
    Board board(size);
    engine::Searcher searcher(std::size_t{1} << 20);
    auto play = [&](engine::Move m)
    {
        board.put(board.at(pos.xOf(m), pos.yOf(m)),
                  pos.toMove() == 0 ? solver::BLACK : solver::WHITE);
        pos.play(m);
    };
    const int c = size / 2;
    const int opening = 2 + random.below(5);
    while (pos.moveCount() < opening)
    {
        engine::Move m = pos.at(c - 3 + random.below(7), c - 3 + random.below(7));
        if (pos.isEmpty(m))
            play(m);
    }
    std::map<std::string, int> taken;
    for (bool over = false; !over && !pos.full();)
    {
        Candidate cand;
        if (triage(board, pos.toMove() == 0 ? solver::BLACK : solver::WHITE, &cand) &&
            taken[cand.kind]++ < 2)
        {
            cand.from = "game:" + std::to_string(size) + ":" + std::to_string(seed) + ":" +
                        std::to_string(pos.moveCount());
            out->push_back(cand);
        }
        engine::Move m =
            searcher.think(pos, engine::Level::Medium, engine::Limits{}, random.next());
        over = m == engine::NO_MOVE;
        if (!over)
        {
            play(m);
            over = pos.fiveThrough(m);
        }
    }
}

// A random patch of the board, then stones added and taken away one at a time, each change
// kept when the side to move's shortest win by fours is no shorter than before (none counts as
// the shortest); every new length reached is kept as a position.
void growFours(int size, std::uint64_t seed, std::vector<Candidate> *out)
{
    Random random{seed};
    Board b(size);
    const int span = 9 + random.below(3);
    const int x0 = random.below(size - span + 1), y0 = random.below(size - span + 1);
    for (int i = 0; i < span * span / 5; ++i)
    {
        int p = b.at(x0 + random.below(span), y0 + random.below(span));
        if (b.empty(p))
            b.put(p, i % 2 == 0 ? solver::BLACK : solver::WHITE);
    }
    const int who = random.below(2) == 0 ? solver::BLACK : solver::WHITE;
    std::set<int> lengths;
    int best = 0;
    for (int step = 1, still = 0; step <= 2000 && still < 500; ++step, ++still)
    {
        const int p = b.at(x0 + random.below(span), y0 + random.below(span));
        const int was = b.get(p);
        b.put(p, was != solver::NONE ? solver::NONE
                                     : (random.below(2) == 0 ? solver::BLACK : solver::WHITE));
        // Neither side far ahead in stones, as in a game; no five on the board or to be made,
        // no open four for the side to move.
        const auto blacks = b.where([&](int q) { return b.get(q) == solver::BLACK; }).size();
        const bool fair = std::abs(2 * static_cast<int>(blacks) - b.stones()) <= 2 &&
                          !b.hasFive() && b.fivePoints(who).empty() &&
                          b.fivePoints(solver::other(who)).empty();
        Solver fours(b, Threats::Fours, NODE_LIMIT / 10);
        const Verdict v = fair && fours.openFourPoints(who).empty()
                              ? fours.shortestWin(who, FOURS_CAP)
                              : Verdict::unknown();
        const int length = v.win() ? v.moves : 0;
        if (v.kind == Verdict::Unknown || length < best)
        {
            b.put(p, was);
            continue;
        }
        best = length;
        Candidate c;
        if (length >= 3 && lengths.insert(length).second && triage(b, who, &c) && c.kind == "vcf")
        {
            c.from = "grown:" + std::to_string(size) + ":" + std::to_string(seed) + ":" +
                     std::to_string(step);
            out->push_back(c);
            still = 0;
        }
    }
}

// The position turned by one of the eight symmetries of the square and moved, on a board of
// `size`, so that its stones reach one edge or two (a corner). False if they do not fit.
bool moved(const Candidate &c, int size, int symmetry, bool corner, Random &random, Candidate *out)
{
    const Board &b = c.board;
    const int n = b.size();
    const std::vector<int> stones = b.where([&](int p) { return !b.empty(p); });
    std::vector<std::pair<int, int>> turned;
    int minX = n, minY = n, maxX = -1, maxY = -1;
    for (int p : stones)
    {
        int x = symmetry & 1 ? n - 1 - b.xOf(p) : b.xOf(p);
        int y = symmetry & 2 ? n - 1 - b.yOf(p) : b.yOf(p);
        if (symmetry & 4)
            std::swap(x, y);
        turned.push_back({x, y});
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    const int w = maxX - minX + 1, h = maxY - minY + 1;
    if (maxX < 0 || w > size || h > size)
        return false;
    // Against the left or right edge, and (for a corner) the top or bottom one; elsewhere at
    // random along the other.
    int dx = random.below(2) == 0 ? -minX : size - 1 - maxX;
    int dy = corner ? (random.below(2) == 0 ? -minY : size - 1 - maxY)
                    : -minY + random.below(size - h + 1);
    out->board = Board(size);
    for (std::size_t i = 0; i < stones.size(); ++i)
    {
        out->board.put(out->board.at(turned[i].first + dx, turned[i].second + dy),
                       b.get(stones[i]));
    }
    return true;
}

// Spare fours for the defender, far from the fight: three of its stones in a row closed at one
// end by an attacker's stone and open at the other, so that it can make a four that the attacker
// must stop and that leads to nothing more. False if no room was found.
bool withSpareFour(Board &b, int attacker, Random &random)
{
    for (int attempt = 0; attempt < 200; ++attempt)
    {
        const auto &step = solver::STEPS[random.below(4)];
        const int sign = random.below(2) == 0 ? 1 : -1;
        const int x0 = random.below(b.size()), y0 = random.below(b.size());
        // A, D, D, D, then two empty points, along the line, with nothing within three points of
        // any of them, so that the shape touches nothing already there.
        int shape[6];
        bool fits = true;
        for (int k = 0; k < 6 && fits; ++k)
        {
            const int x = x0 + sign * k * step[0], y = y0 + sign * k * step[1];
            fits = b.inside(x, y);
            shape[k] = fits ? b.at(x, y) : 0;
            for (int dy = -3; dy <= 3 && fits; ++dy)
                for (int dx = -3; dx <= 3 && fits; ++dx)
                    fits = !b.inside(x + dx, y + dy) || b.empty(b.at(x + dx, y + dy));
        }
        if (fits)
        {
            for (int k = 0; k <= 3; ++k)
                b.put(shape[k], k == 0 ? attacker : solver::other(attacker));
            return true;
        }
    }
    return false;
}

// --- The suite -----------------------------------------------------------------------------

tactics::Record recordOf(const Candidate &c, const std::string &name)
{
    const Board &b = c.board;
    tactics::Record r;
    r.name = name;
    r.kind = c.kind;
    r.size = b.size();
    r.toMove = c.who == solver::BLACK ? 'X' : 'O';
    r.moves = c.moves;
    for (int p : c.answers)
        r.answers.push_back({b.xOf(p), b.yOf(p)});
    bool side = false, end = false; // stones on the left or right edge; on the top or bottom one
    for (int p : b.where([&](int q) { return !b.empty(q); }))
    {
        (b.get(p) == solver::BLACK ? r.black : r.white).push_back({b.xOf(p), b.yOf(p)});
        side = side || b.xOf(p) == 0 || b.xOf(p) == b.size() - 1;
        end = end || b.yOf(p) == 0 || b.yOf(p) == b.size() - 1;
    }
    if (c.spareFours)
        r.tags.push_back("spare-fours");
    if (side || end)
        r.tags.push_back(side && end ? "corner" : "edge");
    r.from = c.from;
    return r;
}

void header(std::ostream &out, const std::string &how, const char *what = "The tactics suite")
{
    out << "# " << what
        << ": positions whose answers the tests' own solver proved\n"
           "# (tests/engine/solver), made by tests/engine/tactics/make_tactics.cpp"
        << how << "\n# Format and kinds: tests/engine/tactics/record.h.\n";
}

// --- Rechecking a suite ----------------------------------------------------------------------

// The answers as first proved look only so far (a win's within its length and SLACK, a stop's
// against wins of at most HOLD_CAP stones), and the solver proves only wins made of threats. The
// recheck has the engine play each win and answer each stop's every answer, and the solver
// prove what it finds: a point the engine plays in a win that the solver proves a win (by fours
// within FOURS_CAP, by threes and fours within RECHECK_CAP, or after up to QUIET_MOVES quiet
// moves of the engine's, each leaving every point of the defender's that holds against threats
// lost to the next step) is an answer too; a stop's answer after which the engine's reply wins
// so, or by threats within those caps (longer than the first proof held against), is struck
// out, and a stop with none left is dropped. Every change stands on a proof.
constexpr int RECHECK_CAP = 15;
constexpr int QUIET_MOVES = 2;

Board boardOf(const tactics::Record &r)
{
    Board b(r.size);
    for (const auto &[x, y] : r.black)
        b.put(b.at(x, y), solver::BLACK);
    for (const auto &[x, y] : r.white)
        b.put(b.at(x, y), solver::WHITE);
    return b;
}

// The engine's move for `who` on `b` (-1 when it has none), from a searcher of its own, so that
// no question's answer depends on the questions asked before it.
int engineMove(const Board &b, int who, std::int64_t nodes)
{
    engine::Position pos(b.size());
    for (int p : b.where([&](int q) { return !b.empty(q); }))
        pos.place(pos.at(b.xOf(p), b.yOf(p)), b.get(p) == solver::BLACK ? 0 : 1);
    pos.setToMove(who == solver::BLACK ? 0 : 1);
    engine::Searcher searcher(std::size_t{8} << 20);
    const engine::Move m = searcher.think(pos, engine::Level::Hard, engine::Limits{nodes, 0}, 1);
    return m == engine::NO_MOVE ? -1 : b.at(pos.xOf(m), pos.yOf(m));
}

// Whether the point `p` of `who` wins on `b` (proved), as a win of `kind` may.
bool provedWin(Board &b, int p, int who, const std::string &kind)
{
    b.put(p, who);
    bool won =
        Solver(b, Threats::Fours, NODE_LIMIT).afterThreat(who, FOURS_CAP - 1).win() ||
        (kind == "vct" &&
         Solver(b, Threats::ThreesAndFours, NODE_LIMIT).afterThreat(who, RECHECK_CAP - 1).win());
    b.put(p, solver::NONE);
    return won;
}

// Whether `attacker`, to move on `b`, wins by the engine's move (`reply`, when already known) and
// the solver's proof that every point of the defender's that holds against wins by threats loses
// to the next step, at most `quiet` steps of the engine's. Stopping the defender's four is forced,
// not a step: the defender's four holds only while it has a point that holds after the block.
bool winsByQuietMoves(Board &b, int attacker, int quiet, std::int64_t nodes, int reply = -1)
{
    const int defender = solver::other(attacker);
    const std::vector<int> fives = b.fivePoints(defender);
    if (!b.fivePoints(attacker).empty() || fives.size() >= 2)
        return !b.fivePoints(attacker).empty();
    const bool forced = fives.size() == 1;
    const int m = forced      ? fives[0]
                  : quiet > 0 ? (reply >= 0 ? reply : engineMove(b, attacker, nodes))
                              : -1;
    if (m < 0)
        return false;
    b.put(m, attacker);
    bool won = true;
    const std::vector<int> holding =
        Solver(b, Threats::ThreesAndFours, NODE_LIMIT).holdingMoves(defender, HOLD_CAP, &won);
    for (std::size_t i = 0; won && i < holding.size(); ++i)
    {
        b.put(holding[i], defender);
        won = winsByQuietMoves(b, attacker, forced ? quiet : quiet - 1, nodes);
        b.put(holding[i], solver::NONE);
    }
    b.put(m, solver::NONE);
    return won;
}

int recheck(const char *in, const char *out, std::int64_t nodes)
{
    std::ifstream file(in);
    std::vector<tactics::Record> records;
    std::string problem;
    if (!file || !tactics::readAll(file, &records, &problem))
    {
        std::fprintf(stderr, "make_tactics: cannot read %s%s%s\n", in, problem.empty() ? "" : ": ",
                     problem.c_str());
        return 1;
    }
    std::ofstream o(out);
    if (!o)
    {
        std::fprintf(stderr, "make_tactics: cannot write %s\n", out);
        return 1;
    }
    header(o, " and rechecked\n# with the engine at " + std::to_string(nodes) + " positions.");
    int added = 0, struck = 0, dropped = 0;
    for (tactics::Record &r : records)
    {
        Board b = boardOf(r);
        const int who = r.toMove == 'X' ? solver::BLACK : solver::WHITE;
        if (!isStop(r.kind))
        {
            const int m = engineMove(b, who, nodes);
            if (m >= 0 && !r.isAnswer(b.xOf(m), b.yOf(m)) &&
                (provedWin(b, m, who, r.kind) ||
                 (r.kind == "vct" && winsByQuietMoves(b, who, QUIET_MOVES, nodes, m))))
            {
                r.answers.push_back({b.xOf(m), b.yOf(m)});
                std::sort(r.answers.begin(), r.answers.end(),
                          [](auto a, auto c) {
                              return std::pair{a.second, a.first} < std::pair{c.second, c.first};
                          });
                std::fprintf(stderr, "%s: %d,%d wins too\n", r.name.c_str(), b.xOf(m), b.yOf(m));
                ++added;
            }
        }
        else
        {
            std::vector<tactics::Point> holding;
            for (const auto &[x, y] : r.answers)
            {
                // The defender's answer, refuted when the engine's reply then wins: by threats
                // as long as a win's recheck allows, or by quiet moves.
                b.put(b.at(x, y), who);
                const int attacker = solver::other(who);
                const int reply = engineMove(b, attacker, nodes);
                if ((reply >= 0 && provedWin(b, reply, attacker, "vct")) ||
                    winsByQuietMoves(b, attacker, QUIET_MOVES, nodes, reply))
                {
                    std::fprintf(stderr, "%s: %d,%d does not hold\n", r.name.c_str(), x, y);
                    ++struck;
                }
                else
                {
                    holding.push_back({x, y});
                }
                b.put(b.at(x, y), solver::NONE);
            }
            r.answers = holding;
            if (holding.empty())
            {
                std::fprintf(stderr, "%s: dropped, lost whatever it plays\n", r.name.c_str());
                ++dropped;
                continue;
            }
        }
        o << tactics::format(r) << "\n";
    }
    std::fprintf(stderr, "%zu records: %d answers added, %d struck out, %d records dropped\n",
                 records.size(), added, struck, dropped);
    return o ? 0 : 1;
}

// --- Positions from games ------------------------------------------------------------------

// Each line of `in` names a position of a real game (one the engine lost, say) and gives its
// stones; each of a kind whose answers the solver proves is written with its name, the others
// are told why not.
int fromGames(const char *in, const char *out)
{
    std::ifstream file(in);
    std::ofstream o(out);
    if (!file || !o)
    {
        std::fprintf(stderr, "make_tactics: cannot %s %s\n", file ? "write" : "read",
                     file ? out : in);
        return 1;
    }
    header(o, " --games from the\n# positions of games in " + std::string(in) + ".", "Lost games");
    int written = 0, lineNumber = 0;
    for (std::string line; std::getline(file, line);)
    {
        ++lineNumber;
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string name, point;
        int size = 0;
        words >> name >> size;
        if (!words || size < tactics::MIN_SIZE || size > tactics::MAX_SIZE)
        {
            std::fprintf(stderr, "make_tactics: %s:%d: no name and board size\n", in, lineNumber);
            return 1;
        }
        Board b(size);
        int stones = 0;
        while (words >> point)
        {
            int x = -1, y = -1;
            char comma = 0;
            std::istringstream xy(point);
            xy >> x >> comma >> y;
            if (!xy || comma != ',' || x < 0 || y < 0 || x >= size || y >= size ||
                !b.empty(b.at(x, y)))
            {
                std::fprintf(stderr, "make_tactics: %s:%d: '%s' is not an empty point\n", in,
                             lineNumber, point.c_str());
                return 1;
            }
            b.put(b.at(x, y), stones++ % 2 == 0 ? solver::BLACK : solver::WHITE);
        }
        Candidate c;
        const int who = stones % 2 == 0 ? solver::BLACK : solver::WHITE;
        if (!triage(b, who, &c))
        {
            std::fprintf(stderr, "%s: none of the kinds the solver proves\n", name.c_str());
            continue;
        }
        if (!prove(&c))
        {
            std::fprintf(stderr, "%s: a %s whose answers the solver could not settle\n",
                         name.c_str(), c.kind.c_str());
            continue;
        }
        c.from = "game:" + name;
        o << tactics::format(recordOf(c, name)) << std::endl;
        ++written;
        std::fprintf(stderr, "%s: %s in %d, %zu answers\n", name.c_str(), c.kind.c_str(), c.moves,
                     c.answers.size());
    }
    std::fprintf(stderr, "%d positions\n", written);
    return o ? 0 : 1;
}

// Adds, for each position found so far, the variant `make` makes of it (false: none), its
// origin marked with `suffix`.
template <class Make> void addVariants(std::vector<Candidate> &found, const char *suffix, Make make)
{
    for (std::size_t i = 0, n = found.size(); i < n; ++i)
    {
        Candidate variant = found[i];
        if (make(found[i], &variant))
        {
            variant.from = found[i].from + suffix;
            found.push_back(variant);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--games")
        return fromGames(argv[2], argv[3]);
    if (argc >= 4 && std::string(argv[1]) == "--recheck")
        return recheck(argv[2], argv[3], argc > 4 ? std::max(1000ll, std::atoll(argv[4])) : 600000);
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: make_tactics OUT [SEED [PERCENT]]\n"
                             "       make_tactics --recheck IN OUT [NODES]\n"
                             "       make_tactics --games IN OUT\n");
        return 2;
    }
    const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    const int percent = argc > 3 ? std::max(1, std::atoi(argv[3])) : 100;
    auto scaled = [&](int n) { return std::max(1, n * percent / 100); };
    Random random{seed * 7919};
    std::vector<Candidate> found;

    // 1. Games, and crowded patches grown towards long wins by fours.
    for (int game = 0; game < scaled(90); ++game)
    {
        selfPlay(SIZES[game % 3], seed * 1000 + static_cast<std::uint64_t>(game), &found);
        std::fprintf(stderr, "game %d: %zu positions\n", game, found.size());
    }
    for (int patch = 0; patch < scaled(120); ++patch)
    {
        growFours(SIZES[patch % 3], seed * 1000 + static_cast<std::uint64_t>(patch), &found);
        std::fprintf(stderr, "patch %d: %zu positions\n", patch, found.size());
    }
    // The wins again with the other side to move: it must stop them.
    addVariants(found, ":other",
                [](const Candidate &c, Candidate *s) {
                    return !isStop(c.kind) && triage(s->board, solver::other(c.who), s) &&
                           isStop(s->kind);
                });
    std::fprintf(stderr, "and the other side to move: %zu positions\n", found.size());
    // 2. Each turned and moved to an edge or a corner, on another board.
    addVariants(found, ":moved",
                [&](const Candidate &c, Candidate *m)
                {
                    return random.below(2) == 0 &&
                           moved(c, SIZES[random.below(3)], random.below(8), random.below(3) == 0,
                                 random, m) &&
                           triage(m->board, c.who, m);
                });
    std::fprintf(stderr, "moved to edges: %zu positions\n", found.size());
    // 3. Wins by threes and fours with spare fours given to the defender.
    addVariants(found, ":spare-fours",
                [&](const Candidate &c, Candidate *s)
                {
                    if (c.kind != "vct" || c.spareFours)
                        return false;
                    const int fours = 1 + random.below(2);
                    bool placed = true;
                    for (int k = 0; k < fours && placed; ++k)
                        placed = withSpareFour(s->board, s->who, random);
                    return placed && triage(s->board, s->who, s) && s->kind == "vct" &&
                           s->spareFours;
                });
    std::fprintf(stderr, "with spare fours: %zu positions\n", found.size());

    // 4. For each kind, positions spread over the lengths found, each proved in full and written
    // at once: a run cut short keeps what it proved.
    std::ofstream out(argv[1]);
    header(out, " with seed " + std::to_string(seed) + " at " + std::to_string(percent) + " %.");
    int written = 0;
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
    for (const auto &[name, count] : QUOTAS)
    {
        std::map<int, std::vector<std::size_t>> byLength;
        for (std::size_t i = 0; i < found.size(); ++i)
            if (group(found[i]) == name)
                byLength[found[i].moves].push_back(i);
        for (auto &[length, list] : byLength)
        {
            for (std::size_t i = list.size(); i > 1; --i) // shuffled, the same for a seed
            {
                std::swap(list[i - 1],
                          list[static_cast<std::size_t>(random.below(static_cast<int>(i)))]);
            }
        }
        // One position of each length in turn, until the quota is met or none is left.
        int taken = 0;
        for (bool any = true; any && taken < scaled(count);)
        {
            any = false;
            for (auto &[length, list] : byLength)
            {
                while (!list.empty() && taken < scaled(count))
                {
                    Candidate c = found[list.back()];
                    list.pop_back();
                    any = true;
                    const auto side = static_cast<std::uint64_t>(c.who);
                    if (seen.insert({c.board.key(), c.board.check() ^ side}).second && prove(&c))
                    {
                        char id[64];
                        std::snprintf(id, sizeof id, "%s-%llu-%03d", name,
                                      static_cast<unsigned long long>(seed), ++taken);
                        out << tactics::format(recordOf(c, id)) << std::endl;
                        ++written;
                        std::fprintf(stderr, "%s: %s moves %d, %zu answers\n", id, c.from.c_str(),
                                     c.moves, c.answers.size());
                        break;
                    }
                }
            }
        }
    }
    std::fprintf(stderr, "%d positions\n", written);
    return out ? 0 : 1;
}
