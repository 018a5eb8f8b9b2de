// Frames read back from the window, and the kinds of pixel the scene is made of: the cream
// background, the brown board, dark (black) and white objects, and the red winning line.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

struct Rgb
{
    int r, g, b; // 0..255 each
};
std::ostream &operator<<(std::ostream &out, Rgb colour);

// Where a point lands in the window: pixels from the bottom-left corner, as GL counts them.
struct WindowPoint
{
    double x, y;
};

// One frame's colour buffer, rows bottom to top as GL reads them.
struct Frame
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // width * height * 3 bytes

    Rgb at(int x, int y) const;
    Rgb at(WindowPoint p) const; // the pixel containing p; (-1, -1, -1) off the window
    bool contains(WindowPoint p) const;
    bool operator==(const Frame &other) const = default;
    // Writes a binary PPM, top row first, for a person to look at.
    void savePpm(const std::string &path) const;
};

// Draws one frame with onDisplay and reads back what it drew.
Frame drawFrame();

// Reads the colour buffer onDisplay has just swapped. Mesa's software rasteriser keeps the back
// buffer's content through the swap, while its X11 front buffer reads back as black; so the back
// buffer is read.
Frame readFrame();

enum class PixelKind
{
    Background, // the clear colour
    Board,      // lit brown
    Dark,       // lit black: a neutral grey, up to a bright grey under the highlight
    White,      // lit white facing the light: saturated white
    Red,        // the winning line
    Other,
};
const char *pixelKindName(PixelKind kind);
void PrintTo(PixelKind kind, std::ostream *out);

PixelKind kindOf(Rgb colour);
PixelKind kindAt(const Frame &frame, WindowPoint p);

// Number of pixels in which two frames of the same size differ.
int differingPixels(const Frame &a, const Frame &b);
