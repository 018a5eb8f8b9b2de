// The engine's own answer, unsliced, to a board of the game: what the end-to-end sessions expect
// the game to place when it plays against them, natively, under wine and in the page.
//
//   engine_answer easy|medium|hard NODES SEED black|white ROW,COL,b|w ...
//
// NODES is the budget in positions (0: the level's own); SEED the engine's seed; then the side to
// move and every stone, on the game's rows and columns. Prints the move as "ROW COL", or "none".
#include "game/thinker.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc < 5)
    {
        std::fprintf(stderr, "usage: engine_answer easy|medium|hard NODES SEED black|white "
                             "ROW,COL,b|w ...\n");
        return 2;
    }
    ThinkRequest request;
    request.level = std::strcmp(argv[1], "easy") == 0   ? engine::Level::Easy
                    : std::strcmp(argv[1], "hard") == 0 ? engine::Level::Hard
                                                        : engine::Level::Medium;
    request.limits.nodes = std::strtoll(argv[2], nullptr, 10);
    request.seed = std::strtoull(argv[3], nullptr, 10);
    request.toMove = std::strcmp(argv[4], "white") == 0 ? 1 : 0;
    for (int i = 5; i < argc; ++i)
    {
        int row = -1, col = -1;
        char colour = 0;
        if (std::sscanf(argv[i], "%d,%d,%c", &row, &col, &colour) != 3 || !onBoard(row, col) ||
            (colour != 'b' && colour != 'w'))
        {
            std::fprintf(stderr, "engine_answer: not a stone: '%s'\n", argv[i]);
            return 2;
        }
        request.cells[row * BOARD_SIZE + col] = colour == 'b' ? CELL_BLACK : CELL_WHITE;
    }
    engine::Searcher searcher;
    const engine::Move move =
        searcher.think(positionOf(request), request.level, request.limits, request.seed);
    if (move == engine::NO_MOVE)
        std::puts("none");
    else
        std::printf("%d %d\n", engine::Position::yOf(move), engine::Position::xOf(move));
    return 0;
}
