// Start-up time: the program's own share (reading, preparing and uploading the five meshes, with
// the deliberate pauses between uploads left out, and making the stones' buffer) and the time from exec of the real game to its
// first frame on the screen.
//
//   startup_bench share REPETITIONS          (in a folder holding the five meshes)
//   startup_bench exec GAME MESH_DIR REPETITIONS
#include "model/model_gpu.h"
#include "model/model_table.h"
#include "platform/sleep.h"
#include "render/stone_buffers.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace
{

using Clock = std::chrono::steady_clock;

unsigned pausesAskedMs = 0;

double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// ---------------------------------------------------------------------------------------------
// The program's own share.

void releaseMeshes()
{
    for (ModelRecord &record : ModelTable)
    {
        delete[] record.facets;
        delete[] record.vertexArray;
        delete[] record.normalArray;
        record.facets = nullptr;
        record.vertexArray = nullptr;
        record.normalArray = nullptr;
        record.facetCount = 0;
    }
}

int ownShare(int argc, char **argv, int repetitions)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow("Game");

    std::vector<double> reading;
    std::vector<double> preparing;
    std::vector<double> uploading;
    std::vector<double> stones;
    long facets = 0;
    for (int rep = 0; rep < repetitions; ++rep)
    {
        releaseMeshes();
        pausesAskedMs = 0;
        Clock::time_point start = Clock::now();
        for (ModelRecord &record : ModelTable)
        {
            record.facets = loadStl(modelFileNames[&record - ModelTable], &record.facetCount);
        }
        Clock::time_point read = Clock::now();
        for (ModelRecord &record : ModelTable)
        {
            prepareMesh(&record);
        }
        Clock::time_point prepared = Clock::now();
        uploadModelBuffers(); // the first time creates the buffers, later times refill them
        glFinish();
        Clock::time_point uploaded = Clock::now();
        uploadStoneBuffers(); // a new buffer every time, as for a new context
        glFinish();
        Clock::time_point stonesMade = Clock::now();
        reading.push_back(milliseconds(read - start));
        preparing.push_back(milliseconds(prepared - read));
        uploading.push_back(milliseconds(uploaded - prepared));
        stones.push_back(milliseconds(stonesMade - uploaded));
        facets = 0;
        for (const ModelRecord &record : ModelTable)
        {
            facets += record.facetCount;
        }
        if (rep == 0)
        {
            std::printf("first: read %.2f ms, prepare %.2f ms, upload %.2f ms, stones' buffer %.2f "
                        "ms, total %.2f ms\n",
                        reading[0], preparing[0], uploading[0], stones[0],
                        reading[0] + preparing[0] + uploading[0] + stones[0]);
        }
    }
    std::printf("meshes %ld facets; pauses asked for %u ms (left out)\n", facets, pausesAskedMs);
    std::printf("median: read %.2f ms, prepare %.2f ms, upload %.2f ms, stones' buffer %.2f ms, "
                "own_share_ms %.2f\n",
                median(reading), median(preparing), median(uploading), median(stones),
                median(reading) + median(preparing) + median(uploading) + median(stones));
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Exec to first frame.

int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0; // the window may vanish while it is looked at
}

Window findWindow(Display *display, const char *title)
{
    Window root = DefaultRootWindow(display);
    Window parent = 0;
    Window *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count) == 0)
    {
        return 0;
    }
    for (unsigned i = 0; i < count && found == 0; ++i)
    {
        char *name = nullptr;
        if (XFetchName(display, children[i], &name) != 0 && name != nullptr)
        {
            if (std::strcmp(name, title) == 0)
            {
                found = children[i];
            }
            XFree(name);
        }
    }
    if (children != nullptr)
    {
        XFree(children);
    }
    return found;
}

bool viewable(Display *display, Window window)
{
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

// True once the window's corner shows the scene's light cream background.
bool showsBackground(Display *display, Window window)
{
    XImage *image = XGetImage(display, window, 4, 4, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
    {
        return false;
    }
    unsigned long pixel = XGetPixel(image, 0, 0);
    auto channel = [&](unsigned long mask)
    {
        int shift = __builtin_ctzl(mask);
        return static_cast<int>((pixel & mask) >> shift);
    };
    int r = channel(image->red_mask);
    int g = channel(image->green_mask);
    int b = channel(image->blue_mask);
    XDestroyImage(image);
    return std::abs(r - 255) <= 2 && std::abs(g - 237) <= 2 && std::abs(b - 213) <= 2;
}

int execToFirstFrame(const char *game, const char *meshFolder, int repetitions)
{
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    XSetErrorHandler(ignoreXErrors);
    std::vector<double> toMapped;
    std::vector<double> toFrame;
    for (int rep = 0; rep < repetitions; ++rep)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, meshFolder);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        char *argv[] = {const_cast<char *>(game), nullptr};
        Clock::time_point start = Clock::now();
        pid_t child = 0;
        if (posix_spawn(&child, game, &actions, nullptr, argv, environ) != 0)
        {
            std::perror("posix_spawn");
            return 1;
        }
        posix_spawn_file_actions_destroy(&actions);

        Window window = 0;
        double mapped = -1.0;
        double frame = -1.0;
        while (milliseconds(Clock::now() - start) < 10000.0)
        {
            if (window == 0)
            {
                window = findWindow(display, "Game");
            }
            if (window != 0 && mapped < 0.0 && viewable(display, window))
            {
                mapped = milliseconds(Clock::now() - start);
            }
            if (mapped >= 0.0 && showsBackground(display, window))
            {
                frame = milliseconds(Clock::now() - start);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        if (frame < 0.0)
        {
            std::fprintf(stderr, "no frame seen within 10 s\n");
            return 1;
        }
        std::printf("run %d: window mapped %.1f ms, first frame %.1f ms after exec\n", rep + 1,
                    mapped, frame);
        toMapped.push_back(mapped);
        toFrame.push_back(frame);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::printf("median: window mapped %.1f ms, first_frame_ms %.1f\n", median(toMapped),
                median(toFrame));
    XCloseDisplay(display);
    return 0;
}

} // namespace

// The bench's own pause: records what was asked for and returns at once, so that the five
// deliberate pauses of the upload stay out of the figure.
void platformSleep(unsigned milliseconds)
{
    pausesAskedMs += milliseconds;
}

int main(int argc, char **argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "share" && argc == 3)
    {
        return ownShare(1, argv, std::max(1, std::atoi(argv[2])));
    }
    if (mode == "exec" && argc == 5)
    {
        return execToFirstFrame(argv[2], argv[3], std::max(1, std::atoi(argv[4])));
    }
    std::fprintf(stderr, "usage: %s share REPETITIONS | exec GAME MESH_DIR REPETITIONS\n", argv[0]);
    return 2;
}
