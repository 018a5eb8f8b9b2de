// "Analyse game": each position of the game handed to the thinker in turn, and the moves that
// threw the mover's prospects away found from the engine's judgements before and after them.
#include "game/analysis.h"

#include "core/game.h"
#include "game/game_state.h"
#include "game/hint.h"
#include "game/online.h"
#include "game/opponent.h"
#include "game/rules.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace
{

// The analysis under way or done, and the game it is of: all its moves, the ones after the move
// shown included. Position k is the board after the game's first k moves, 0 the empty one.
struct Analysis
{
    bool running = false;
    bool done = false;
    std::uint32_t generation = 0;
    std::uint32_t gameVersion = 0;
    engine::Rule rule = engine::Rule::Freestyle;
    std::vector<MoveRecord> moves;
    int position = 0; // the one the thinker has now
    // By position: the engine's score from the side to move's view, and the point it would play
    // there (row -1: none).
    std::vector<int> scores;
    std::vector<int> bestRows, bestCols;
    std::vector<MarkedMove> marks;
};
Analysis analysis;

std::vector<MoveRecord> wholeGame()
{
    std::vector<MoveRecord> moves(moveHistory, moveHistory + historyLength);
    for (int i = laterCount - 1; i >= 0; --i)
    {
        moves.push_back(laterMoves[i]);
    }
    return moves;
}

// Whether the game on the board is still the one analysed, whichever of its moves is shown: no
// stone placed or taken back since, no other game put there, the same moves under the same rule.
bool sameGame()
{
    if (analysis.gameVersion != gameVersion || analysis.rule != gameRule ||
        static_cast<int>(analysis.moves.size()) != historyLength + laterCount)
    {
        return false;
    }
    const std::vector<MoveRecord> moves = wholeGame();
    return std::equal(moves.begin(), moves.end(), analysis.moves.begin(),
                      [](const MoveRecord &a, const MoveRecord &b)
                      { return a.row == b.row && a.col == b.col && a.side == b.side; });
}

int moveCount()
{
    return static_cast<int>(analysis.moves.size());
}

// Who is to move in position k: the mover of the next move, or after the last the other side.
std::uint8_t toMoveAt(int k)
{
    return k < moveCount() ? analysis.moves[static_cast<std::size_t>(k)].side
                           : static_cast<std::uint8_t>(analysis.moves.back().side ^ 1);
}

std::array<std::int32_t, BOARD_CELLS> boardAt(int k)
{
    std::array<std::int32_t, BOARD_CELLS> board{};
    for (int i = 0; i < k; ++i)
    {
        const MoveRecord &move = analysis.moves[static_cast<std::size_t>(i)];
        board[static_cast<std::size_t>(move.row * BOARD_SIZE + move.col)] =
            move.side == 0 ? CELL_BLACK : CELL_WHITE;
    }
    return board;
}

// Whether the k-th move made five: the game ended there, the mover won.
bool fiveMadeBy(int k, const std::array<std::int32_t, BOARD_CELLS> &board)
{
    if (k == 0)
    {
        return false;
    }
    const MoveRecord &move = analysis.moves[static_cast<std::size_t>(k - 1)];
    for (int line = DIR_ROW; line <= DIR_ANTIDIAGONAL; ++line)
    {
        const Step step = DIRECTION_STEPS[line - 1];
        for (int shift = -2; shift <= 2; ++shift)
        {
            const int row = move.row + shift * step.dRow, col = move.col + shift * step.dCol;
            if (onBoard(row, col) && fiveCentredAt(board, row, col, line, analysis.rule))
            {
                return true;
            }
        }
    }
    return false;
}

void sayProgress()
{
    announce("Analysing: move " + std::to_string(std::max(analysis.position, 1)) + " of " +
             std::to_string(moveCount()));
}

void judge();

// Hands the thinker the positions from analysis.position on, one at a time: a position whose
// last move made five needs no search (the side to move has lost), and after the last the moves
// are judged.
void postPosition()
{
    while (analysis.position <= moveCount())
    {
        const int k = analysis.position;
        const std::array<std::int32_t, BOARD_CELLS> board = boardAt(k);
        if (!fiveMadeBy(k, board))
        {
            ThinkRequest request;
            request.generation = newThoughtNumber();
            std::transform(board.begin(), board.end(), request.cells.begin(),
                           [](std::int32_t cell) { return static_cast<std::int8_t>(cell); });
            request.toMove = toMoveAt(k);
            request.rule = analysis.rule;
            request.level = engine::Level::Hard;
            request.limits.nodes = ANALYSIS_NODES;
            analysis.generation = request.generation;
            sharedThinker().post(request);
            sayProgress();
            return;
        }
        analysis.scores[static_cast<std::size_t>(k)] = -engine::WIN;
        ++analysis.position;
    }
    judge();
}

const char *sideName(std::uint8_t side)
{
    return side == 0 ? "black" : "white";
}

std::string pointWords(int row, int col)
{
    return core::pointName(core::pointOfCell(row, col));
}

// Every move against the positions before and after it. A move the engine would have played
// itself is never marked: its fall is the search's, not the mover's.
void judge()
{
    analysis.running = false;
    analysis.done = true;
    analysis.marks.clear();
    for (int k = 1; k <= moveCount(); ++k)
    {
        const MoveRecord &move = analysis.moves[static_cast<std::size_t>(k - 1)];
        const auto view = [&](int position)
        {
            const int score = analysis.scores[static_cast<std::size_t>(position)];
            return toMoveAt(position) == move.side ? score : -score;
        };
        const int before = view(k - 1), after = view(k);
        const int betterRow = analysis.bestRows[static_cast<std::size_t>(k - 1)];
        const int betterCol = analysis.bestCols[static_cast<std::size_t>(k - 1)];
        Finding finding{};
        if (betterRow < 0 || (betterRow == move.row && betterCol == move.col) ||
            !findingOf(before, after, &finding))
        {
            continue;
        }
        analysis.marks.push_back(MarkedMove{k, move.row, move.col, move.side, finding, before,
                                            after, betterRow, betterCol});
    }
    std::string words = "Analysed " + std::to_string(moveCount()) + " moves, ";
    if (analysis.marks.empty())
    {
        announce(words + "none marked.");
        return;
    }
    announce(words + std::to_string(analysis.marks.size()) + " marked. " +
             markWords(analysis.marks.front()));
}

// The analysis done, for the game on the board; one of another game is dropped.
bool doneForTheGameShown()
{
    if (analysis.done && !sameGame())
    {
        dropAnalysis();
    }
    return analysis.done;
}

} // namespace

void analyseKey()
{
    if (analysis.running)
    {
        cancelAnalysis();
        return;
    }
    if (doneForTheGameShown())
    {
        dropAnalysis();
        announce("");
        return;
    }
    startAnalysis();
}

bool startAnalysis()
{
    dropAnalysis();
    const char *refused = onlineGame.active()               ? "Analyse game: not in an online game"
                          : historyLength + laterCount == 0 ? "Analyse game: no moves to analyse"
                          : computerToMove() ? "Analyse game: the computer is to move"
                                             : nullptr;
    if (refused != nullptr)
    {
        announce(refused);
        return false;
    }
    dropHint();  // it thinks on the same thinker
    thinkFor(0); // and so may a thought of the computer's left from before
    analysis.running = true;
    analysis.gameVersion = gameVersion;
    analysis.rule = gameRule;
    analysis.moves = wholeGame();
    analysis.position = 0;
    const std::size_t positions = analysis.moves.size() + 1;
    analysis.scores.assign(positions, 0);
    analysis.bestRows.assign(positions, -1);
    analysis.bestCols.assign(positions, -1);
    postPosition();
    return true;
}

void cancelAnalysis()
{
    if (analysis.running)
    {
        dropAnalysis();
        announce("Analysis stopped.");
    }
}

void dropAnalysis()
{
    if (analysis.running)
    {
        sharedThinker().cancel();
    }
    analysis = Analysis{};
}

void lookForAnalysis(int milliseconds)
{
    if (!analysis.running)
    {
        doneForTheGameShown();
        return;
    }
    if (!sameGame() || computerToMove())
    {
        dropAnalysis();
        return;
    }
    ThinkAnswer answer;
    if (!sharedThinker().poll(answer, milliseconds) || answer.generation != analysis.generation)
    {
        return;
    }
    const auto k = static_cast<std::size_t>(analysis.position);
    analysis.scores[k] = answer.move == engine::NO_MOVE ? 0 : answer.score;
    if (answer.move != engine::NO_MOVE)
    {
        analysis.bestRows[k] = engine::Position::yOf(answer.move);
        analysis.bestCols[k] = engine::Position::xOf(answer.move);
    }
    ++analysis.position;
    postPosition();
}

bool analysing()
{
    return analysis.running;
}

const MarkedMove *analysisMarks(int *count)
{
    *count = doneForTheGameShown() ? static_cast<int>(analysis.marks.size()) : 0;
    return analysis.marks.data();
}

void analysisMarksOfBoard(std::uint8_t *marks)
{
    std::fill(marks, marks + BOARD_CELLS, std::uint8_t{0});
    int count = 0;
    const MarkedMove *marked = analysisMarks(&count);
    if (count == 0)
    {
        return;
    }
    int numbers[BOARD_CELLS];
    moveNumbersOfBoard(numbers);
    for (int i = 0; i < count; ++i)
    {
        const int cell = marked[i].row * BOARD_SIZE + marked[i].col;
        if (numbers[cell] == marked[i].number)
        {
            marks[cell] = 1;
        }
    }
}

bool findingOf(int before, int after, Finding *finding)
{
    if (before >= engine::WIN_THRESHOLD && after < engine::WIN_THRESHOLD)
    {
        *finding = Finding::WinMissed;
        return true;
    }
    if (before > -engine::WIN_THRESHOLD && after <= -engine::WIN_THRESHOLD)
    {
        *finding = Finding::LossWalkedInto;
        return true;
    }
    const bool proved = std::max(std::abs(before), std::abs(after)) >= engine::WIN_THRESHOLD;
    if (!proved && before - after > ANALYSIS_DROP_MARGIN)
    {
        *finding = Finding::JudgementFell;
        return true;
    }
    return false;
}

void sayMarkOfShownMove()
{
    int count = 0;
    const MarkedMove *marked = analysisMarks(&count);
    for (int i = 0; i < count; ++i)
    {
        if (marked[i].number == historyLength)
        {
            announce(markWords(marked[i]));
        }
    }
}

std::string markWords(const MarkedMove &mark)
{
    std::string words = "Move " + std::to_string(mark.number) + " (" +
                        pointWords(mark.row, mark.col) + ") by " + sideName(mark.side) + ": ";
    switch (mark.finding)
    {
    case Finding::WinMissed:
        words += "a forced win missed";
        break;
    case Finding::LossWalkedInto:
        words += "a forced loss walked into";
        break;
    case Finding::JudgementFell:
        words += "the judgement fell from " + judgementOf(mark.side, mark.before) + " to " +
                 judgementOf(mark.side, mark.after);
        break;
    }
    return words + "; better " + pointWords(mark.betterRow, mark.betterCol);
}
