// Draws one frame: the board, its stones, then the cursor stone or the winning line and banner.
#include "render/frame.h"

#include "game/analysis.h"
#include "game/ending.h"
#include "game/game_state.h"
#include "game/hint.h"
#include "game/opponent.h"
#include "model/model_gpu.h"
#include "model/model_table.h"
#include "platform/status.h"
#include "render/numbers.h"
#include "render/stone_buffers.h"
#include "render/transforms.h"

#include "platform/gl.h"
// After the GL header, which stands in for the system's.
#include "platform/glu.h"

#include <GL/freeglut_std.h>
#include <algorithm>
#include <cmath>

namespace
{

constexpr float WIN_LINE_HEIGHT = 5.0f; // the winning line floats this far above the stones
constexpr float WIN_LINE_WIDTH = 10.0f; // pixels
// The page scales the game to its window; there the line keeps the share of the picture that
// WIN_LINE_WIDTH pixels have in the desktop's window, this many pixels tall.
constexpr double WIN_LINE_VIEW_HEIGHT = 600.0;

void colour(GLubyte r, GLubyte g, GLubyte b)
{
    glColor3ub(r, g, b);
}

void colourOfStone(std::int32_t cell)
{
    if (cell == CELL_BLACK)
    {
        colour(0, 0, 0);
    }
    else
    {
        colour(255, 255, 255);
    }
}

// The board pass: each stone is tested for a five in row-major order, so the pass is the
// five-in-a-row scan and a five made by the last move shows in this frame. The stones
// themselves are drawn from the stone buffers, each colour in one draw.
void drawStones()
{
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            std::int32_t cell = Board[row * BOARD_SIZE + col];
            if (cell == CELL_BLACK || cell == CELL_WHITE)
            {
                checkFiveAt(row, col);
            }
        }
    }
    updateBoardStones();
    for (std::int32_t cell : {CELL_BLACK, CELL_WHITE})
    {
        colourOfStone(cell);
        drawBoardStones(cell);
    }
}

// The mark on the last stone placed: a small red stone sunk into its top, so that it stands
// out of black and of white alike and shows from the side as well as from above. Drawn from the
// stone frame, which it leaves as it found it.
void drawLastMoveMark()
{
    if (historyLength == 0)
    {
        return; // an empty board has no last move
    }
    const MoveRecord &last = moveHistory[historyLength - 1];
    // The stone mesh's own middle and the height of its top, in the stone frame.
    constexpr float MIDDLE_X = 3.875f, MIDDLE_Y = -9.0f, MIDDLE_Z = 4.375f, TOP_Y = -6.8f;
    constexpr float MARK_SCALE = 0.4f;
    glPushMatrix();
    glTranslatef(cellX(last.row) + MIDDLE_X, TOP_Y, cellZ(last.col) + MIDDLE_Z);
    glScalef(MARK_SCALE, MARK_SCALE, MARK_SCALE);
    glTranslatef(-MIDDLE_X, -MIDDLE_Y, -MIDDLE_Z);
    colour(220, 20, 20);
    drawModel(MODEL_STONE);
    glPopMatrix();
}

// Under renju, while black is to move, a small violet disc on each point black may not play,
// half sunk into the board: the stone's mesh flattened, so that it shows from every side and
// tells itself from a stone, from the last stone's red mark and from the board.
void drawForbiddenMarks()
{
    if (gameRule != engine::Rule::Renju || sideToMove != 0 || gameOver != 0)
    {
        return;
    }
    constexpr float MIDDLE_X = 3.875f, MIDDLE_Y = -9.0f, MIDDLE_Z = 4.375f, BOTTOM_Y = -11.2f;
    constexpr float WIDTH_SCALE = 0.45f, HEIGHT_SCALE = 0.4f;
    colour(150, 40, 230);
    for (int row = 0; row < BOARD_SIZE; ++row)
    {
        for (int col = 0; col < BOARD_SIZE; ++col)
        {
            if (!forbiddenForBlack(row, col))
            {
                continue;
            }
            glPushMatrix();
            glTranslatef(cellX(row) + MIDDLE_X, BOTTOM_Y, cellZ(col) + MIDDLE_Z);
            glScalef(WIDTH_SCALE, HEIGHT_SCALE, WIDTH_SCALE);
            glTranslatef(-MIDDLE_X, -MIDDLE_Y, -MIDDLE_Z);
            drawModel(MODEL_STONE);
            glPopMatrix();
        }
    }
}

// A move "Analyse game" marked: a yellow ring round its stone at the stone's widest, the stone's
// mesh widened and flattened, so that it shows round the stone from above and across it from the
// side, and tells itself from the stones, the board, the last stone's red and renju's violet.
void drawAnalysisMarks()
{
    std::uint8_t marks[BOARD_CELLS];
    analysisMarksOfBoard(marks);
    constexpr float MIDDLE_X = 3.875f, MIDDLE_Y = -9.0f, MIDDLE_Z = 4.375f;
    constexpr float WIDTH_SCALE = 1.3f, HEIGHT_SCALE = 0.3f;
    colour(250, 215, 0);
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        if (marks[i] == 0)
        {
            continue;
        }
        glPushMatrix();
        glTranslatef(cellX(i / BOARD_SIZE) + MIDDLE_X, MIDDLE_Y, cellZ(i % BOARD_SIZE) + MIDDLE_Z);
        glScalef(WIDTH_SCALE, HEIGHT_SCALE, WIDTH_SCALE);
        glTranslatef(-MIDDLE_X, -MIDDLE_Y, -MIDDLE_Z);
        drawModel(MODEL_STONE);
        glPopMatrix();
    }
}

// See-through, the cursor stone is blended over what lies behind it and kept out of the depth
// buffer: the board's grid shows through it, and no placed stone looks so.
constexpr GLubyte CURSOR_ALPHA = 110;
void drawCursorStone()
{
    // Not limited to the board: a cursor moved past the edge is drawn there.
    if (seeThroughCursor == 0)
    {
        colourOfStone(sideToMove == 0 ? CELL_BLACK : CELL_WHITE);
        drawCursorStoneAt(cursorX + BOARD_CENTRE, cursorY + BOARD_CENTRE);
        return;
    }
    const GLubyte shade = sideToMove == 0 ? 0 : 255;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glColor4ub(shade, shade, shade, CURSOR_ALPHA);
    drawCursorStoneAt(cursorX + BOARD_CENTRE, cursorY + BOARD_CENTRE);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

// The digits' colour on a stone of each colour: light on black, dark on white.
void colourOfNumberOn(std::int32_t cell)
{
    if (cell == CELL_BLACK)
    {
        colour(240, 240, 240);
    }
    else
    {
        colour(20, 20, 20);
    }
}

// With Move numbers on, each stone's number on it, unlit so that it keeps its colour.
void drawMoveNumbers()
{
    if (moveNumbers == 0)
    {
        return;
    }
    int numbers[BOARD_CELLS];
    moveNumbersOfBoard(numbers);
    glDisable(GL_LIGHTING);
    for (int i = 0; i < BOARD_CELLS; ++i)
    {
        if (numbers[i] != 0)
        {
            colourOfNumberOn(Board[i]);
            drawNumberOnStone(i / BOARD_SIZE, i % BOARD_SIZE, numbers[i]);
        }
    }
    glEnable(GL_LIGHTING);
}

// The hint: a see-through stone of the mover's colour on the point hinted, then the line the
// engine expects after it, the colours alternating, each numbered in its order (the hint 1).
// Blended over what lies behind, and kept out of the depth buffer, so that each shows whatever
// it stands in front of.
constexpr GLubyte HINT_ALPHA = 140;
void drawHintStones()
{
    const HintLine *hint = shownHint();
    if (hint == nullptr)
    {
        return;
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    for (int i = 0; i < hint->length; ++i)
    {
        const bool black = ((hint->side + i) & 1) == 0;
        const GLubyte shade = black ? 0 : 255;
        glColor4ub(shade, shade, shade, HINT_ALPHA);
        glPushMatrix();
        glTranslatef(cellX(hint->rows[i]), 0.0f, cellZ(hint->cols[i]));
        drawModel(MODEL_STONE);
        glPopMatrix();
    }
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    for (int i = 0; i < hint->length; ++i)
    {
        colourOfNumberOn(((hint->side + i) & 1) == 0 ? CELL_BLACK : CELL_WHITE);
        drawNumberOnStone(hint->rows[i], hint->cols[i], i + 1);
    }
    glEnable(GL_LIGHTING);
}

// Under the board, while a hint is shown: who is better by its score, black's share from the
// left in black, white's from the right in white, drawn in the window's own pixels.
void drawHintBar()
{
    const HintLine *hint = shownHint();
    if (hint == nullptr)
    {
        return;
    }
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float width = static_cast<float>(viewport[2]), height = static_cast<float>(viewport[3]);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    const float left = HINT_BAR_LEFT * width, right = (1.0f - HINT_BAR_LEFT) * width;
    const float bottom = HINT_BAR_BOTTOM * height;
    const float top = bottom + std::max(3.0f, HINT_BAR_HEIGHT * height);
    const float split = left + blackShareOf(hint->side, hint->score) * (right - left);
    const float edge = 1.0f; // a grey rim round both parts, so that each shows on any ground
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    auto box = [](float x0, float y0, float x1, float y1)
    {
        glBegin(GL_TRIANGLE_FAN);
        glVertex3f(x0, y0, 0.0f);
        glVertex3f(x1, y0, 0.0f);
        glVertex3f(x1, y1, 0.0f);
        glVertex3f(x0, y1, 0.0f);
        glEnd();
    };
    colour(128, 128, 128);
    box(left - edge, bottom - edge, right + edge, top + edge);
    colour(0, 0, 0);
    box(left, bottom, split, top);
    colour(255, 255, 255);
    box(split, bottom, right, top);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

struct LineEnds
{
    float x1, z1, x2, z2; // offsets from the recorded cell's place, in the stone frame
};

// The winning line's end points by direction code - 1.
constexpr LineEnds WIN_LINE_ENDS[4] = {
    {4.0f, -18.0f, 4.0f, 27.5f},    // DIR_ROW
    {-19.0f, 27.5f, 26.5f, -18.0f}, // DIR_DIAGONAL
    {-19.0f, 4.0f, 26.5f, 4.0f},    // DIR_COLUMN
    {-19.0f, -18.0f, 26.5f, 27.5f}, // DIR_ANTIDIAGONAL
};

// WebGL draws every line one pixel wide, so there the winning line is a quad that covers what a
// wide GL line covers: its ends are taken to the window and moved half the width up and down
// (along x for a steep line), as GL widens a line along its minor axis, then brought back at
// their own depths. Lit with the normal GL starts with, (0, 0, 1). `width` is for a view
// WIN_LINE_VIEW_HEIGHT pixels tall, and scales with the view's height.
void drawLineAsQuad(const GLdouble (&a)[3], const GLdouble (&b)[3], double width)
{
    GLfloat modelviewF[16], projectionF[16];
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelviewF);
    glGetFloatv(GL_PROJECTION_MATRIX, projectionF);
    glGetIntegerv(GL_VIEWPORT, viewport);
    width *= viewport[3] / WIN_LINE_VIEW_HEIGHT;
    std::copy(modelviewF, modelviewF + 16, modelview);
    std::copy(projectionF, projectionF + 16, projection);

    GLdouble wa[3], wb[3];
    if (gluProject(a[0], a[1], a[2], modelview, projection, viewport, &wa[0], &wa[1], &wa[2]) !=
            GL_TRUE ||
        gluProject(b[0], b[1], b[2], modelview, projection, viewport, &wb[0], &wb[1], &wb[2]) !=
            GL_TRUE)
    {
        return;
    }
    double dx = wb[0] - wa[0], dy = wb[1] - wa[1];
    if (dx == 0.0 && dy == 0.0)
    {
        return; // seen end on: nothing of it shows
    }
    // Half the width, to the left of the line from a to b: with the corners taken a - n, b - n,
    // b + n, a + n the quad turns counter-clockwise on the screen, so it faces the viewer.
    double nx = 0.0, ny = 0.0;
    if (std::abs(dx) >= std::abs(dy))
    {
        ny = std::copysign(width / 2.0, dx);
    }
    else
    {
        nx = -std::copysign(width / 2.0, dy);
    }
    const GLdouble corners[4][3] = {{wa[0] - nx, wa[1] - ny, wa[2]},
                                    {wb[0] - nx, wb[1] - ny, wb[2]},
                                    {wb[0] + nx, wb[1] + ny, wb[2]},
                                    {wa[0] + nx, wa[1] + ny, wa[2]}};
    GLdouble quad[4][3];
    for (int i = 0; i < 4; ++i)
    {
        if (gluUnProject(corners[i][0], corners[i][1], corners[i][2], modelview, projection,
                         viewport, &quad[i][0], &quad[i][1], &quad[i][2]) != GL_TRUE)
        {
            return;
        }
    }
    // The browser's emulation of glBegin/glEnd takes its vertices from the bound buffer, if any.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBegin(GL_TRIANGLE_FAN);
    for (const GLdouble(&corner)[3] : quad)
    {
        glNormal3f(0.0f, 0.0f, 1.0f);
        glVertex3f(static_cast<float>(corner[0]), static_cast<float>(corner[1]),
                   static_cast<float>(corner[2]));
    }
    glEnd();
}

void drawWinLine()
{
    if (winDirection < DIR_ROW || winDirection > DIR_ANTIDIAGONAL)
    {
        return; // no five recorded: there is no line to draw
    }
    const LineEnds &ends = WIN_LINE_ENDS[winDirection - 1];
    float x = cellX(winRow);
    float z = cellZ(winCol);
    const GLdouble a[3] = {x + ends.x1, WIN_LINE_HEIGHT, z + ends.z1};
    const GLdouble b[3] = {x + ends.x2, WIN_LINE_HEIGHT, z + ends.z2};
    colour(255, 0, 0);
    if (!linesHaveWidth)
    {
        drawLineAsQuad(a, b, WIN_LINE_WIDTH);
        return;
    }
    glLineWidth(WIN_LINE_WIDTH);
    glBegin(GL_LINES);
    glVertex3f(static_cast<float>(a[0]), static_cast<float>(a[1]), static_cast<float>(a[2]));
    glVertex3f(static_cast<float>(b[0]), static_cast<float>(b[1]), static_cast<float>(b[2]));
    glEnd();
}

// The banner of the side that made the last move, three times, one above the other.
void drawBanner()
{
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f); // back to axes parallel to the grid's
    glTranslatef(-115.0f, -20.0f, 20.0f);
    glScalef(9.0f, 9.0f, 9.0f);
    // The side to move did not make the last move: the other side won.
    std::int32_t banner = MODEL_WHITE_WINS;
    if (sideToMove != 0)
    {
        colour(0, 0, 0);
        banner = MODEL_BLACK_WINS;
    }
    else
    {
        colour(255, 255, 255);
    }
    drawModel(banner);
    glTranslatef(0.0f, 5.0f, 0.0f);
    drawModel(banner);
    glTranslatef(0.0f, -10.0f, 0.0f);
    drawModel(banner);
}

} // namespace

#ifdef __EMSCRIPTEN__
bool linesHaveWidth = false;
#else
bool linesHaveWidth = true;
#endif

void drawBoardAndGrid()
{
    colour(139, 69, 19);
    drawModel(MODEL_BOARD);
    enterGridFrame();
    colour(0, 0, 0);
    drawModel(MODEL_GRID);
}

void drawWinLineAndBanner()
{
    drawWinLine();
    drawBanner();
}

void onDisplay()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    enterBoardFrame();
    drawBoardAndGrid();
    enterStoneFrame();
    drawStones();
    drawLastMoveMark();
    drawForbiddenMarks();
    drawAnalysisMarks();
    // Read after the whole pass: a five found in it already counts.
    if (gameOver == 0)
    {
        drawCursorStone();
    }
    drawMoveNumbers();
    if (gameOver == 0)
    {
        drawHintStones();
    }
    else if (gameOver != GAME_DRAWN) // a draw agreed has no winner to show
    {
        drawWinLineAndBanner();
    }
    glPopMatrix();
    drawHintBar();
    // The same state in words, where the platform shows them (the page's status line): the
    // winner is the side that moved last, as on the banner.
    platformShowStatus(gameOver == 0 ? sideToMove : sideToMove ^ 1,
                       gameOver != 0 && gameOver != GAME_DRAWN, cheatMode != 0,
                       opponent == OPPONENT_NONE    ? -1
                       : opponent == OPPONENT_WHITE ? 1
                                                    : 0,
                       computerLevel, static_cast<int>(gameRule), gameOpening, gameNotice.c_str(),
                       noticeNumber);
    glutSwapBuffers();
#ifndef __EMSCRIPTEN__
    // The desktop game draws continuously, as it always has; the page draws when its picture
    // changes (app/input.cpp's redrawIfChanged), so that an idle page rests.
    glutPostRedisplay();
#endif
}
