// The stone buffer. Slot 0 holds the cursor stone's copy, the slots after it the board's stones.
// Its vertices are interleaved, position then normal, 24 bytes each: the browser's GL emulation
// draws such a buffer as it stands, while from separate position and normal arrays it first
// copies every vertex of the draw into a scratch buffer of 2 MB, which a board of one colour
// would overrun.
#include "render/stone_buffers.h"

#include "game/game_state.h"
#include "model/model_table.h"
#include "render/frame.h"

#include "platform/gl.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

namespace
{

constexpr int SLOTS = 1 + BOARD_CELLS; // the cursor stone's copy, and one for every cell
constexpr int CURSOR_SLOT = 0;
constexpr int FIRST_STONE_SLOT = 1;
constexpr std::size_t FLOATS_PER_VERTEX = 6; // x, y, z, then the normal's x, y, z
constexpr GLsizei STRIDE = FLOATS_PER_VERTEX * sizeof(float);

GLuint stoneBuffer = 0;
int capacity = 0;                    // slots the buffer has room for
std::vector<float> stone;            // the stone model, vertex after vertex: position, normal
std::unique_ptr<float[]> slots;      // what the buffer holds, SLOTS copies of the stone long
std::int32_t heldBoard[BOARD_CELLS]; // the board whose stones the buffer holds
int heldBlack = 0;                   // black stones held, from FIRST_STONE_SLOT
int heldWhite = 0;                   // white stones held, right after the black ones
int cursorRow = 0;                   // the cell the cursor's copy stands on,
int cursorCol = 0;                   // once cursorPlaced
bool cursorPlaced = false;

GLsizei verticesPerStone()
{
    return static_cast<GLsizei>(stone.size() / FLOATS_PER_VERTEX);
}

std::size_t bytesPerSlot()
{
    return stone.size() * sizeof(float);
}

// Writes a copy of the stone into `slot`, moved to the place of the cell (row, col). In the
// stone frame that place is the translation (x, 0, z) that the matrix of a stone drawn by
// itself would add; the normals stay as they are.
void moveCopy(int slot, int row, int col)
{
    const float x = cellX(row);
    const float z = cellZ(col);
    float *out = slots.get() + static_cast<std::size_t>(slot) * stone.size();
    for (std::size_t i = 0; i < stone.size(); i += FLOATS_PER_VERTEX)
    {
        out[i] = stone[i] + x;
        out[i + 1] = stone[i + 1];
        out[i + 2] = stone[i + 2] + z;
        std::copy(&stone[i + 3], &stone[i + 3] + 3, out + i + 3);
    }
}

// Gives the buffer room for `needed` slots, at least twice what it had when it must grow. New
// storage is cleared by GL, so only as much of it is made as the board has needed so far, and
// the copies held are uploaded again by whoever asked for the room.
void makeRoom(int needed)
{
    if (needed <= capacity)
    {
        return;
    }
    capacity = std::min(SLOTS, std::max(needed, 2 * capacity));
    glBindBuffer(GL_ARRAY_BUFFER, stoneBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(capacity * bytesPerSlot()), nullptr,
                 GL_DYNAMIC_DRAW);
    cursorPlaced = false;
}

void uploadSlots(int first, int count)
{
    if (count == 0 || bytesPerSlot() == 0)
    {
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, stoneBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(first * bytesPerSlot()),
                    static_cast<GLsizeiptr>(count * bytesPerSlot()),
                    slots.get() + static_cast<std::size_t>(first) * stone.size());
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
    const ModelRecord &model = ModelTable[MODEL_STONE];
    const std::size_t floats = static_cast<std::size_t>(model.facetCount) * FLOATS_PER_FACET;
    stone.clear();
    for (std::size_t i = 0; i < floats; i += 3)
    {
        stone.insert(stone.end(), model.vertexArray + i, model.vertexArray + i + 3);
        stone.insert(stone.end(), model.normalArray + i, model.normalArray + i + 3);
    }
    // Left as it comes: a slot is written whole before it is uploaded, so the memory of slots
    // never used is never touched.
    slots.reset(new float[SLOTS * stone.size()]);
    // A new name every time: the buffer belongs to the context that is current now.
    glGenBuffers(1, &stoneBuffer);
    capacity = 0;
    makeRoom(FIRST_STONE_SLOT);
    std::fill(std::begin(heldBoard), std::end(heldBoard), CELL_EMPTY);
    heldBlack = 0;
    heldWhite = 0;
}

void updateBoardStones()
{
    if (std::equal(std::begin(Board), std::end(Board), std::begin(heldBoard)))
    {
        return;
    }
    int slot = FIRST_STONE_SLOT;
    for (std::int32_t colour : {CELL_BLACK, CELL_WHITE})
    {
        const int first = slot;
        for (int cell = 0; cell < BOARD_CELLS; ++cell)
        {
            if (Board[cell] == colour)
            {
                moveCopy(slot++, cell / BOARD_SIZE, cell % BOARD_SIZE);
            }
        }
        (colour == CELL_BLACK ? heldBlack : heldWhite) = slot - first;
    }
    makeRoom(slot);
    uploadSlots(FIRST_STONE_SLOT, slot - FIRST_STONE_SLOT);
    std::copy(std::begin(Board), std::end(Board), std::begin(heldBoard));
}

void drawBoardStones(std::int32_t cell)
{
    if (cell == CELL_BLACK)
    {
        drawSlots(FIRST_STONE_SLOT, heldBlack);
    }
    else if (cell == CELL_WHITE)
    {
        drawSlots(FIRST_STONE_SLOT + heldBlack, heldWhite);
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
