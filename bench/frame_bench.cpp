// Frame rate of the real onDisplay in a real 800 x 600 freeglut window: the empty board and a
// full board without a five, measured alternately in one run.
//
//   frame_bench FRAMES REPETITIONS [SCREENSHOT.ppm]   (run in a folder holding the five meshes)
#include "game/game_state.h"
#include "model/model_table.h"
#include "render/frame.h"
#include "render/scene.h"

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

int frameInPhase = 0;
int phase = 0; // 0 warm-up, then 1 + 2 * repetition (empty) and 2 + 2 * repetition (full)
Clock::time_point phaseStart;
std::vector<double> emptyRates;
std::vector<double> fullRates;

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

void report()
{
    std::int32_t stone = ModelTable[MODEL_STONE].facetCount;
    std::printf("renderer %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)));
    std::printf("stone_triangles %d\n", stone);
    std::printf("full_board_triangles %d\n", 325 * stone + ModelTable[MODEL_BOARD].facetCount +
                                                 ModelTable[MODEL_GRID].facetCount);
    for (std::size_t i = 0; i < emptyRates.size(); ++i)
    {
        std::printf("repetition %zu empty_fps %.1f full_fps %.1f\n", i + 1, emptyRates[i],
                    fullRates[i]);
    }
    std::printf("empty_fps %.1f\nfull_fps %.1f\n", median(emptyRates), median(fullRates));
    std::fflush(stdout);
}

// Starts the next phase: sets its board and notes the time.
void beginPhase(int next)
{
    phase = next;
    frameInPhase = 0;
    if (phase % 2 == 1)
    {
        clearBoard();
    }
    else
    {
        fillBoardWithoutFive();
    }
    phaseStart = Clock::now();
}

// The display callback: the game's own frame, finished before the clock is read.
void benchDisplay()
{
    onDisplay();
    glFinish();
    if (++frameInPhase < (phase == 0 ? WARM_UP_FRAMES : framesPerRepetition))
    {
        return;
    }
    if (phase > 0)
    {
        double seconds = std::chrono::duration<double>(Clock::now() - phaseStart).count();
        (phase % 2 == 1 ? emptyRates : fullRates).push_back(framesPerRepetition / seconds);
    }
    if (phase == 2 * repetitions)
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

    // The game's start-up: the five meshes, the window, the scene.
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
    clearBoard();
    glutMainLoop();
    return 0;
}
