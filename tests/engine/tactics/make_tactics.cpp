// make_tactics: makes the tactics suite. Positions come from games the engine plays against
// itself (medium level, random openings, a seed for each), from random crowded boards grown
// stone by stone towards long wins by fours, from those positions turned, mirrored and moved to
// the board's edges and corners on boards of 15, 18 and 20, and from wins by threes and fours
// given spare fours of the defender's far from the fight; each win also with the other side to
// move, to be stopped. Every position's kind, length and
// answers are proved by the tests' own solver (tests/engine/solver); the engine only plays the
// games. The same seed makes the same file, its names carrying the seed, so that the files of
// several seeds (made on several cores at once) join into one suite by `cat`.
//   make_tactics OUT [SEED [PERCENT]]   (PERCENT: of the games, patches and quotas; 100)
//   make_tactics --recheck IN OUT [NODES]   (the engine's moves at NODES positions proved again)
#include "engine/search.h"
#include "tests/engine/solver/solver.h"
#include "tests/engine/tactics/record.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>
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
constexpr std::int64_t NODE_LIMIT = 3000000; // a question the solver cannot settle within this
                                             // many positions drops the position
const int SIZES[] = {15, 18, 20};

// How many positions of each kind the suite holds.
struct Quota
{
    const char *kind;
    bool spareFours; // wins by threes and fours where the defender has fours of its own
    int count;
};
const Quota QUOTAS[] = {
    {"vcf", false, 150},     {"vct", false, 100},     {"vct", true, 70},
    {"stop-vcf", false, 70}, {"stop-vct", false, 70},
};

// A small, fixed random generator, the same on every system.
struct Random
{
    std::uint64_t state;
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
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

// What a position is: a win by fours or by threes and fours for the side to move, or a win the
// other side would have, which must be stopped. False for positions that are none of these, that
// are decided at once (a five to make or to stop, an open four to make), or that the solver
// could not settle.
bool triage(Board &b, int who, Candidate *c)
{
    const int opp = solver::other(who);
    if (b.hasFive() || !b.fivePoints(who).empty() || !b.fivePoints(opp).empty())
    {
        return false;
    }
    Solver fours(b, Threats::Fours, NODE_LIMIT);
    if (!fours.openFourPoints(who).empty())
    {
        return false;
    }
    c->board = b;
    c->who = who;
    c->spareFours = false;
    Verdict v = fours.shortestWin(who, FOURS_CAP);
    if (v.kind == Verdict::Unknown)
    {
        return false;
    }
    if (v.win())
    {
        c->kind = "vcf";
        c->moves = v.moves;
        c->spareFours = !fours.fourMoves(opp).empty();
        return true;
    }
    Solver threats(b, Threats::ThreesAndFours, NODE_LIMIT);
    v = threats.shortestWin(who, THREATS_CAP);
    if (v.kind == Verdict::Unknown)
    {
        return false;
    }
    if (v.win())
    {
        c->kind = "vct";
        c->moves = v.moves;
        c->spareFours = !fours.fourMoves(opp).empty();
        return true;
    }
    Solver theirFours(b, Threats::Fours, NODE_LIMIT);
    v = theirFours.shortestWin(opp, FOURS_CAP);
    if (v.win() && v.moves >= 3)
    {
        c->kind = "stop-vcf";
        c->moves = v.moves;
        return true;
    }
    if (v.kind == Verdict::Unknown || v.win())
    {
        return false;
    }
    Solver theirThreats(b, Threats::ThreesAndFours, NODE_LIMIT);
    v = theirThreats.shortestWin(opp, THREATS_CAP);
    if (v.win() && v.moves >= 3)
    {
        c->kind = "stop-vct";
        c->moves = v.moves;
        return true;
    }
    return false;
}

std::vector<int> united(std::vector<int> a, const std::vector<int> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    std::sort(a.begin(), a.end());
    a.erase(std::unique(a.begin(), a.end()), a.end());
    return a;
}

std::vector<int> common(const std::vector<int> &a, const std::vector<int> &b)
{
    std::vector<int> both;
    for (int p : a)
    {
        if (std::find(b.begin(), b.end(), p) != b.end())
        {
            both.push_back(p);
        }
    }
    return both;
}

// The right answers: for a win, every point that wins by fours within FOURS_CAP or by threes
// and fours within the win's length and SLACK; for a stop, every point after which the other
// side has neither. False when the solver could not settle every point, or a stop has no point
// that holds or too many.
bool prove(Candidate *c)
{
    Board &b = c->board;
    bool knownFours = true, knownThreats = true;
    // Holding against every win by threes is proved point by point over the whole board, the
    // dearest question asked: a stop gets the plain budget, and is dropped past it.
    const bool stop = c->kind.rfind("stop", 0) == 0;
    Solver fours(b, Threats::Fours, NODE_LIMIT * 4);
    Solver threats(b, Threats::ThreesAndFours, stop ? NODE_LIMIT : NODE_LIMIT * 4);
    const int length = std::min(c->moves + SLACK, HOLD_CAP);
    if (c->kind == "vcf" || c->kind == "vct")
    {
        std::vector<int> byFours = fours.winningMoves(c->who, FOURS_CAP, &knownFours);
        std::vector<int> byThreats = threats.winningMoves(
            c->who, c->kind == "vcf" ? std::min(length, THREATS_CAP) : length, &knownThreats);
        c->answers = united(byFours, byThreats);
        return knownFours && knownThreats && !c->answers.empty();
    }
    std::vector<int> againstFours = fours.holdingMoves(c->who, FOURS_CAP, &knownFours);
    std::vector<int> againstThreats =
        threats.holdingMoves(c->who, std::max(length, 7), &knownThreats);
    c->answers = common(againstFours, againstThreats);
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
        {
            play(m);
        }
    }
    std::map<std::string, int> taken;
    while (!pos.full())
    {
        Candidate cand;
        const int who = pos.toMove() == 0 ? solver::BLACK : solver::WHITE;
        if (triage(board, who, &cand) && taken[cand.kind]++ < 2)
        {
            cand.from = "game:" + std::to_string(size) + ":" + std::to_string(seed) + ":" +
                        std::to_string(pos.moveCount());
            out->push_back(cand);
        }
        engine::Move m =
            searcher.think(pos, engine::Level::Medium, engine::Limits{}, random.next());
        if (m == engine::NO_MOVE)
        {
            break;
        }
        play(m);
        if (pos.fiveThrough(m))
        {
            break;
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
        {
            b.put(p, i % 2 == 0 ? solver::BLACK : solver::WHITE);
        }
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
        int blacks = 0;
        for (int q = 0; q < b.points(); ++q)
        {
            blacks += b.get(q) == solver::BLACK;
        }
        bool fair = std::abs(2 * blacks - b.stones()) <= 2 && !b.hasFive() &&
                    b.fivePoints(who).empty() && b.fivePoints(solver::other(who)).empty();
        int length = 0;
        if (fair)
        {
            Solver fours(b, Threats::Fours, NODE_LIMIT / 10);
            fair = fours.openFourPoints(who).empty();
            Verdict v = fours.shortestWin(who, FOURS_CAP);
            fair = fair && v.kind != Verdict::Unknown;
            length = v.win() ? v.moves : 0;
        }
        if (!fair || length < best)
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
    auto turn = [&](int x, int y)
    {
        if (symmetry & 1)
        {
            x = n - 1 - x;
        }
        if (symmetry & 2)
        {
            y = n - 1 - y;
        }
        if (symmetry & 4)
        {
            std::swap(x, y);
        }
        return std::pair<int, int>{x, y};
    };
    int minX = n, minY = n, maxX = -1, maxY = -1;
    for (int p = 0; p < b.points(); ++p)
    {
        if (!b.empty(p))
        {
            auto [x, y] = turn(b.xOf(p), b.yOf(p));
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    }
    const int w = maxX - minX + 1, h = maxY - minY + 1;
    if (maxX < 0 || w > size || h > size)
    {
        return false;
    }
    // Against the left or right edge, and (for a corner) the top or bottom one; elsewhere at
    // random along the other.
    int dx = random.below(2) == 0 ? -minX : size - 1 - maxX;
    int dy = corner ? (random.below(2) == 0 ? -minY : size - 1 - maxY)
                    : -minY + random.below(size - h + 1);
    Board moved(size);
    for (int p = 0; p < b.points(); ++p)
    {
        if (!b.empty(p))
        {
            auto [x, y] = turn(b.xOf(p), b.yOf(p));
            moved.put(moved.at(x + dx, y + dy), b.get(p));
        }
    }
    out->board = moved;
    return true;
}

// Spare fours for the defender, far from the fight: three of its stones in a row closed at one
// end by an attacker's stone and open at the other, so that it can make a four that the attacker
// must stop and that leads to nothing more. False if no room was found.
bool withSpareFour(Board &b, int attacker, Random &random)
{
    const int defender = solver::other(attacker);
    for (int attempt = 0; attempt < 200; ++attempt)
    {
        const auto &step = solver::STEPS[random.below(4)];
        const int sign = random.below(2) == 0 ? 1 : -1;
        const int x0 = random.below(b.size()), y0 = random.below(b.size());
        // A, D, D, D, then two empty points, along the line.
        int shape[6];
        bool fits = true;
        for (int k = 0; k < 6 && fits; ++k)
        {
            int x = x0 + sign * k * step[0], y = y0 + sign * k * step[1];
            fits = b.inside(x, y);
            shape[k] = fits ? b.at(x, y) : 0;
        }
        // Nothing within three points of the shape, so that it touches nothing already there.
        for (int k = 0; k < 6 && fits; ++k)
        {
            for (int dy = -3; dy <= 3 && fits; ++dy)
            {
                for (int dx = -3; dx <= 3 && fits; ++dx)
                {
                    int x = b.xOf(shape[k]) + dx, y = b.yOf(shape[k]) + dy;
                    fits = !b.inside(x, y) || b.empty(b.at(x, y));
                }
            }
        }
        if (fits)
        {
            b.put(shape[0], attacker);
            for (int k = 1; k <= 3; ++k)
            {
                b.put(shape[k], defender);
            }
            return true;
        }
    }
    return false;
}

// --- The suite -----------------------------------------------------------------------------

void tagsOf(const Candidate &c, std::vector<std::string> *tags)
{
    const Board &b = c.board;
    const int n = b.size();
    bool left = false, right = false, top = false, bottom = false;
    for (int p = 0; p < b.points(); ++p)
    {
        if (!b.empty(p))
        {
            left = left || b.xOf(p) == 0, right = right || b.xOf(p) == n - 1;
            top = top || b.yOf(p) == 0, bottom = bottom || b.yOf(p) == n - 1;
        }
    }
    if (c.spareFours)
    {
        tags->push_back("spare-fours");
    }
    if ((left || right) && (top || bottom))
    {
        tags->push_back("corner");
    }
    else if (left || right || top || bottom)
    {
        tags->push_back("edge");
    }
}

tactics::Record recordOf(const Candidate &c, const std::string &name)
{
    tactics::Record r;
    const Board &b = c.board;
    r.name = name;
    r.kind = c.kind;
    r.size = b.size();
    r.toMove = c.who == solver::BLACK ? 'X' : 'O';
    r.moves = c.moves;
    for (int p : c.answers)
    {
        r.answers.push_back({b.xOf(p), b.yOf(p)});
    }
    for (int p = 0; p < b.points(); ++p)
    {
        if (!b.empty(p))
        {
            (b.get(p) == solver::BLACK ? r.black : r.white).push_back({b.xOf(p), b.yOf(p)});
        }
    }
    tagsOf(c, &r.tags);
    r.from = c.from;
    return r;
}

bool fits(const Candidate &c, const Quota &q)
{
    return c.kind == q.kind && (std::string(q.kind) != "vct" || c.spareFours == q.spareFours);
}

// --- Rechecking a suite ----------------------------------------------------------------------

// The answers as first proved look only so far: a win's answers are the points that win within
// its length and SLACK, and a stop's answers hold against wins of at most HOLD_CAP stones, so a
// quiet move after one may still leave the defender lost. The recheck puts the engine to every
// record and has the solver prove what it finds, one step further:
// - a point the engine plays in a win that the solver proves a win (by fours within FOURS_CAP,
//   or by threes and fours within RECHECK_CAP) is one of its answers too;
// - a stop's answer after which the engine's reply leaves the defender no point that holds is
//   struck out, and a stop with none left is dropped: its defender loses whatever it plays.
// A quiet move (no four, no three) is no threat, so the solver cannot prove a win that needs one;
// the recheck can, a quiet move of the engine's at a time: after it, every point of the
// defender's that the solver does not prove lost must lose to the next such step, up to
// QUIET_MOVES of them. So a point the engine plays in a win is an answer too when that proves it
// wins, and a stop's answer is struck when it proves the engine's reply wins.
// The engine only suggests; every change stands on the solver's proof.
constexpr int RECHECK_CAP = 15;
constexpr int QUIET_MOVES = 2;

Board boardOf(const tactics::Record &r)
{
    Board b(r.size);
    for (const auto &[x, y] : r.black)
    {
        b.put(b.at(x, y), solver::BLACK);
    }
    for (const auto &[x, y] : r.white)
    {
        b.put(b.at(x, y), solver::WHITE);
    }
    return b;
}

// The engine's move for `who` on `b` (-1 when it has none).
int engineMove(engine::Searcher &searcher, const Board &b, int who, std::int64_t nodes)
{
    engine::Position pos(b.size());
    for (int p = 0; p < b.points(); ++p)
    {
        if (!b.empty(p))
        {
            pos.place(pos.at(b.xOf(p), b.yOf(p)), b.get(p) == solver::BLACK ? 0 : 1);
        }
    }
    pos.setToMove(who == solver::BLACK ? 0 : 1);
    const engine::Move m = searcher.think(pos, engine::Level::Hard, engine::Limits{nodes, 0}, 1);
    return m == engine::NO_MOVE ? -1 : b.at(pos.xOf(m), pos.yOf(m));
}

// Whether the point `p` of `who` wins on `b` (proved), as a win of `kind` may.
bool provedWin(Board &b, int p, int who, const std::string &kind)
{
    b.put(p, who);
    Solver fours(b, Threats::Fours, NODE_LIMIT);
    bool won = fours.afterThreat(who, FOURS_CAP - 1).win();
    if (!won && kind == "vct")
    {
        Solver threats(b, Threats::ThreesAndFours, NODE_LIMIT);
        won = threats.afterThreat(who, RECHECK_CAP - 1).win();
    }
    b.put(p, solver::NONE);
    return won;
}

// Whether `attacker`, to move on `b`, wins by the engine's move and the solver's proof that every
// point of the defender's that holds against wins by threats loses to the next step, at most
// `quiet` steps of the engine's.
bool winsByQuietMoves(engine::Searcher &searcher, Board &b, int attacker, int quiet,
                      std::int64_t nodes)
{
    if (quiet <= 0)
    {
        return false;
    }
    const int m = engineMove(searcher, b, attacker, nodes);
    if (m < 0)
    {
        return false;
    }
    if (b.makesFive(m, attacker))
    {
        return true;
    }
    b.put(m, attacker);
    const int defender = solver::other(attacker);
    bool known = true;
    std::vector<int> holding;
    {
        Solver threats(b, Threats::ThreesAndFours, NODE_LIMIT);
        holding = threats.holdingMoves(defender, HOLD_CAP, &known);
    }
    bool won = known;
    for (std::size_t i = 0; won && i < holding.size(); ++i)
    {
        b.put(holding[i], defender);
        won = winsByQuietMoves(searcher, b, attacker, quiet - 1, nodes);
        b.put(holding[i], solver::NONE);
    }
    b.put(m, solver::NONE);
    return won;
}

// Whether the defender `who`, having played `answer`, is lost once the engine has replied.
bool refuted(engine::Searcher &searcher, Board &b, int answer, int who, std::int64_t nodes)
{
    b.put(answer, who);
    const bool lost = winsByQuietMoves(searcher, b, solver::other(who), QUIET_MOVES, nodes);
    b.put(answer, solver::NONE);
    return lost;
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
    o << "# The tactics suite: positions whose answers the tests' own solver proved\n"
         "# (tests/engine/solver), made by tests/engine/tactics/make_tactics.cpp and rechecked\n"
         "# with the engine at "
      << nodes << " positions.\n# Format and kinds: tests/engine/tactics/record.h.\n";
    engine::Searcher searcher(std::size_t{8} << 20);
    int added = 0, struck = 0, dropped = 0;
    for (tactics::Record &r : records)
    {
        Board b = boardOf(r);
        const int who = r.toMove == 'X' ? solver::BLACK : solver::WHITE;
        auto name = [&](int p)
        { return std::to_string(b.xOf(p)) + "," + std::to_string(b.yOf(p)); };
        if (r.kind == "vcf" || r.kind == "vct")
        {
            const int m = engineMove(searcher, b, who, nodes);
            if (m >= 0 && !r.isAnswer(b.xOf(m), b.yOf(m)) &&
                (provedWin(b, m, who, r.kind) ||
                 (r.kind == "vct" && winsByQuietMoves(searcher, b, who, QUIET_MOVES, nodes))))
            {
                r.answers.push_back({b.xOf(m), b.yOf(m)});
                std::sort(r.answers.begin(), r.answers.end(),
                          [](auto a, auto c) {
                              return std::pair{a.second, a.first} < std::pair{c.second, c.first};
                          });
                std::fprintf(stderr, "%s: %s wins too\n", r.name.c_str(), name(m).c_str());
                ++added;
            }
        }
        else
        {
            std::vector<tactics::Point> holding;
            for (const tactics::Point &a : r.answers)
            {
                if (refuted(searcher, b, b.at(a.first, a.second), who, nodes))
                {
                    std::fprintf(stderr, "%s: %d,%d does not hold\n", r.name.c_str(), a.first,
                                 a.second);
                    ++struck;
                }
                else
                {
                    holding.push_back(a);
                }
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

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 4 && std::string(argv[1]) == "--recheck")
    {
        return recheck(argv[2], argv[3], argc > 4 ? std::max(1000ll, std::atoll(argv[4])) : 600000);
    }
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: make_tactics OUT [SEED [PERCENT]]\n"
                             "       make_tactics --recheck IN OUT [NODES]\n");
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
    auto summary = [&](const char *what)
    {
        std::map<std::string, int> kinds;
        for (const Candidate &c : found)
        {
            ++kinds[c.kind + (c.spareFours ? "+spare" : "")];
        }
        std::fprintf(stderr, "%s:", what);
        for (const auto &[kind, n] : kinds)
        {
            std::fprintf(stderr, " %s %d", kind.c_str(), n);
        }
        std::fprintf(stderr, "\n");
    };
    summary("games and patches");
    // The wins again with the other side to move: it must stop them.
    for (std::size_t i = 0, n = found.size(); i < n; ++i)
    {
        Candidate s = found[i];
        if ((s.kind == "vcf" || s.kind == "vct") &&
            triage(s.board, solver::other(found[i].who), &s) && s.kind.rfind("stop", 0) == 0)
        {
            s.from = found[i].from + ":other";
            found.push_back(s);
        }
    }
    summary("and the other side to move");
    // 2. Each turned and moved to an edge or a corner, on another board.
    const std::size_t original = found.size();
    for (std::size_t i = 0; i < original; ++i)
    {
        if (random.below(2) != 0)
        {
            continue;
        }
        Candidate m = found[i];
        if (moved(found[i], SIZES[random.below(3)], random.below(8), random.below(3) == 0, random,
                  &m) &&
            triage(m.board, found[i].who, &m))
        {
            m.from = found[i].from + ":moved";
            found.push_back(m);
        }
    }
    std::fprintf(stderr, "moved to edges: %zu positions\n", found.size());
    // 3. Wins by threes and fours with spare fours given to the defender.
    const std::size_t before = found.size();
    for (std::size_t i = 0; i < before; ++i)
    {
        if (found[i].kind != "vct" || found[i].spareFours)
        {
            continue;
        }
        Candidate s = found[i];
        const int fours = 1 + random.below(2);
        bool placed = true;
        for (int k = 0; k < fours && placed; ++k)
        {
            placed = withSpareFour(s.board, s.who, random);
        }
        if (placed && triage(s.board, s.who, &s) && s.kind == "vct" && s.spareFours)
        {
            s.from = found[i].from + ":spare-fours";
            found.push_back(s);
        }
    }
    summary("with spare fours");

    // 4. For each kind, positions spread over the lengths found, each proved in full.
    // Each position is written as soon as it is proved: a run cut short keeps what it proved.
    std::ofstream out(argv[1]);
    out << "# The tactics suite: positions whose answers the tests' own solver proved\n"
           "# (tests/engine/solver), made by tests/engine/tactics/make_tactics.cpp with seed "
        << seed << " at " << percent
        << " %.\n"
           "# Format and kinds: tests/engine/tactics/record.h.\n";
    int written = 0;
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
    for (const Quota &q : QUOTAS)
    {
        std::map<int, std::vector<std::size_t>> byLength;
        for (std::size_t i = 0; i < found.size(); ++i)
        {
            if (fits(found[i], q))
            {
                byLength[found[i].moves].push_back(i);
            }
        }
        for (auto &[length, list] : byLength)
        {
            for (std::size_t i = list.size(); i > 1; --i) // shuffled, the same for a seed
            {
                std::swap(list[i - 1],
                          list[static_cast<std::size_t>(random.below(static_cast<int>(i)))]);
            }
        }
        int taken = 0;
        for (bool any = true; any && taken < scaled(q.count);)
        {
            any = false;
            for (auto &[length, list] : byLength)
            {
                while (!list.empty() && taken < scaled(q.count))
                {
                    Candidate c = found[list.back()];
                    list.pop_back();
                    any = true;
                    if (!seen.insert({c.board.key(),
                                      c.board.check() ^ static_cast<std::uint64_t>(c.who)})
                             .second ||
                        !prove(&c))
                    {
                        continue;
                    }
                    char name[64];
                    std::snprintf(name, sizeof name, "%s%s-%llu-%03d", q.kind,
                                  q.spareFours ? "-spare" : "",
                                  static_cast<unsigned long long>(seed), taken + 1);
                    out << tactics::format(recordOf(c, name)) << std::endl;
                    ++written;
                    ++taken;
                    std::fprintf(stderr, "%s: %s moves %d, %zu answers\n", name, c.from.c_str(),
                                 c.moves, c.answers.size());
                    break;
                }
            }
        }
    }

    std::fprintf(stderr, "%d positions\n", written);
    return out ? 0 : 1;
}
