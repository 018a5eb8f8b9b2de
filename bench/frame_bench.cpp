// Frame rate of the real onDisplay in a real 800 x 600 freeglut window, and of the reference
// frame that draws each stone by itself: the empty board and a full board without a five, each
// frame in turn, measured alternately in one run. Then what bringing the stones' buffer up to
// date after a placement costs.
//
//   frame_bench [--default-heap] FRAMES REPETITIONS [SCREENSHOT.ppm]
// in a folder holding the five meshes. --default-heap leaves out the game's heap setting
// (platformKeepFreedMemory), to show what it is worth.
#include "bench/reference_frame.h"
#include "game/game_state.h"
#include "model/model_table.h"
#include "platform/heap.h"
#include "render/frame.h"
#include "render/scene.h"
#include "render/stone_buffers.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <epoxy/glx.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int WARM_UP_FRAMES = 30; // shader compilation and first-touch costs stay out

int framesPerRepetition = 60;
int repetitions = 5;
const char *screenshotFile = nullptr;

// What each phase draws, in the order the phases take turns.
struct Kind
{
    const char *name;
    void (*display)();
    bool full;
};
constexpr Kind KINDS[] = {{"reference_empty_fps", referenceDisplay, false},
                          {"reference_full_fps", referenceDisplay, true},
                          {"empty_fps", onDisplay, false},
                          {"full_fps", onDisplay, true}};
constexpr int KIND_COUNT = 4;

int frameInPhase = 0;
int phase = 0; // 0 warm-up, then 1 + KIND_COUNT * repetition + kind
Clock::time_point phaseStart;
std::vector<double> rates[KIND_COUNT];

void clearBoard()
{
    std::fill(std::begin(Board), std::end(Board), CELL_EMPTY);
}

// Every cell taken, in pairs along each row that shift by one cell from row to row: no line
// of any direction holds more than two stones of one colour in a row.
void fillBoardWithoutFive()
{
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            Board[row * BOARD_SIZE + col] = ((col / 2 + row) % 2 == 0) ? CELL_BLACK : CELL_WHITE;
        }
    }
    gameOver = 0;
    scanForFive();
    if (gameOver != 0)
    {
        std::fprintf(stderr, "the full-board pattern holds a five\n");
        std::exit(1);
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// Saves what the window shows on the screen (the part of it inside the screen, as the window
// may start just off its corner) to a binary PPM file.
void saveScreenshot(const char *fileName)
{
    Display *display = glXGetCurrentDisplay();
    Window root = DefaultRootWindow(display);
    int left = 0;
    int top = 0;
    Window child = 0;
    XTranslateCoordinates(display, glXGetCurrentDrawable(), root, 0, 0, &left, &top, &child);
    int right = std::min(left + glutGet(GLUT_WINDOW_WIDTH), DisplayWidth(display, 0));
    int bottom = std::min(top + glutGet(GLUT_WINDOW_HEIGHT), DisplayHeight(display, 0));
    left = std::max(left, 0);
    top = std::max(top, 0);
    const int width = right - left;
    const int height = bottom - top;
    XImage *image = XGetImage(display, root, left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    std::FILE *file = std::fopen(fileName, "wb");
    if (image == nullptr || file == nullptr)
    {
        std::fprintf(stderr, "no screenshot written to %s\n", fileName);
        return;
    }
    auto channel = [](unsigned long pixel, unsigned long mask)
    { return static_cast<unsigned char>((pixel & mask) >> __builtin_ctzl(mask)); };
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            unsigned long pixel = XGetPixel(image, x, y);
            unsigned char rgb[3] = {channel(pixel, image->red_mask),
                                    channel(pixel, image->green_mask),
                                    channel(pixel, image->blue_mask)};
            std::fwrite(rgb, 1, 3, file);
        }
    }
    std::fclose(file);
    XDestroyImage(image);
}

double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Milliseconds to bring the stones' buffer up to the board, finished.
double refill()
{
    Clock::time_point start = Clock::now();
    updateBoardStones();
    glFinish();
    return milliseconds(Clock::now() - start);
}

// What a placement costs the stones' buffer on a full board: the first stone taken away and put
// back, again and again, each change placed again and uploaded (323 or 324 stones, the most a
// placement uploads). Then the full board at once into a buffer as start-up leaves it, with room
// for the cursor stone alone: the buffer's storage is made as well.
void reportPlacement()
{
    fillBoardWithoutFive();
    refill();
    const std::int32_t first = Board[0];
    std::vector<double> times;
    for (int i = 0; i < 40; ++i)
    {
        Board[0] = i % 2 == 0 ? CELL_EMPTY : first;
        times.push_back(refill());
    }
    uploadStoneBuffers();
    const double growing = refill();
    const long stoneBytes = 3L * ModelTable[MODEL_STONE].facetCount * 6 * sizeof(float);
    std::printf("stone_buffer_bytes %ld\n", (BOARD_CELLS + 1) * stoneBytes);
    std::printf("placement_bytes %ld\nplacement_ms %.2f\n", BOARD_CELLS * stoneBytes,
                median(times));
    std::printf("full_board_into_new_buffer_ms %.2f\n", growing);
}

void report()
{
    std::int32_t stone = ModelTable[MODEL_STONE].facetCount;
    std::printf("renderer %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)));
    std::printf("stone_triangles %d\n", stone);
    std::printf("full_board_triangles %d\n", 325 * stone + ModelTable[MODEL_BOARD].facetCount +
                                                 ModelTable[MODEL_GRID].facetCount);
    for (std::size_t i = 0; i < rates[0].size(); ++i)
    {
        std::printf("repetition %zu", i + 1);
        for (int k = 0; k < KIND_COUNT; ++k)
        {
            std::printf(" %s %.1f", KINDS[k].name, rates[k][i]);
        }
        std::printf("\n");
    }
    for (int k = 0; k < KIND_COUNT; ++k)
    {
        std::printf("%s %.1f\n", KINDS[k].name, median(rates[k]));
    }
    reportPlacement();
    std::fflush(stdout);
}

const Kind &kindOfPhase()
{
    return KINDS[phase == 0 ? KIND_COUNT - 1 : (phase - 1) % KIND_COUNT];
}

// Starts the next phase: sets its board, draws one frame untimed (so that the stones' buffer is
// filled before the clock starts) and notes the time.
void beginPhase(int next)
{
    phase = next;
    frameInPhase = 0;
    if (kindOfPhase().full)
    {
        fillBoardWithoutFive();
    }
    else
    {
        clearBoard();
    }
    kindOfPhase().display();
    glFinish();
    phaseStart = Clock::now();
}

// The display callback: the phase's frame, finished before the clock is read.
void benchDisplay()
{
    kindOfPhase().display();
    glFinish();
    if (++frameInPhase < (phase == 0 ? WARM_UP_FRAMES : framesPerRepetition))
    {
        return;
    }
    if (phase > 0)
    {
        double seconds = std::chrono::duration<double>(Clock::now() - phaseStart).count();
        rates[(phase - 1) % KIND_COUNT].push_back(framesPerRepetition / seconds);
    }
    if (phase == KIND_COUNT * repetitions)
    {
        if (screenshotFile != nullptr)
        {
            saveScreenshot(screenshotFile);
        }
        report();
        std::exit(0);
    }
    beginPhase(phase + 1);
}

} // namespace
int main(int argc, char **argv)
{
    const bool defaultHeap = argc > 1 && std::string(argv[1]) == "--default-heap";
    if (defaultHeap)
    {
        --argc, ++argv;
    }
    if (argc > 1)
    {
        framesPerRepetition = std::max(1, std::atoi(argv[1]));
    }
    if (argc > 2)
    {
        repetitions = std::max(1, std::atoi(argv[2]));
    }
    if (argc > 3)
    {
        screenshotFile = argv[3];
    }

    // The game's start-up: the heap's setting, the five meshes, the window, the scene.
    if (!defaultHeap)
    {
        platformKeepFreedMemory();
    }
    for (ModelRecord &record : ModelTable)
    {
        record.facets = loadStl(modelFileNames[&record - ModelTable], &record.facetCount);
    }
    for (ModelRecord &record : ModelTable)
    {
        prepareMesh(&record);
    }
    int glutArgc = 1;
    glutInit(&glutArgc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow("Game");
    glutReshapeFunc(onReshape);
    glutDisplayFunc(benchDisplay);
    initScene();
    fillBoardWithoutFive(); // the warm-up draws the game's frame on the full board
    glutMainLoop();
    return 0;
}
