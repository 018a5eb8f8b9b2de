// Tunes the evaluation's weights (engine/weights.h) on the engine's own games: a logistic fit of
// the games' results on the positions played (after the chess programmers' "Texel" method),
// by Newton's method, each weight pulled gently towards the weight it had.
//   tune_eval play OPENINGS OUT [NODES] [FIRST] [COUNT]
//       plays the hard level against itself from each of COUNT openings of the file (from the
//       FIRST), NODES positions a move (each side's budget a half to one and a half of it, by the
//       opening's number, so that the games differ), two at a time; writes one game a line to
//       OUT: the result for black (1, 0 or 0.5) and the moves "x,y" from the first
//   tune_eval fit WEIGHTS_H GAMES...
//       reads games (lines as OUT above, or the games.jsonl of bench/brain_match.py), fits the
//       weights on the positions of nine games in ten, prints the fit's log-loss on those and on
//       the tenth left out, before and after, and writes the weights to WEIGHTS_H
// The positions taken are those the search would judge by the evaluation: no five to make or to
// stop, no open four to make, no open three of the other side's to meet.
#include "engine/evaluation.h"
#include "engine/search.h"
#include "engine/weights.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace engine;

namespace
{

constexpr int BOARD = 18;
constexpr int FEATURES = 2 * (PATTERN_COUNT - 1) + 2 * (SHAPE_COUNT - 1);

struct Game
{
    double blackResult; // 1 black won, 0 white won, 0.5 drawn
    std::vector<std::pair<int, int>> moves;
};

std::vector<std::pair<int, int>> parseMoves(const std::string &text)
{
    std::vector<std::pair<int, int>> moves;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
    {
        int x = 0, y = 0;
        if (std::sscanf(word.c_str(), "%d,%d", &x, &y) == 2)
        {
            moves.emplace_back(x, y);
        }
    }
    return moves;
}

// A line of games.jsonl: its "moves" as [[x, y], ...], "winner" and "new_black".
bool parseRecord(const std::string &line, Game *game)
{
    auto field = [&](const char *name) -> std::size_t
    {
        std::string key = "\"";
        key += name;
        key += "\":";
        std::size_t at = line.find(key);
        return at == std::string::npos ? at : at + std::char_traits<char>::length(name) + 3;
    };
    std::size_t moves = field("moves"), winner = field("winner"), newBlack = field("new_black");
    if (moves == std::string::npos || winner == std::string::npos || newBlack == std::string::npos)
    {
        return false;
    }
    const bool blackIsNew = line.compare(newBlack, 5, " true") == 0;
    if (line.compare(winner, 5, " null") == 0)
    {
        game->blackResult = 0.5;
    }
    else
    {
        const bool newWon = line.compare(winner, 6, " \"new\"") == 0;
        game->blackResult = newWon == blackIsNew ? 1.0 : 0.0;
    }
    std::size_t end = line.find("]]", moves);
    std::string list = line.substr(moves, end == std::string::npos ? 0 : end - moves);
    for (char &c : list)
    {
        c = c == '[' || c == ']' ? ' ' : c;
    }
    // "x, y,  x, y" into "x,y x,y".
    std::vector<int> numbers;
    std::istringstream in(list);
    std::string token;
    while (std::getline(in, token, ','))
    {
        numbers.push_back(std::atoi(token.c_str()));
    }
    for (std::size_t i = 0; i + 1 < numbers.size(); i += 2)
    {
        game->moves.emplace_back(numbers[i], numbers[i + 1]);
    }
    return !game->moves.empty();
}

std::vector<Game> readGames(const std::vector<std::string> &files)
{
    std::vector<Game> games;
    for (const std::string &name : files)
    {
        std::ifstream in(name);
        if (!in)
        {
            std::fprintf(stderr, "tune_eval: cannot read %s\n", name.c_str());
            std::exit(1);
        }
        std::string line;
        while (std::getline(in, line))
        {
            Game g{};
            if (!line.empty() && line[0] == '{')
            {
                if (parseRecord(line, &g))
                {
                    games.push_back(std::move(g));
                }
            }
            else if (!line.empty() && line[0] != '#')
            {
                std::istringstream words(line);
                words >> g.blackResult;
                std::string rest;
                std::getline(words, rest);
                g.moves = parseMoves(rest);
                if (!g.moves.empty())
                {
                    games.push_back(std::move(g));
                }
            }
        }
    }
    return games;
}

// The evaluation's counts from the side to move's view, in the order of the weights: the other
// side's negative, since the evaluation takes its weighted counts away.
std::array<double, FEATURES> features(const Position &pos)
{
    std::array<double, FEATURES> f{};
    const int me = pos.toMove();
    int i = 0;
    for (int colour : {me, me ^ 1})
    {
        for (int p = 1; p < PATTERN_COUNT; ++p)
        {
            f[i++] = (colour == me ? 1 : -1) * pos.patternCount(colour, p);
        }
    }
    for (int colour : {me, me ^ 1})
    {
        for (int s = 1; s < SHAPE_COUNT; ++s)
        {
            f[i++] = (colour == me ? 1 : -1) * pos.shapeCount(colour, s);
        }
    }
    return f;
}

std::array<double, FEATURES> weightsVector(const Weights &w)
{
    std::array<double, FEATURES> v{};
    int i = 0;
    for (const auto *table : {&w.moverPatterns, &w.otherPatterns})
    {
        for (int p = 1; p < PATTERN_COUNT; ++p)
        {
            v[i++] = (*table)[p];
        }
    }
    for (const auto *table : {&w.moverShapes, &w.otherShapes})
    {
        for (int s = 1; s < SHAPE_COUNT; ++s)
        {
            v[i++] = (*table)[s];
        }
    }
    return v;
}

Weights weightsOf(const std::array<double, FEATURES> &v)
{
    Weights w{};
    int i = 0;
    for (auto *table : {&w.moverPatterns, &w.otherPatterns})
    {
        for (int p = 1; p < PATTERN_COUNT; ++p)
        {
            (*table)[p] = static_cast<std::int32_t>(std::lround(v[i++]));
        }
    }
    for (auto *table : {&w.moverShapes, &w.otherShapes})
    {
        for (int s = 1; s < SHAPE_COUNT; ++s)
        {
            (*table)[s] = static_cast<std::int32_t>(std::lround(v[i++]));
        }
    }
    return w;
}

struct Sample
{
    std::array<double, FEATURES> x;
    double y; // 1: the side to move won
};

// The positions of the games that the search would judge by the evaluation.
std::vector<Sample> samplesOf(const std::vector<Game> &games)
{
    std::vector<Sample> samples;
    for (const Game &g : games)
    {
        Position pos(BOARD);
        for (std::size_t i = 0; i < g.moves.size(); ++i)
        {
            const int me = pos.toMove();
            const int you = me ^ 1;
            const bool judged = pos.fivePoints(me).empty() && pos.fivePoints(you).empty() &&
                                pos.flexFourPoints(me).empty() && pos.flexFourPoints(you).empty();
            if (judged && i >= 4 && g.blackResult != 0.5)
            {
                samples.push_back({features(pos), me == 0 ? g.blackResult : 1 - g.blackResult});
            }
            Move m = pos.at(g.moves[i].first, g.moves[i].second);
            if (m == NO_MOVE || !pos.isEmpty(m))
            {
                break;
            }
            pos.play(m);
        }
    }
    return samples;
}

double sigmoid(double z)
{
    return 1 / (1 + std::exp(-z));
}

double logLoss(const std::vector<Sample> &samples, const std::array<double, FEATURES> &w,
               double scale)
{
    double total = 0;
    for (const Sample &s : samples)
    {
        double z = 0;
        for (int i = 0; i < FEATURES; ++i)
        {
            z += w[i] * s.x[i];
        }
        double p = std::clamp(sigmoid(z / scale), 1e-12, 1 - 1e-12);
        total -= s.y * std::log(p) + (1 - s.y) * std::log(1 - p);
    }
    return total / static_cast<double>(samples.size());
}

// The evaluation's units: a position scored SCALE is won about three times in four (a logit of
// 1), so that the scores the search meets stay well within its range.
constexpr double SCALE = 2000;

// The scale that turns the weights as they are into the best probabilities, to bring them into
// the units above before the fit.
double fitScale(const std::vector<Sample> &samples, const std::array<double, FEATURES> &w)
{
    double low = std::log(1.0), high = std::log(100000.0);
    for (int i = 0; i < 100; ++i)
    {
        double a = low + (high - low) / 3, b = high - (high - low) / 3;
        if (logLoss(samples, w, std::exp(a)) < logLoss(samples, w, std::exp(b)))
        {
            high = b;
        }
        else
        {
            low = a;
        }
    }
    return std::exp((low + high) / 2);
}

// Solves a x = b (n x n, a symmetric and positive definite) by Gaussian elimination.
std::vector<double> solve(std::vector<std::vector<double>> a, std::vector<double> b)
{
    const std::size_t n = b.size();
    for (std::size_t c = 0; c < n; ++c)
    {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < n; ++r)
        {
            pivot = std::abs(a[r][c]) > std::abs(a[pivot][c]) ? r : pivot;
        }
        std::swap(a[c], a[pivot]);
        std::swap(b[c], b[pivot]);
        for (std::size_t r = c + 1; r < n; ++r)
        {
            double f = a[r][c] / a[c][c];
            for (std::size_t k = c; k < n; ++k)
            {
                a[r][k] -= f * a[c][k];
            }
            b[r] -= f * b[c];
        }
    }
    std::vector<double> x(n);
    for (std::size_t c = n; c-- > 0;)
    {
        double sum = b[c];
        for (std::size_t k = c + 1; k < n; ++k)
        {
            sum -= a[c][k] * x[k];
        }
        x[c] = sum / a[c][c];
    }
    return x;
}

// Newton's method on the log-loss plus `ridge` times the squared change of each weight's
// contribution (the change times the spread of its count, in logits); weights whose counts are
// seldom anything but 0 stay as they are.
std::array<double, FEATURES> fit(const std::vector<Sample> &samples,
                                 const std::array<double, FEATURES> &start, double ridge)
{
    std::vector<int> free;
    std::array<double, FEATURES> spread{};
    const double count = static_cast<double>(samples.size());
    for (int i = 0; i < FEATURES; ++i)
    {
        std::size_t seen = 0;
        double sum = 0, squares = 0;
        for (const Sample &s : samples)
        {
            seen += s.x[i] != 0;
            sum += s.x[i];
            squares += s.x[i] * s.x[i];
        }
        spread[i] = std::sqrt(std::max(squares / count - (sum / count) * (sum / count), 1e-9));
        if (seen * 100 >= samples.size())
        {
            free.push_back(i);
        }
    }
    const std::size_t n = free.size();
    std::array<double, FEATURES> w = start;
    for (int iteration = 0; iteration < 50; ++iteration)
    {
        std::vector<double> gradient(n, 0);
        std::vector<std::vector<double>> hessian(n, std::vector<double>(n, 0));
        for (const Sample &s : samples)
        {
            double z = 0;
            for (int i = 0; i < FEATURES; ++i)
            {
                z += w[i] * s.x[i];
            }
            double p = sigmoid(z / SCALE);
            double g = (p - s.y) / SCALE, h = p * (1 - p) / (SCALE * SCALE);
            for (std::size_t a = 0; a < n; ++a)
            {
                gradient[a] += g * s.x[free[a]] / count;
                for (std::size_t b = 0; b < n; ++b)
                {
                    hessian[a][b] += h * s.x[free[a]] * s.x[free[b]] / count;
                }
            }
        }
        for (std::size_t a = 0; a < n; ++a)
        {
            const double k = spread[free[a]] / SCALE;
            gradient[a] += 2 * ridge * k * k * (w[free[a]] - start[free[a]]);
            hessian[a][a] += 2 * ridge * k * k;
        }
        std::vector<double> step = solve(hessian, gradient);
        double largest = 0;
        for (std::size_t a = 0; a < n; ++a)
        {
            w[free[a]] -= step[a];
            largest = std::max(largest, std::abs(step[a]));
        }
        if (largest < 0.01)
        {
            break;
        }
    }
    return w;
}

void writeWeights(const std::string &path, const Weights &w, std::size_t positions,
                  std::size_t games)
{
    std::ofstream out(path);
    auto row = [&](const char *name, const auto &table)
    {
        out << "    ." << name << " = {";
        for (std::size_t i = 0; i < table.size(); ++i)
        {
            out << (i ? ", " : "") << table[i];
        }
        out << "},\n";
    };
    out << "// The evaluation's weights (see evaluation.h). bench/tune_eval writes this file from a "
           "logistic\n// fit of the engine's own games; change it by hand only to try something, "
           "then tune again.\n// This fit: "
        << positions << " positions of " << games << " games.\n";
    out << "#pragma once\n\n#include \"engine/evaluation.h\"\n\nnamespace engine\n{\n\n"
           "inline constexpr Weights EVAL_WEIGHTS = {\n"
           "    // P_NONE, BLOCK1, FLEX1, BLOCK2, FLEX2, BLOCK3, FLEX3, BLOCK4, FLEX4, FIVE\n";
    row("moverPatterns", w.moverPatterns);
    row("otherPatterns", w.otherPatterns);
    out << "    // S_NONE, THREE, DOUBLE_THREE, FOUR, FOUR_THREE, OPEN_FOUR, DOUBLE_FOUR, FIVE\n";
    row("moverShapes", w.moverShapes);
    row("otherShapes", w.otherShapes);
    out << "};\n\n} // namespace engine\n";
}

int fitCommand(const std::string &header, const std::vector<std::string> &files)
{
    std::vector<Game> games = readGames(files);
    std::vector<Game> train, held;
    for (std::size_t i = 0; i < games.size(); ++i)
    {
        (i % 10 == 9 ? held : train).push_back(games[i]);
    }
    std::vector<Sample> trainSamples = samplesOf(train), heldSamples = samplesOf(held);
    if (trainSamples.empty() || heldSamples.empty())
    {
        std::fprintf(stderr, "tune_eval: too few positions to fit\n");
        return 1;
    }
    // The weights as they are, brought into the fit's units.
    std::array<double, FEATURES> start = weightsVector(EVAL_WEIGHTS);
    const double scale = fitScale(trainSamples, start);
    for (double &w : start)
    {
        w *= SCALE / scale;
    }
    std::printf("%zu games: %zu positions to fit, %zu held out; the weights as they are scaled "
                "by %.3f\n",
                games.size(), trainSamples.size(), heldSamples.size(), SCALE / scale);
    std::printf("log-loss before: %.4f fitted, %.4f held out\n",
                logLoss(trainSamples, start, SCALE), logLoss(heldSamples, start, SCALE));
    // The pull towards the weights as they are: the one that predicts the held-out games best.
    std::array<double, FEATURES> tuned = start;
    double best = logLoss(heldSamples, start, SCALE);
    for (double ridge : {0.001, 0.003, 0.01, 0.03, 0.1, 0.3, 1.0})
    {
        std::array<double, FEATURES> w = fit(trainSamples, start, ridge);
        const double held = logLoss(heldSamples, w, SCALE);
        std::printf("  pull %.3f: log-loss %.4f fitted, %.4f held out\n", ridge,
                    logLoss(trainSamples, w, SCALE), held);
        if (held < best)
        {
            best = held;
            tuned = w;
        }
    }
    std::printf("log-loss after:  %.4f fitted, %.4f held out\n",
                logLoss(trainSamples, tuned, SCALE), logLoss(heldSamples, tuned, SCALE));
    writeWeights(header, weightsOf(tuned), trainSamples.size(), train.size());
    std::printf("weights written to %s\n", header.c_str());
    return 0;
}

void appendMove(std::string &moves, int x, int y)
{
    moves += ' ';
    moves += std::to_string(x);
    moves += ',';
    moves += std::to_string(y);
}

int playCommand(const std::string &openingsFile, const std::string &outFile, std::int64_t nodes,
                int first, int count)
{
    std::vector<std::vector<std::pair<int, int>>> openings;
    std::ifstream in(openingsFile);
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line[0] != '#')
        {
            openings.push_back(parseMoves(line));
        }
    }
    if (openings.empty())
    {
        std::fprintf(stderr, "tune_eval: no openings in %s\n", openingsFile.c_str());
        return 1;
    }
    std::ofstream out(outFile, std::ios::app);
    std::mutex lock;
    std::atomic<int> next{first};
    auto worker = [&]
    {
        Searcher players[2];
        for (int g; (g = next++) < first + count;)
        {
            const auto &opening = openings[static_cast<std::size_t>(g) % openings.size()];
            // Each side's budget a half to one and a half of NODES, by the game's number.
            const std::int64_t budget[2] = {nodes * (2 + g % 5) / 4, nodes * (2 + g / 5 % 5) / 4};
            Position pos(BOARD);
            std::string moves;
            for (auto [x, y] : opening)
            {
                pos.play(pos.at(x, y));
                appendMove(moves, x, y);
            }
            double result = 0.5;
            while (!pos.full())
            {
                const int side = pos.toMove();
                Move m = players[side].think(pos, Level::Hard, Limits{budget[side], 0}, 0);
                if (m == NO_MOVE)
                {
                    break;
                }
                pos.play(m);
                appendMove(moves, pos.xOf(m), pos.yOf(m));
                if (pos.fiveThrough(m))
                {
                    result = side == 0 ? 1 : 0;
                    break;
                }
            }
            std::lock_guard<std::mutex> hold(lock);
            out << result << moves << "\n";
            out.flush();
        }
    };
    std::thread helper(worker);
    worker();
    helper.join();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "play" && argc >= 4)
    {
        return playCommand(argv[2], argv[3], argc > 4 ? std::atoll(argv[4]) : 10000,
                           argc > 5 ? std::atoi(argv[5]) : 0, argc > 6 ? std::atoi(argv[6]) : 400);
    }
    if (what == "fit" && argc >= 4)
    {
        return fitCommand(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    }
    std::fprintf(stderr, "usage: tune_eval play OPENINGS OUT [NODES] [FIRST] [COUNT]\n"
                         "       tune_eval fit WEIGHTS_H GAMES...\n");
    return 2;
}
