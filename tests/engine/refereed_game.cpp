// A game between two levels of the engine, refereed move by move: see refereed_game.h.
#include "tests/engine/refereed_game.h"

#include "engine/search.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/renju_reference.h"

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

namespace renjutest
{
namespace
{

// Whether a stone of `colour` on (x, y) wins: an unbroken row of five always, a longer one only in
// freestyle, and for white in renju.
bool winsAt(const Board &b, int x, int y, int colour, engine::Rule rule)
{
    return makesRow(b, x, y, colour,
                    rule == engine::Rule::Freestyle ||
                        (rule == engine::Rule::Renju && colour == W));
}

std::string point(int x, int y)
{
    return std::to_string(x) + "," + std::to_string(y);
}

} // namespace

RefereedGame playRefereed(engine::Rule rule, engine::Level blackLevel, engine::Level whiteLevel,
                          std::int64_t hardNodes, std::uint64_t seed, int size)
{
    std::mt19937_64 random(seed);
    engine::Position pos(size, rule);
    Board board(size);
    RefereedGame game;
    auto put = [&](int x, int y)
    {
        board.put(x, y, pos.toMove() == 0 ? B : W);
        pos.play(pos.at(x, y));
        if (!game.moves.empty())
            game.moves += ' ';
        game.moves += point(x, y);
    };
    // Black near the middle, white beside it.
    const int c = size / 2;
    put(c - 1 + static_cast<int>(random() % 3), c - 1 + static_cast<int>(random() % 3));
    for (;;)
    {
        const int x = c - 2 + static_cast<int>(random() % 5);
        const int y = c - 2 + static_cast<int>(random() % 5);
        if (board.get(x, y) == NONE)
        {
            put(x, y);
            break;
        }
    }
    engine::Searcher players[2] = {engine::Searcher(std::size_t{4} << 20),
                                   engine::Searcher(std::size_t{4} << 20)};
    while (!pos.full())
    {
        const int side = pos.toMove();
        const int colour = side == 0 ? B : W;
        const engine::Level level = side == 0 ? blackLevel : whiteLevel;
        // What the referee sees before the move: the mover's fives, and black's forbidden points.
        std::vector<int> fives;
        for (auto [x, y] : enginetest::square(size))
        {
            if (board.get(x, y) != NONE)
                continue;
            if (winsAt(board, x, y, colour, rule))
                fives.push_back(y * size + x);
            if (rule == engine::Rule::Renju && side == 0 && verdict(board, x, y) != ALLOWED)
                ++game.forbiddenAround;
        }
        engine::Limits limits;
        limits.nodes = level == engine::Level::Hard ? hardNodes : 0;
        const engine::Move m = players[side].think(pos, level, limits, random());
        if (m == engine::NO_MOVE)
        {
            game.problem = "no move on a board with room";
            break;
        }
        const int x = engine::Position::xOf(m), y = engine::Position::yOf(m);
        const std::string where = " at " + point(x, y) + " after " + game.moves;
        const bool fiveLeft =
            !fives.empty() && std::find(fives.begin(), fives.end(), y * size + x) == fives.end();
        game.problem = board.get(x, y) != NONE ? "a move on a taken point or off the board" + where
                       : rule == engine::Rule::Renju && side == 0 && verdict(board, x, y) != ALLOWED
                           ? "black played a forbidden point" + where
                       : fiveLeft ? "a five left on the board" + where
                                  : "";
        if (!game.problem.empty())
            break;
        put(x, y);
        const bool won = winsAt(board, x, y, colour, rule);
        if (won != pos.fiveThrough(m))
        {
            game.problem = (won ? "a win the engine does not see" : "a win that is none") + where;
            break;
        }
        if (won)
        {
            game.winner = side;
            break;
        }
    }
    game.stones = pos.moveCount();
    return game;
}

} // namespace renjutest
