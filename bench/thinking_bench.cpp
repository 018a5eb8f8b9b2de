// The frames while the computer thinks: the game's window, frame and idle callback as the game
// sets them, the computer playing black at a level, and this program playing white by placing
// on the first free point of a ring about the centre whenever it is white's turn, as a player's
// key would. Prints, over MOVES of the computer's moves, the longest gap between two frames
// while it thought, the median gap, and the thinking time a move; and each move's board (a row
// of 324 characters, x black, o white, . empty, row by row) with the positions the search
// looked at and its milliseconds, for the brain to think about the same boards.
//
// With --hint, the frames while the hint thinks instead: two players, the game opened with
// OPENING_MOVES stones on the rings, a hint asked for (as h does) and its point played once it
// has come, then the next asked for, MOVES hints in all. With --analysis, while "Analyse game"
// goes over a game of ANALYSED_MOVES stones on the rings, MOVES times over. The same figures,
// a hint or a whole analysis counted as one "move".
//
//   thinking_bench [--slices] [--hint|--analysis] [MOVES [easy|medium|hard]]
//                  (defaults: 6 moves, hard; 6 hints; 2 analyses)
// in a folder holding the five meshes. The computer thinks on its thread beside the frames, as
// the game does, or with --slices between them, 12 ms at a time, as the game did before.
#include "game/game_state.h"
#include "app/input.h"
#include "game/analysis.h"
#include "game/hint.h"
#include "game/opponent.h"
#include "platform/heap.h"
#include "model/model_table.h"
#include "render/frame.h"
#include "render/scene.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

// What is measured: the computer's moves, hints, or analyses.
enum class Watch
{
    Moves,
    Hints,
    Analyses,
};
Watch watch = Watch::Moves;
// Stones on the board before the first hint, and in the game analysed.
constexpr int OPENING_MOVES = 4;
constexpr int ANALYSED_MOVES = 16;

int movesWanted = 6;
int movesSeen = 0;
int lastHistory = 0;
bool wasThinking = false;
Clock::time_point lastFrame;
Clock::time_point thoughtStart;
std::vector<double> gaps;          // milliseconds between frames while the computer thought
std::vector<double> thinkingTimes; // milliseconds a move
std::string thoughtBoard;          // the board the computer is thinking about
std::vector<std::string> boards;   // each move's, with its figures

std::string boardNow()
{
    std::string board;
    for (std::int32_t cell : Board)
    {
        board += cell == CELL_BLACK ? 'x' : cell == CELL_WHITE ? 'o' : '.';
    }
    return board;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The side to move's stone on the first free point on rings about the centre, each ring walked
// in order: white's move against the computer, and the stones of the games the hint and the
// analysis are asked about.
void playOnRings()
{
    for (int radius = 1; radius < BOARD_SIZE; ++radius)
    {
        for (int row = BOARD_CENTRE - radius; row <= BOARD_CENTRE + radius; ++row)
        {
            for (int col = BOARD_CENTRE - radius; col <= BOARD_CENTRE + radius; ++col)
            {
                if (row >= 0 && col >= 0 && row < BOARD_SIZE && col < BOARD_SIZE &&
                    Board[row * BOARD_SIZE + col] == CELL_EMPTY)
                {
                    placeStone(row, col);
                    return;
                }
            }
        }
    }
}

// A game of `moves` stones on the rings, for two players.
void ringGame(int moves)
{
    restartGame();
    while (historyLength < moves && gameOver == 0)
    {
        playOnRings();
    }
}

// Whether what is measured is thinking now.
bool thinkingNow()
{
    switch (watch)
    {
    case Watch::Hints:
        return hintThinking();
    case Watch::Analyses:
        return analysing();
    case Watch::Moves:
        break;
    }
    return computerThinking();
}

// Between frames, as a player would: the hint's point played once it has come and the next hint
// asked for; the analysis begun again once it is done.
void askNext()
{
    if (watch == Watch::Hints)
    {
        if (hintThinking())
        {
            return;
        }
        if (const HintLine *hint = shownHint())
        {
            placeStone(hint->rows[0], hint->cols[0]);
        }
        if (gameOver != 0 || historyLength < OPENING_MOVES)
        {
            ringGame(OPENING_MOVES);
        }
        askHint();
        return;
    }
    if (!analysing())
    {
        ringGame(ANALYSED_MOVES);
        startAnalysis();
    }
}

void report()
{
    const char *what = watch == Watch::Hints      ? "hints"
                       : watch == Watch::Analyses ? "analyses"
                                                  : "computer_moves";
    std::printf("%s %zu\n", what, thinkingTimes.size());
    std::printf("frames_while_thinking %zu\n", gaps.size());
    std::printf("longest_gap_ms %.1f\n",
                gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()));
    std::printf("median_gap_ms %.1f\n", median(gaps));
    std::printf("median_thinking_ms %.0f\n", median(thinkingTimes));
    for (const std::string &board : boards)
    {
        std::printf("board %s\n", board.c_str());
    }
    std::fflush(stdout);
}

void benchDisplay()
{
    const Clock::time_point now = Clock::now();
    const bool thinking = thinkingNow();
    if (thinking && wasThinking)
    {
        gaps.push_back(std::chrono::duration<double, std::milli>(now - lastFrame).count());
    }
    if (thinking && !wasThinking)
    {
        thoughtStart = now;
        thoughtBoard = boardNow();
    }
    if (!thinking && wasThinking)
    {
        thinkingTimes.push_back(
            std::chrono::duration<double, std::milli>(now - thoughtStart).count());
        if (watch == Watch::Moves)
        {
            const ThinkAnswer answer = lastAnswer();
            boards.push_back(thoughtBoard + " nodes " + std::to_string(answer.nodes) + " ms " +
                             std::to_string(answer.elapsedMs));
        }
    }
    wasThinking = thinking;
    lastFrame = now;
    onDisplay();
    if (historyLength != lastHistory)
    {
        lastHistory = historyLength;
        ++movesSeen;
    }
    if (static_cast<int>(thinkingTimes.size()) >= movesWanted)
    {
        report();
        std::exit(0);
    }
    if (watch != Watch::Moves)
    {
        askNext();
    }
    else if (gameOver != 0)
    {
        restartGame();
    }
    else if (!computerToMove())
    {
        playOnRings();
    }
}

} // namespace

int main(int argc, char **argv)
{
    const bool slices = argc > 1 && std::string(argv[1]) == "--slices";
    if (slices)
    {
        --argc;
        ++argv;
    }
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--hint" || mode == "--analysis")
    {
        watch = mode == "--hint" ? Watch::Hints : Watch::Analyses;
        movesWanted = mode == "--hint" ? 6 : 2;
        --argc;
        ++argv;
    }
    useThinker(slices ? makeSliceThinker() : makeBesideThinker());
    if (argc > 1)
    {
        movesWanted = std::max(1, std::atoi(argv[1]));
    }
    const std::string level = argc > 2 ? argv[2] : "hard";
    computerLevel = level == "easy" ? LEVEL_EASY : level == "medium" ? LEVEL_MEDIUM : LEVEL_HARD;
    // The hint and the analysis are for two players: the computer plays neither side.
    opponent = watch == Watch::Moves ? OPPONENT_BLACK : OPPONENT_NONE;
    platformKeepFreedMemory();
    for (ModelRecord &record : ModelTable)
    {
        record.facets = loadStl(modelFileNames[&record - ModelTable], &record.facetCount);
        prepareMesh(&record);
    }
    int glutArgc = 1;
    glutInit(&glutArgc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow("Game");
    glutReshapeFunc(onReshape);
    glutDisplayFunc(benchDisplay);
    glutIdleFunc(onIdle);
    initScene();
    lastFrame = Clock::now();
    glutMainLoop();
}
