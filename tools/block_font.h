// A small block font, seven pixels high, for the banners' words.
#pragma once

#include <string>
#include <vector>

inline constexpr int GLYPH_HEIGHT = 7; // pixel rows of every glyph
inline constexpr int LETTER_GAP = 1;   // empty pixel columns between two letters
inline constexpr int WORD_GAP = 4;     // empty pixel columns between two words

// One line of text as pixels: `width` columns by GLYPH_HEIGHT rows, row 0 at the top,
// lit[row * width + column]. No two lit pixels touch only at a corner.
struct TextPixels
{
    int width;             // pixel columns
    std::vector<bool> lit; // row-major, row 0 the top row
};

// The pixels of `text`: capital letters from the font and spaces. Aborts on any other character.
TextPixels rasteriseText(const std::string &text);
