// The block font's glyphs and the rasteriser that sets a line of them side by side.
#include "tools/block_font.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// A glyph: its letter and its rows, top first, '#' lit. Diagonal strokes climb in steps that
// share an edge ("##" over ".##"), never a bare corner, so each letter stays one solid piece.
struct Glyph
{
    char letter;
    const char *rows[GLYPH_HEIGHT];
};

// The letters the banners need.
static const Glyph glyphs[] = {
    {'A', {"..#..", ".###.", ".#.#.", "##.##", "#####", "#...#", "#...#"}},
    {'B', {"####.", "#..##", "#...#", "#####", "#...#", "#..##", "####."}},
    {'C', {".####", "##...", "#....", "#....", "#....", "##...", ".####"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'K', {"#...#", "#..##", "#.##.", "###..", "#.##.", "#..##", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "###.#", "#.###", "#..##", "#...#", "#...#"}},
    {'S', {".####", "##...", "#....", "#####", "....#", "...##", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", "#####"}},
};

static const Glyph &glyphFor(char letter)
{
    for (const Glyph &glyph : glyphs)
    {
        if (glyph.letter == letter)
        {
            return glyph;
        }
    }
    std::fprintf(stderr, "meshgen: no glyph for '%c'\n", letter);
    std::exit(1);
}

static int glyphWidth(const Glyph &glyph)
{
    return static_cast<int>(std::strlen(glyph.rows[0]));
}

TextPixels rasteriseText(const std::string &text)
{
    // First the width: letters, a letter gap between neighbours, a word gap for each space.
    int width = 0;
    bool letterBefore = false;
    for (char ch : text)
    {
        if (ch == ' ')
        {
            width += WORD_GAP;
            letterBefore = false;
            continue;
        }
        width += (letterBefore ? LETTER_GAP : 0) + glyphWidth(glyphFor(ch));
        letterBefore = true;
    }

    TextPixels pixels = {width, std::vector<bool>(static_cast<std::size_t>(width * GLYPH_HEIGHT))};
    int column = 0;
    letterBefore = false;
    for (char ch : text)
    {
        if (ch == ' ')
        {
            column += WORD_GAP;
            letterBefore = false;
            continue;
        }
        column += letterBefore ? LETTER_GAP : 0;
        const Glyph &glyph = glyphFor(ch);
        for (int row = 0; row < GLYPH_HEIGHT; ++row)
        {
            for (int x = 0; x < glyphWidth(glyph); ++x)
            {
                pixels.lit[static_cast<std::size_t>(row * width + column + x)] =
                    glyph.rows[row][x] == '#';
            }
        }
        column += glyphWidth(glyph);
        letterBefore = true;
    }
    return pixels;
}
