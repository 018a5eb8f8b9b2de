// Reading frames back from GL and sorting their pixels into the scene's colours.
#include "tests/render/frame_capture.h"

#include "render/frame.h"
#include "tests/render/gl_window.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <ostream>

std::ostream &operator<<(std::ostream &out, Rgb colour)
{
    return out << "rgb(" << colour.r << ", " << colour.g << ", " << colour.b << ")";
}

Rgb Frame::at(int x, int y) const
{
    std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)) *
                    3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

Rgb Frame::at(WindowPoint p) const
{
    if (!contains(p))
    {
        return {-1, -1, -1}; // off the window: a colour no pixel has
    }
    return at(static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)));
}

bool Frame::contains(WindowPoint p) const
{
    return p.x >= 0.0 && p.y >= 0.0 && p.x < width && p.y < height;
}

void Frame::savePpm(const std::string &path) const
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << ' ' << height << "\n255\n";
    for (int y = height - 1; y >= 0; --y)
    {
        const auto *row =
            reinterpret_cast<const char *>(rgb.data()) + static_cast<std::ptrdiff_t>(y) * width * 3;
        out.write(row, static_cast<std::streamsize>(width) * 3);
    }
}

Frame drawFrame()
{
    onDisplay();
    return readFrame();
}

Frame readFrame()
{
    Frame frame;
    frame.width = WINDOW_WIDTH;
    frame.height = WINDOW_HEIGHT;
    frame.rgb.resize(static_cast<std::size_t>(WINDOW_WIDTH) * WINDOW_HEIGHT * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    return frame;
}

const char *pixelKindName(PixelKind kind)
{
    switch (kind)
    {
    case PixelKind::Background:
        return "Background";
    case PixelKind::Board:
        return "Board";
    case PixelKind::Dark:
        return "Dark";
    case PixelKind::White:
        return "White";
    case PixelKind::Red:
        return "Red";
    case PixelKind::Other:
        break;
    }
    return "Other";
}

void PrintTo(PixelKind kind, std::ostream *out)
{
    *out << pixelKindName(kind);
}

PixelKind kindOf(Rgb c)
{
    // The clear colour (1, 0.93, 0.835) in eight bits.
    if (std::abs(c.r - 255) <= 1 && std::abs(c.g - 237) <= 1 && std::abs(c.b - 213) <= 1)
    {
        return PixelKind::Background;
    }
    int high = std::max({c.r, c.g, c.b});
    int low = std::min({c.r, c.g, c.b});
    bool neutral = high - low <= 12;
    // White material facing the light saturates. Black material shows nothing but the white
    // highlight, so it stays a neutral grey: nearly black away from the light, bright grey close
    // to where the highlight peaks (top left of the board in the unturned view).
    if (neutral && low >= 250)
    {
        return PixelKind::White;
    }
    if (neutral && high <= 230)
    {
        return PixelKind::Dark;
    }
    // Red keeps green and blue far below it, even with a highlight on top; brown's green is
    // about half its red.
    if (c.r >= 90 && 100 * c.g < 35 * c.r && 100 * c.b < 35 * c.r)
    {
        return PixelKind::Red;
    }
    // Brown (139, 69, 19) under the light: red over green over blue, each well apart.
    if (c.r - c.g >= 25 && c.g - c.b >= 20)
    {
        return PixelKind::Board;
    }
    return PixelKind::Other;
}

PixelKind kindAt(const Frame &frame, WindowPoint p)
{
    return kindOf(frame.at(p));
}

int differingPixels(const Frame &a, const Frame &b)
{
    int count = 0;
    for (std::size_t i = 0; i < a.rgb.size(); i += 3)
    {
        if (a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2])
        {
            ++count;
        }
    }
    return count;
}
