// The stone buffer. Its vertices are interleaved, position then normal, 24 bytes each: the
// browser's GL emulation draws such a buffer as it stands, while from separate position and
// normal arrays it first copies every vertex of the draw into a scratch buffer of 2 MB, which a
// board of one colour would overrun.
#include "render/stone_buffers.h"

#include "game/game_state.h"
#include "model/model_table.h"
#include "render/frame.h"

#include "platform/gl.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

namespace
{

constexpr int SLOTS = BOARD_CELLS + 1; // a copy of the stone for every cell, and the cursor's
constexpr int CURSOR_SLOT = BOARD_CELLS;
constexpr std::size_t FLOATS_PER_VERTEX = 6; // x, y, z, then the normal's x, y, z
constexpr GLsizei STRIDE = FLOATS_PER_VERTEX * sizeof(float);

GLuint stoneBuffer = 0;
std::vector<float> stoneVertices;    // the stone model's vertices, three floats each
std::vector<float> slots;            // the buffer's contents: SLOTS copies of the stone
std::int32_t heldBoard[BOARD_CELLS]; // the board whose stones the buffer holds
int heldBlack = 0;                   // black stones held, from slot 0
int heldWhite = 0;                   // white stones held, from slot heldBlack
int cursorRow = 0;                   // the cell the cursor's copy stands on,
int cursorCol = 0;                   // once cursorPlaced
bool cursorPlaced = false;

GLsizei verticesPerStone()
{
    return static_cast<GLsizei>(stoneVertices.size() / 3);
}

std::size_t floatsPerSlot()
{
    return stoneVertices.size() / 3 * FLOATS_PER_VERTEX;
}

// Writes the stone's vertices into `slot`, moved to the place of the cell (row, col). In the
// stone frame that place is the translation (x, 0, z) that the matrix of a stone drawn by
// itself would add; the normals, written once, stay as they are.
void moveCopy(int slot, int row, int col)
{
    const float x = cellX(row);
    const float z = cellZ(col);
    float *out = slots.data() + static_cast<std::size_t>(slot) * floatsPerSlot();
    for (std::size_t i = 0; i < stoneVertices.size(); i += 3, out += FLOATS_PER_VERTEX)
    {
        out[0] = stoneVertices[i] + x;
        out[1] = stoneVertices[i + 1];
        out[2] = stoneVertices[i + 2] + z;
    }
}

void uploadSlots(int first, int count)
{
    const std::size_t bytesPerSlot = floatsPerSlot() * sizeof(float);
    if (count == 0 || bytesPerSlot == 0)
    {
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, stoneBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(first * bytesPerSlot),
                    static_cast<GLsizeiptr>(count * bytesPerSlot),
                    slots.data() + static_cast<std::size_t>(first) * floatsPerSlot());
}

// The same sequence as drawModel's, over `count` copies from slot `first`.
void drawSlots(int first, int count)
{
    if (count == 0 || verticesPerStone() == 0)
    {
        return;
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, stoneBuffer);
    glVertexPointer(3, GL_FLOAT, STRIDE, nullptr);
    glNormalPointer(GL_FLOAT, STRIDE, reinterpret_cast<const void *>(3 * sizeof(float)));
    glDrawArrays(GL_TRIANGLES, first * verticesPerStone(), count * verticesPerStone());
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

} // namespace

void uploadStoneBuffers()
{
    const ModelRecord &stone = ModelTable[MODEL_STONE];
    const std::size_t floats = static_cast<std::size_t>(stone.facetCount) * FLOATS_PER_FACET;
    stoneVertices.assign(stone.vertexArray, stone.vertexArray + floats);
    slots.assign(SLOTS * floatsPerSlot(), 0.0f);
    for (std::size_t slot = 0; slot < SLOTS; ++slot)
    {
        float *out = slots.data() + slot * floatsPerSlot();
        for (std::size_t i = 0; i < floats; i += 3, out += FLOATS_PER_VERTEX)
        {
            std::copy(stone.normalArray + i, stone.normalArray + i + 3, out + 3);
        }
    }
    // A new name every time: the buffer belongs to the context that is current now.
    glGenBuffers(1, &stoneBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, stoneBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(slots.size() * sizeof(float)),
                 slots.data(), GL_DYNAMIC_DRAW);
    std::fill(std::begin(heldBoard), std::end(heldBoard), CELL_EMPTY);
    heldBlack = 0;
    heldWhite = 0;
    cursorPlaced = false;
}

void updateBoardStones()
{
    if (std::equal(std::begin(Board), std::end(Board), std::begin(heldBoard)))
    {
        return;
    }
    int slot = 0;
    for (std::int32_t colour : {CELL_BLACK, CELL_WHITE})
    {
        int first = slot;
        for (int cell = 0; cell < BOARD_CELLS; ++cell)
        {
            if (Board[cell] == colour)
            {
                moveCopy(slot++, cell / BOARD_SIZE, cell % BOARD_SIZE);
            }
        }
        (colour == CELL_BLACK ? heldBlack : heldWhite) = slot - first;
    }
    uploadSlots(0, slot);
    std::copy(std::begin(Board), std::end(Board), std::begin(heldBoard));
}

void drawBoardStones(std::int32_t cell)
{
    if (cell == CELL_BLACK)
    {
        drawSlots(0, heldBlack);
    }
    else if (cell == CELL_WHITE)
    {
        drawSlots(heldBlack, heldWhite);
    }
}

void drawCursorStoneAt(int row, int col)
{
    if (!cursorPlaced || row != cursorRow || col != cursorCol)
    {
        moveCopy(CURSOR_SLOT, row, col);
        uploadSlots(CURSOR_SLOT, 1);
        cursorRow = row;
        cursorCol = col;
        cursorPlaced = true;
    }
    drawSlots(CURSOR_SLOT, 1);
}
