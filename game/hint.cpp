// The move numbers and the hint: what the hint asks the engine, and its answer put into words.
#include "game/hint.h"

#include "core/game.h"
#include "game/game_state.h"
#include "game/online.h"
#include "game/opponent.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

std::uint8_t moveNumbers;
std::uint8_t seeThroughCursor;

namespace
{

// The hint under way or shown, and the game it is for.
struct Hint
{
    bool thinking = false;
    bool shown = false;
    std::uint32_t generation = 0;
    std::uint32_t boardVersion = 0;
    std::uint8_t side = 0;
    engine::Rule rule = engine::Rule::Freestyle;
    HintLine line;
};
Hint hint;

bool forTheGameShown()
{
    return hint.boardVersion == boardVersion && hint.side == sideToMove && hint.rule == gameRule;
}

const char *sideName(std::uint8_t side)
{
    return side == 0 ? "black" : "white";
}

} // namespace

void toggleMoveNumbers()
{
    moveNumbers ^= 1;
}

void moveNumbersOfBoard(int *numbers)
{
    std::fill(numbers, numbers + BOARD_CELLS, 0);
    for (int i = 0; i < historyLength; ++i)
    {
        const MoveRecord &move = moveHistory[i];
        if (onBoard(move.row, move.col))
        {
            numbers[move.row * BOARD_SIZE + move.col] = i + 1;
        }
    }
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        if (Board[i] == CELL_EMPTY)
        {
            numbers[i] = 0;
        }
    }
}

bool askHint()
{
    dropHint();
    const char *refused = onlineGame.active()         ? "Hint: not in an online game"
                          : gameOver != 0             ? "Hint: the game is over"
                          : computerToMove()          ? "Hint: the computer is to move"
                          : swap2Step() != SWAP2_OVER ? "Hint: not in swap2's opening"
                                                      : nullptr;
    if (refused != nullptr)
    {
        announce(refused);
        return false;
    }
    // A thought of the computer's left over from before this frame is dropped first (it is not
    // to move), so that dropping it later cannot take the hint's thought with it.
    thinkFor(0);
    ThinkRequest request;
    request.generation = newThoughtNumber();
    std::copy(std::begin(Board), std::end(Board), request.cells.begin());
    request.toMove = sideToMove;
    request.rule = gameRule;
    request.level = engine::Level::Hard;
    request.limits.nodes = HINT_NODES;
    hint.thinking = true;
    hint.generation = request.generation;
    hint.boardVersion = boardVersion;
    hint.side = sideToMove;
    hint.rule = gameRule;
    sharedThinker().post(request);
    announce("Hint: thinking...");
    return true;
}

void hintKey()
{
    if (hint.thinking || shownHint() != nullptr)
    {
        dropHint();
        announce("");
        return;
    }
    askHint();
}

void dropHint()
{
    if (hint.thinking)
    {
        sharedThinker().cancel();
    }
    hint.thinking = false;
    hint.shown = false;
}

void cancelHintThought()
{
    if (hint.thinking)
    {
        dropHint();
        announce("");
    }
}

void lookForHint(int milliseconds)
{
    if (!hint.thinking)
    {
        return;
    }
    if (!forTheGameShown() || computerToMove())
    {
        dropHint();
        return;
    }
    ThinkAnswer answer;
    if (!sharedThinker().poll(answer, milliseconds) || answer.generation != hint.generation)
    {
        return;
    }
    hint.thinking = false;
    if (answer.move == engine::NO_MOVE || answer.lineLength == 0)
    {
        announce("Hint: no point is left to play");
        return;
    }
    HintLine &line = hint.line;
    line.length = answer.lineLength;
    line.side = hint.side;
    line.score = answer.score;
    for (int i = 0; i < answer.lineLength; ++i)
    {
        const engine::Move m = answer.line[static_cast<std::size_t>(i)];
        line.rows[i] = engine::Position::yOf(m);
        line.cols[i] = engine::Position::xOf(m);
    }
    hint.shown = true;
    announce(hintWords(core::pointName(core::pointOfCell(line.rows[0], line.cols[0])), line.side,
                       line.score));
}

bool hintThinking()
{
    return hint.thinking && forTheGameShown();
}

const HintLine *shownHint()
{
    return hint.shown && forTheGameShown() ? &hint.line : nullptr;
}

std::string hintWords(const std::string &point, std::uint8_t side, int score)
{
    // WIN - n: a five with the n-th stone from now, the hinted one the first; the mover's stones
    // are the odd ones, the other side's the even ones.
    const std::string start = "Hint: " + point + ", ";
    if (score >= engine::WIN_THRESHOLD)
    {
        const int stones = engine::WIN - score;
        return start + sideName(side) + " wins in " + std::to_string((stones + 1) / 2);
    }
    if (score <= -engine::WIN_THRESHOLD)
    {
        const int stones = engine::WIN + score;
        return start + sideName(side ^ 1) + " wins in " + std::to_string(stones / 2);
    }
    return start + judgementOf(side, score);
}

std::string judgementOf(std::uint8_t side, int score)
{
    const int forBlack = side == 0 ? score : -score;
    const int size = std::abs(forBlack);
    if (size < EVEN_MARGIN)
    {
        return "even";
    }
    const std::string better = std::string(forBlack > 0 ? "black" : "white") + " is ";
    if (size < SLIGHT_MARGIN)
    {
        return better + "slightly better";
    }
    return better + (size < CLEAR_MARGIN ? "better" : "much better");
}

float blackShareOf(std::uint8_t side, int score)
{
    // A score of 2000 is a logit of 1 in the evaluation's fit (bench/tune_eval.cpp).
    constexpr double LOGIT_UNIT = 2000.0;
    const int forBlack = side == 0 ? score : -score;
    if (forBlack >= engine::WIN_THRESHOLD || forBlack <= -engine::WIN_THRESHOLD)
    {
        return forBlack > 0 ? 1.0f : 0.0f;
    }
    return static_cast<float>(1.0 / (1.0 + std::exp(-forBlack / LOGIT_UNIT)));
}
