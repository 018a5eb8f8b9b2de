// The move numbers' digits: a font of 3 x 5 blocks, set in eye space, where the screen's x and y
// are the eye's, so that they read upright from any angle of the board.
#include "render/numbers.h"

#include "render/transforms.h"

#include "platform/gl.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace
{

constexpr int DIGIT_WIDTH = 3, DIGIT_HEIGHT = 5, DIGIT_GAP = 1;

// Each digit's rows, top first, '#' lit.
constexpr const char *DIGITS[10][DIGIT_HEIGHT] = {
    {"###", "#.#", "#.#", "#.#", "###"}, {".#.", "##.", ".#.", ".#.", "###"},
    {"###", "..#", "###", "#..", "###"}, {"###", "..#", "###", "..#", "###"},
    {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"}, {"###", "..#", "..#", "..#", "..#"},
    {"###", "#.#", "###", "#.#", "###"}, {"###", "#.#", "###", "..#", "###"},
};

// The stone mesh's own middle, in the stone frame (as the last move's mark has it), and how far
// the digits stand in front of it, towards the viewer: as far as the stone reaches sideways, so
// that they stay in front of it from the side too.
constexpr float MIDDLE_X = 3.875f, MIDDLE_Y = -9.0f, MIDDLE_Z = 4.375f;
constexpr float STONE_REACH = 4.8f;
// A block's side in stone-frame units, at most: a number of three digits still fits the stone's
// face, set smaller (TEXT_WIDTH across at the most).
constexpr float LARGEST_BLOCK = 0.9f;
constexpr float TEXT_WIDTH = 8.0f;

} // namespace

int numberWidth(int number)
{
    const int digits = static_cast<int>(std::to_string(std::max(number, 0)).size());
    return digits * DIGIT_WIDTH + (digits - 1) * DIGIT_GAP;
}

void drawNumberOnStone(int row, int col, int number)
{
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // The stone's middle in eye space, and the stone frame's scale there.
    const float px = cellX(row) + MIDDLE_X, py = MIDDLE_Y, pz = cellZ(col) + MIDDLE_Z;
    float eye[3];
    for (int i = 0; i < 3; ++i)
    {
        eye[i] = m[i] * px + m[4 + i] * py + m[8 + i] * pz + m[12 + i];
    }
    const float scale = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
    const float distance = std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]);
    if (distance <= STONE_REACH * scale)
    {
        return; // the viewer is inside the stone
    }
    // Along the ray from the eye to the middle, so that the digits cover the middle as seen, and
    // smaller by as much as they come nearer, so that they look the size they would have there.
    const float nearer = 1.0f - STONE_REACH * scale / distance;
    const float centre[3] = {eye[0] * nearer, eye[1] * nearer, eye[2] * nearer};
    const std::string text = std::to_string(number);
    const int width = numberWidth(number);
    const float block =
        std::min(LARGEST_BLOCK, TEXT_WIDTH / static_cast<float>(width)) * scale * nearer;
    const float left = centre[0] - block * static_cast<float>(width) / 2.0f;
    const float top = centre[1] + block * static_cast<float>(DIGIT_HEIGHT) / 2.0f;

    glPushMatrix();
    glLoadIdentity();
    // The browser's emulation of glBegin/glEnd takes its vertices from the bound buffer, if any.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBegin(GL_TRIANGLES);
    for (std::size_t d = 0; d < text.size(); ++d)
    {
        const char *const *rows = DIGITS[text[d] - '0'];
        for (int r = 0; r < DIGIT_HEIGHT; ++r)
        {
            for (int c = 0; c < DIGIT_WIDTH; ++c)
            {
                if (rows[r][c] != '#')
                {
                    continue;
                }
                const float x0 =
                    left +
                    block * static_cast<float>(static_cast<int>(d) * (DIGIT_WIDTH + DIGIT_GAP) + c);
                const float y1 = top - block * static_cast<float>(r);
                const float x1 = x0 + block, y0 = y1 - block;
                // Counter-clockwise on the screen: the front face.
                const float corners[6][2] = {{x0, y0}, {x1, y0}, {x1, y1},
                                             {x0, y0}, {x1, y1}, {x0, y1}};
                for (const auto &corner : corners)
                {
                    glNormal3f(0.0f, 0.0f, 1.0f);
                    glVertex3f(corner[0], corner[1], centre[2]);
                }
            }
        }
    }
    glEnd();
    glPopMatrix();
}
