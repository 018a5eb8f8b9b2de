// GL tests on the real renderer in an 800 x 600 window on the suite's own Xvfb, over the assets/
// meshes: each object found by difference with a frame drawn without it, placed by the grid lines.
#include "bench/reference_frame.h"
#include "game/analysis.h"
#include "game/game_state.h"
#include "game/hint.h"
#include "app/input.h"
#include "model/model_gpu.h"
#include "model/model_table.h"
#include "render/frame.h"
#include "render/pick.h"
#include "render/stone_buffers.h"
#include "render/transforms.h"
#include "render/scene.h"
#include "tests/game/game_test_support.h" // resetGameState

#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <vector>

namespace
{

constexpr int WIDTH = 800, HEIGHT = 600;
constexpr int OFF_WINDOW = 40; // a cursor offset that puts the cursor stone off the window

using Frame = std::vector<std::uint8_t>; // WIDTH x HEIGHT RGB, bottom row first, as GL reads

// The back buffer: Mesa's software rasteriser keeps it through the swap; the front reads black.
Frame drawFrame(void (*display)() = onDisplay)
{
    display();
    Frame f(3 * WIDTH * HEIGHT);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, f.data());
    return f;
}

// The scene's colours as lit (black shows only its white highlight: a neutral grey).
using Kind = int; // CLEAR the cream clear colour, BROWN the board, RED the winning line
constexpr Kind CLEAR = 0, BROWN = 1, DARK = 2, WHITE = 3, RED = 4, VIOLET = 5, YELLOW = 6,
               OTHER = 7, KINDS = 8;
Kind kindOf(const Frame &f, int x, int y)
{
    const std::uint8_t *p = &f[3 * (std::size_t(y) * WIDTH + x)];
    int r = p[0], g = p[1], b = p[2], high = std::max({r, g, b}), low = std::min({r, g, b});
    if (r == 255 && g == 237 && b == 213) // (1, 0.93, 0.835) in eight bits
        return CLEAR;
    if (high - low <= 12)
        return low >= 250 ? WHITE : (high <= 230 ? DARK : OTHER);
    if (r >= 90 && 100 * g < 35 * r && 100 * b < 35 * r)
        return RED;
    if (b > g + 60 && r > g + 20) // renju's forbidden points
        return VIOLET;
    if (r >= 120 && 100 * g >= 75 * r && 100 * b < 45 * g) // the analysis's marks
        return YELLOW;
    return r - g >= 25 && g - b >= 20 ? BROWN : OTHER;
}

// The pixels in which frame `a` differs from `b`: count, middle, bounds, kinds in `a`, row bands.
struct Blob
{
    int count = 0, left = WIDTH, right = -1, bottom = HEIGHT, top = -1, bands = 0;
    double x = 0.0, y = 0.0;
    int kinds[KINDS] = {};
    double share(Kind k) const { return count == 0 ? 0.0 : double(kinds[k]) / count; }
    double stone() const { return share(WHITE) + share(DARK); } // either colour of stone
    bool looks(Kind k) const { return share(k) >= (k == DARK ? 0.95 : 0.6) && stone() >= 0.95; }
};
Blob blobOf(const Frame &a, const Frame &b)
{
    Blob blob;
    for (int y = 0; y < HEIGHT; ++y)
    {
        int before = blob.count, lastRow = blob.top;
        for (int x = 0; x < WIDTH; ++x)
        {
            std::size_t i = 3 * (std::size_t(y) * WIDTH + x);
            if (a[i] == b[i] && a[i + 1] == b[i + 1] && a[i + 2] == b[i + 2])
                continue;
            ++blob.count;
            blob.x += x + 0.5, blob.y += y + 0.5;
            blob.left = std::min(blob.left, x), blob.right = std::max(blob.right, x);
            blob.bottom = std::min(blob.bottom, y), blob.top = std::max(blob.top, y);
            ++blob.kinds[kindOf(a, x, y)];
        }
        blob.bands += blob.count > before && (before == 0 || lastRow < y - 1); // a band starts
    }
    blob.x /= std::max(blob.count, 1), blob.y /= std::max(blob.count, 1);
    return blob;
}

void freeArrays(ModelRecord &record)
{
    delete[] record.facets;
    delete[] record.vertexArray;
    delete[] record.normalArray;
}

// Gives the models their files' facets or none (a failed file); uploads into the same buffers.
void setModels(std::initializer_list<std::int32_t> models, bool fromFile, bool upload = true)
{
    for (std::int32_t k : models)
    {
        ModelRecord &record = ModelTable[k];
        freeArrays(record);
        record = {nullptr, nullptr, nullptr, 0, record.vertexBuffer, record.normalBuffer};
        std::string path = std::string(GOMOKU_ASSETS_DIR) + "/" + modelFileNames[k];
        record.facets = fromFile ? loadStl(path.c_str(), &record.facetCount) : nullptr;
        prepareMesh(&record);
    }
    if (upload)
        uploadModelBuffers();
}

class GlTest : public testing::Test
{
protected:
    void SetUp() override
    {
        // The suite's Xvfb (tests/x_server.sh) names its display in a file; by hand, DISPLAY stays.
        if (const char *file = std::getenv("GOMOKU_TEST_DISPLAY_FILE"))
        {
            std::string display;
            ASSERT_TRUE(std::ifstream(file) >> display) << "no display in " << file;
            setenv("DISPLAY", display.c_str(), 1);
        }
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "no X display: run the test through ctest";
        static char name[] = "gl_test", *argv[] = {name, nullptr};
        int argc = 1;
        if (!glutGet(GLUT_INIT_STATE)) // freeglut is initialised once a process
            glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(WIDTH, HEIGHT);
        window = glutCreateWindow("Game"); // a new context: no GL state leaks between tests
        resetGameState();
        cursorX = OFF_WINDOW;
        std::fill(ModelTable, ModelTable + MODEL_COUNT, ModelRecord{});
        setModels({0, 1, 2, 3, 4}, true, false);
        for (const ModelRecord &record : ModelTable)
            ASSERT_GT(record.facetCount, 0);
        initScene();
        onReshape(WIDTH, HEIGHT);
    }
    void TearDown() override
    {
        std::for_each(ModelTable, ModelTable + MODEL_COUNT, freeArrays);
        if (window != 0)
            glutDestroyWindow(window), glutMainLoopEvent(); // closes the window now
    }
    int window = 0;
};

// The grid lines' window x under each row, y under each column, by difference with a frame drawn
// without the grid (which stays out afterwards).
struct Grid
{
    std::vector<double> x, y;
    Blob blob;
    double pitch() const { return (x.back() - x.front()) / (x.size() - 1.0); }
};
Grid findGrid()
{
    Frame with = drawFrame();
    setModels({MODEL_GRID}, false);
    Frame without = drawFrame();
    std::vector<int> perX(WIDTH), perY(HEIGHT);
    for (int i = 0; i < WIDTH * HEIGHT; ++i)
        if (kindOf(with, i % WIDTH, i / WIDTH) != kindOf(without, i % WIDTH, i / WIDTH))
            ++perX[i % WIDTH], ++perY[i / WIDTH];
    // A line runs across most of the board; elsewhere only crossing lines and star points show.
    auto centres = [](const std::vector<int> &counts)
    {
        std::vector<double> lines;
        for (std::size_t i = 0; i < counts.size(); ++i)
        {
            double sum = 0.0, weight = 0.0;
            for (; i < counts.size() && counts[i] > 200; ++i)
                sum += (i + 0.5) * counts[i], weight += counts[i];
            if (weight > 0.0)
                lines.push_back(sum / weight);
        }
        return lines;
    };
    return {centres(perX), centres(perY), blobOf(with, without)};
}

// A new game, cursor stone off the window, `cell` on five cells about (row, col) along `direction`.
std::vector<std::pair<int, int>> placeFive(int row, int col, std::int32_t direction,
                                           std::int32_t cell)
{
    resetGameState();
    cursorX = OFF_WINDOW;
    const int steps[4][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}}; // by direction code - 1
    std::vector<std::pair<int, int>> five;
    for (int i = -2; i <= 2; ++i)
    {
        five.emplace_back(row + i * steps[direction - 1][0], col + i * steps[direction - 1][1]);
        Board[five.back().first * BOARD_SIZE + five.back().second] = cell;
    }
    return five;
}

TEST_F(GlTest, BoardAndBlackGridFillTheWindowsMiddleOnTheClearColour)
{
    Grid grid = findGrid();
    Frame noGrid = drawFrame();
    for (auto [x, y] : {std::pair{0, 0}, {WIDTH - 1, 0}, {0, HEIGHT - 1}, {WIDTH - 1, HEIGHT - 1}})
        EXPECT_EQ(kindOf(noGrid, x, y), CLEAR) << x << ", " << y;
    ASSERT_EQ(grid.x.size(), 18u);
    ASSERT_EQ(grid.y.size(), 18u);
    EXPECT_GE(grid.blob.share(DARK), 0.9);
    EXPECT_NEAR((grid.x[17] - grid.x[0]) / (grid.y[17] - grid.y[0]), 1.0, 0.01); // square cells
    // The grid nearly fills the window's height, about the window's middle.
    EXPECT_NEAR((grid.y[17] - grid.y[0]) / HEIGHT, 0.9, 0.02);
    EXPECT_NEAR((grid.x[0] + grid.x[17]) / 2, WIDTH / 2.0, 40.0);
    EXPECT_NEAR((grid.y[0] + grid.y[17]) / 2, HEIGHT / 2.0, 20.0);

    setModels({MODEL_BOARD}, false);
    Frame bare = drawFrame();
    Blob board = blobOf(noGrid, bare);
    EXPECT_GE(board.share(BROWN), 0.9);
    // Whole, and beyond the outer lines on every side.
    EXPECT_EQ(board.count, (board.right - board.left + 1) * (board.top - board.bottom + 1));
    EXPECT_TRUE(
        board.left < grid.x[0] - grid.pitch() / 2 && board.right > grid.x[17] + grid.pitch() / 2 &&
        board.bottom < grid.y[0] - grid.pitch() / 2 && board.top > grid.y[17] + grid.pitch() / 2);
    for (int i = 0; i < WIDTH * HEIGHT; ++i) // with the board and grid empty, nothing is drawn
        ASSERT_EQ(kindOf(bare, i % WIDTH, i / WIDTH), CLEAR) << i;
}

TEST_F(GlTest, StonesAndTheCursorStoneStandOnTheirCrossingsInTheirColours)
{
    const std::array<int, 3> stones[] = {{0, 0, CELL_BLACK},  {17, 17, CELL_WHITE},
                                         {0, 17, CELL_WHITE}, {17, 0, CELL_BLACK},
                                         {9, 9, CELL_WHITE},  {4, 12, CELL_BLACK}};
    Grid grid = findGrid();
    Frame empty = drawFrame();
    for (auto [row, col, cell] : stones)
    {
        SCOPED_TRACE(testing::Message() << "cell " << row << ", " << col << ": " << cell);
        Kind kind = cell == CELL_BLACK ? DARK : WHITE;
        Board[row * BOARD_SIZE + col] = cell;
        Blob stone = blobOf(drawFrame(), empty);
        Board[row * BOARD_SIZE + col] = CELL_EMPTY;
        EXPECT_TRUE(stone.looks(kind));
        EXPECT_NEAR(stone.x, grid.x[row], 5.0);
        EXPECT_NEAR(stone.y, grid.y[col], 5.0);
        EXPECT_GT(stone.right - stone.left, grid.pitch() * 0.8);
        EXPECT_LT(stone.right - stone.left, grid.pitch()); // neighbours never touch
        // The cursor stone on that cell, in the colour of the side to move, is the same stone.
        cursorX = row - BOARD_CENTRE;
        cursorY = col - BOARD_CENTRE;
        sideToMove = cell == CELL_BLACK ? 0 : 1;
        Blob cursor = blobOf(drawFrame(), empty);
        cursorX = OFF_WINDOW;
        EXPECT_TRUE(cursor.count == stone.count && cursor.kinds[kind] == stone.kinds[kind] &&
                    cursor.x == stone.x && cursor.y == stone.y);
    }
}

TEST_F(GlTest, FiveShowsARedLineThroughItsStonesAndNoCursorStone)
{
    Grid grid = findGrid();
    setModels({MODEL_BLACK_WINS, MODEL_WHITE_WINS}, false); // banners out of the line's way
    // As a GL wide line (desktop), then as the browser's quad: the same pixels but a few at edges.
    std::vector<int> redOfLine;
    for (bool wide : {true, false})
        for (std::int32_t direction : {DIR_ROW, DIR_DIAGONAL, DIR_COLUMN, DIR_ANTIDIAGONAL})
        {
            SCOPED_TRACE(testing::Message()
                         << "direction " << direction << (wide ? " line" : " quad"));
            linesHaveWidth = wide;
            auto five = placeFive(9, 8, direction, CELL_WHITE);
            Frame frame = drawFrame();
            ASSERT_EQ(gameOver, 1);
            cursorX = 5; // on the board, away from the five
            cursorY = -6;
            // No cursor stone, and the first frame left the modelview as it found it.
            EXPECT_EQ(blobOf(drawFrame(), frame).count, 0);
            // Red within a few pixels of each stone's crossing, and none far beyond the ends.
            double ax = grid.x[five[0].first], ay = grid.y[five[0].second];
            double dx = grid.x[five[4].first] - ax, dy = grid.y[five[4].second] - ay;
            std::vector<double> nearest(5, 1e9);
            int red = 0;
            for (int y = 0; y < HEIGHT; ++y)
                for (int x = 0; x < WIDTH; ++x)
                {
                    if (kindOf(frame, x, y) != RED)
                        continue;
                    ++red;
                    for (int i = 0; i < 5; ++i)
                        nearest[i] =
                            std::min(nearest[i], std::hypot(x + 0.5 - grid.x[five[i].first],
                                                            y + 0.5 - grid.y[five[i].second]));
                    double along = ((x + 0.5 - ax) * dx + (y + 0.5 - ay) * dy) / std::hypot(dx, dy);
                    EXPECT_TRUE(along > -grid.pitch() && along < std::hypot(dx, dy) + grid.pitch());
                }
            for (int i = 0; i < 5; ++i)
                EXPECT_LT(nearest[i], 4.0) << "stone " << i;
            // Ten pixels thick across its main axis, as GL draws wide lines.
            EXPECT_GT(red, 9 * std::max(std::abs(dx), std::abs(dy)));
            if (wide)
                redOfLine.push_back(red);
            else
                EXPECT_NEAR(red, redOfLine.at(direction - 1), 0.1 * redOfLine.at(direction - 1));
        }
    linesHaveWidth = true;
}

// Under renju, on black's turn only, a small violet mark where black's two open threes meet.
TEST_F(GlTest, RenjuMarksBlacksForbiddenPointsSmallAndVioletFromEverySide)
{
    Grid grid = findGrid();
    const int stones[][2] = {{9, 7}, {9, 8}, {7, 9}, {8, 9}}; // two threes meet on (9, 9)
    for (auto [row, col] : stones)
        Board[row * BOARD_SIZE + col] = CELL_BLACK;
    // From above, and tilted towards each of the four sides and a corner.
    for (auto [pitch, yaw] : {std::pair{0, 0}, {50, 0}, {310, 0}, {0, 50}, {0, 310}, {45, 315}})
    {
        SCOPED_TRACE(testing::Message() << "view " << pitch << ", " << yaw);
        viewPitch = pitch, viewYaw = yaw;
        gameRule = engine::Rule::Standard;
        Frame plain = drawFrame();
        gameRule = engine::Rule::Renju;
        Blob mark = blobOf(drawFrame(), plain);
        ASSERT_GT(mark.count, 20) << "the mark shows";
        EXPECT_GT(mark.share(VIOLET), 0.6) << "violet, unlike board, stones and red marks";
        if (pitch == 0 && yaw == 0)
        {
            EXPECT_NEAR(mark.x, grid.x[9], 4.0);
            EXPECT_NEAR(mark.y, grid.y[9], 4.0);
            EXPECT_LT(mark.right - mark.left, grid.pitch() * 0.6) << "smaller than a stone";
        }
        sideToMove = 1;
        EXPECT_EQ(blobOf(drawFrame(), plain).count, 0) << "none on white's turn";
        sideToMove = 0;
    }
}

// The mean of one channel (0 red) of frame `f` over the pixels where it differs from `g`.
double meanWhereDiffers(const Frame &f, const Frame &g, int channel)
{
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < f.size(); i += 3)
        if (f[i] != g[i] || f[i + 1] != g[i + 1] || f[i + 2] != g[i + 2])
            sum += f[i + channel], ++count;
    return count == 0 ? -1.0 : sum / count;
}

// Move numbers: light digits on a black stone and dark ones on a white, within each stone's
// picture, upright and on the stone from above and with the board turned.
TEST_F(GlTest, MoveNumbersShowOnTheirStonesInTheOtherColourFromEveryView)
{
    findGrid();                // the grid stays out of the pictures compared
    places({{9, 9}, {4, 12}}); // black's 1, white's 2
    for (auto [pitch, yaw] : {std::pair{0, 0}, {45, 0}, {320, 35}, {0, 300}})
    {
        SCOPED_TRACE(testing::Message() << "view " << pitch << ", " << yaw);
        viewPitch = pitch, viewYaw = yaw;
        for (auto [row, col, cell] : {std::array{9, 9, CELL_BLACK}, {4, 12, CELL_WHITE}})
        {
            // Each stone alone (the other taken off), with and without its number, and without it.
            Board[(row == 9 ? 4 : 9) * BOARD_SIZE + (row == 9 ? 12 : 9)] = CELL_EMPTY;
            moveNumbers = 0;
            Frame plain = drawFrame();
            moveNumbers = 1;
            Frame numbered = drawFrame();
            Board[row * BOARD_SIZE + col] = CELL_EMPTY;
            Frame empty = drawFrame();
            Board[9 * BOARD_SIZE + 9] = CELL_BLACK, Board[4 * BOARD_SIZE + 12] = CELL_WHITE;
            Blob digits = blobOf(numbered, plain), stone = blobOf(plain, empty);
            ASSERT_GT(digits.count, 15) << "the number shows";
            EXPECT_LT(digits.count, stone.count / 2) << "and leaves most of the stone";
            EXPECT_NEAR(digits.x, stone.x, 3.0);
            EXPECT_NEAR(digits.y, stone.y, 3.0);
            // Taller than wide, as one digit stands: it reads upright however the board is turned.
            EXPECT_GT(digits.top - digits.bottom, digits.right - digits.left);
            double red = meanWhereDiffers(numbered, plain, 0);
            if (cell == CELL_BLACK)
                EXPECT_GT(red, 200.0);
            else
                EXPECT_LT(red, 60.0);
        }
    }
}

// The hint: see-through stones on the points of its line, the first of the mover's colour, and
// the bar under the board, black's part from the left.
TEST_F(GlTest, HintStonesAreSeeThroughOnTheirPointsAndTheBarShowsUnderTheBoard)
{
    Grid grid = findGrid();
    places({{9, 9}, {9, 10}, {10, 10}});
    Frame before = drawFrame();
    ASSERT_TRUE(askHint());
    for (int i = 0; i < 5000 && hintThinking(); ++i)
        lookForHint(THINKING_SLICE_MS);
    const HintLine *hint = shownHint();
    ASSERT_NE(hint, nullptr);
    ASSERT_GE(hint->length, 2);
    Frame hinted = drawFrame();
    for (int i = 0; i < hint->length; ++i)
    {
        SCOPED_TRACE(testing::Message() << "stone " << i);
        const int row = hint->rows[i], col = hint->cols[i];
        const std::int32_t colourOf = (hint->side + i) % 2 == 0 ? CELL_BLACK : CELL_WHITE;
        // Drawn there, the board showing through: between the opaque stone and the bare board.
        Board[row * BOARD_SIZE + col] = colourOf;
        dropHint();
        Frame opaque = drawFrame();
        Board[row * BOARD_SIZE + col] = CELL_EMPTY;
        Frame bare = drawFrame();
        Blob stone = blobOf(opaque, bare);
        EXPECT_NEAR(stone.x, grid.x[row], 5.0);
        EXPECT_NEAR(stone.y, grid.y[col], 5.0);
        int covered = 0, between = 0;
        for (int y = stone.bottom; y <= stone.top; ++y)
            for (int x = stone.left; x <= stone.right; ++x)
            {
                std::size_t p = 3 * (std::size_t(y) * WIDTH + x);
                if (opaque[p] == bare[p] && opaque[p + 1] == bare[p + 1])
                    continue;
                int h = hinted[p] + hinted[p + 1] + hinted[p + 2];
                int o = opaque[p] + opaque[p + 1] + opaque[p + 2];
                int b = bare[p] + bare[p + 1] + bare[p + 2];
                ++covered;
                between += (h - o) * (h - b) < 0; // brighter than one, darker than the other
            }
        EXPECT_GT(between, covered * 6 / 10) << covered;
    }
    // The bar: black's share from the left, white's after it, in the window's bottom rows.
    const int y = int(HINT_BAR_BOTTOM * HEIGHT) + 2;
    const float share = blackShareOf(hint->side, hint->score);
    const int left = int(HINT_BAR_LEFT * WIDTH), right = WIDTH - left;
    const int split = left + int(share * (right - left));
    auto at = [&](const Frame &f, int x) { return kindOf(f, x, y); };
    EXPECT_EQ(at(hinted, left + 2), share > 0.01f ? DARK : WHITE);
    EXPECT_EQ(at(hinted, split - 3), DARK);
    EXPECT_EQ(at(hinted, split + 3), WHITE);
    EXPECT_EQ(at(hinted, right - 2), WHITE);
    EXPECT_NE(at(before, split + 3), WHITE);
    // Gone with the hint.
    dropHint();
    EXPECT_EQ(drawFrame(), before);
}

// "Analyse game": the move it marks, white's sixth on (2, 2) that leaves black's open three open,
// wears a yellow ring wider than its stone, from above and with the board turned; no other stone
// does, and the ring goes with the analysis.
TEST_F(GlTest, AnalysisMarksItsMoveWithAYellowRingRoundTheStoneFromEverySide)
{
    Grid grid = findGrid();
    places({{9, 9}, {10, 10}, {9, 10}, {8, 8}, {9, 11}, {2, 2}});
    onMenu(MENU_ANALYSE);
    for (int i = 0; i < 100000 && analysing(); ++i)
        lookForAnalysis(THINKING_SLICE_MS);
    int count = 0;
    const MarkedMove *marks = analysisMarks(&count);
    ASSERT_EQ(count, 1);
    ASSERT_EQ(marks[0].number, 6);
    const std::pair<int, int> views[] = {{0, 0}, {50, 0}, {310, 0}, {0, 50}, {0, 310}, {45, 315}};
    std::vector<Frame> marked;
    for (auto [pitch, yaw] : views)
    {
        viewPitch = pitch, viewYaw = yaw;
        marked.push_back(drawFrame());
    }
    dropAnalysis();
    for (std::size_t i = 0; i < std::size(views); ++i)
    {
        SCOPED_TRACE(testing::Message() << "view " << views[i].first << ", " << views[i].second);
        viewPitch = views[i].first, viewYaw = views[i].second;
        const Frame plain = drawFrame();
        Blob mark = blobOf(marked[i], plain);
        ASSERT_GT(mark.count, 40) << "the mark shows";
        EXPECT_GT(mark.share(YELLOW), 0.6) << "yellow, unlike board, stones, red and violet";
        // About the stone's place: the stone alone, taken off, shows where that is.
        Board[2 * BOARD_SIZE + 2] = CELL_EMPTY;
        Blob stone = blobOf(plain, drawFrame());
        Board[2 * BOARD_SIZE + 2] = CELL_WHITE;
        EXPECT_NEAR(mark.x, stone.x, grid.pitch() / 2);
        EXPECT_NEAR(mark.y, stone.y, grid.pitch() / 2);
        EXPECT_LT(std::max(mark.right - mark.left, mark.top - mark.bottom), 2 * grid.pitch())
            << "that stone alone";
        if (i == 0) // from above, a ring beyond the stone's edge all round
        {
            EXPECT_NEAR(mark.x, grid.x[2], 4.0);
            EXPECT_NEAR(mark.y, grid.y[2], 4.0);
            EXPECT_LT(mark.left, stone.left);
            EXPECT_GT(mark.right, stone.right);
            EXPECT_LT(mark.bottom, stone.bottom);
            EXPECT_GT(mark.top, stone.top);
        }
    }
}

TEST_F(GlTest, WinnersBannerShowsThreeTimesAcrossTheBoardInTheirColour)
{
    Grid grid = findGrid();
    for (auto [side, five, shown, hidden, kind] :
         {std::array{1, CELL_BLACK, MODEL_BLACK_WINS, MODEL_WHITE_WINS, DARK},
          {0, CELL_WHITE, MODEL_WHITE_WINS, MODEL_BLACK_WINS, WHITE}})
    {
        SCOPED_TRACE(testing::Message() << "side to move " << side);
        placeFive(15, 15, DIR_DIAGONAL, five);
        sideToMove = std::uint8_t(side);
        Frame won = drawFrame();
        setModels({hidden}, false);
        EXPECT_EQ(blobOf(drawFrame(), won).count, 0) << "the other banner is not drawn";
        setModels({shown}, false);
        Blob banner = blobOf(won, drawFrame());
        setModels({shown, hidden}, true);
        EXPECT_TRUE(banner.looks(kind));
        EXPECT_EQ(banner.bands, 3);
        EXPECT_TRUE(banner.left > grid.x[0] && banner.right < grid.x[17] &&
                    banner.bottom > grid.y[0] && banner.top < grid.y[17]);
        EXPECT_GT(banner.right - banner.left, 0.6 * (grid.x[17] - grid.x[0]));
        EXPECT_NEAR(banner.x, (grid.x[0] + grid.x[17]) / 2, 20.0);
    }
}

TEST_F(GlTest, ViewTurnsTheBoardAboutTheWindowsAxesAndKeysComeFullCircle)
{
    Frame start = drawFrame();
    Frame cream(start.size());
    for (std::size_t i = 0; i < cream.size(); i += 3)
        cream[i] = 255, cream[i + 1] = 237, cream[i + 2] = 213;
    for (auto [pitch, yaw] : {std::pair{90.0f, 0.0f}, {0.0f, 90.0f}})
    {
        viewPitch = pitch; // edge on: a flat band across the window, or a narrow one up it
        viewYaw = yaw;
        Blob seen = blobOf(drawFrame(), cream);
        int wide = seen.right - seen.left, tall = seen.top - seen.bottom;
        EXPECT_LT(4 * (pitch != 0.0f ? tall : wide), pitch != 0.0f ? wide : tall);
    }
    for (int key : {GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_UP, GLUT_KEY_DOWN})
    {
        SCOPED_TRACE(testing::Message() << "key " << key);
        viewPitch = viewYaw = 0.0f;
        onSpecialKey(key, 0, 0);
        EXPECT_GT(blobOf(drawFrame(), start).count, 1000);
        for (int press = 1; press < 72; ++press)
            onSpecialKey(key, 0, 0);
        EXPECT_EQ(drawFrame(), start);
    }
}

// However the board is turned towards the viewer, the stones on its four corners are seen whole,
// clear of the window's edge: the camera backs off when a turn would carry one out of it, and not
// before. The starting view is the game's own picture, as it always was (its nearest row stands
// on the window's edge); v brings it back from any turn.
TEST_F(GlTest, TurnedBoardKeepsItsCornerStonesWhollyInTheWindow)
{
    const std::array<int, 3> corners[] = {
        {0, 0, CELL_BLACK}, {0, 17, CELL_WHITE}, {17, 0, CELL_WHITE}, {17, 17, CELL_BLACK}};
    const Frame start = drawFrame();
    int backedOff = 0;
    for (float pitch : {300.0f, 330.0f, 0.0f, 30.0f, 60.0f})
        for (float yaw : {300.0f, 330.0f, 0.0f, 30.0f, 60.0f})
        {
            if (pitch == 0.0f && yaw == 0.0f)
                continue;
            SCOPED_TRACE(testing::Message() << "pitch " << pitch << ", yaw " << yaw);
            viewPitch = pitch, viewYaw = yaw;
            const float scale = viewScale(pitch, yaw, float(WIDTH) / HEIGHT);
            EXPECT_LE(scale, 1.0f);
            backedOff += scale < 1.0f;
            const Frame empty = drawFrame();
            for (auto [row, col, cell] : corners)
            {
                SCOPED_TRACE(testing::Message() << "corner " << row << ", " << col);
                Board[row * BOARD_SIZE + col] = cell;
                const Frame with = drawFrame();
                Board[row * BOARD_SIZE + col] = CELL_EMPTY;
                const Blob stone = blobOf(with, empty);
                EXPECT_GT(stone.count, 50);
                EXPECT_TRUE(stone.left > 0 && stone.right < WIDTH - 1 && stone.bottom > 0 &&
                            stone.top < HEIGHT - 1)
                    << "cut by the window's edge: x " << stone.left << ".." << stone.right << ", y "
                    << stone.bottom << ".." << stone.top;
            }
        }
    EXPECT_GT(backedOff, 0) << "no view needed the camera to back off: the test shows nothing";
    EXPECT_EQ(viewScale(0.0f, 0.0f, float(WIDTH) / HEIGHT), 1.0f);
    viewPitch = 35.0f, viewYaw = 300.0f;
    onKeyboard('v', 0, 0);
    EXPECT_EQ(drawFrame(), start);
    viewPitch = 335.0f, viewYaw = 10.0f;
    onMenu(MENU_STARTING_VIEW);
    EXPECT_EQ(drawFrame(), start);
}

TEST_F(GlTest, PointerPicksThePointItIsOnInEveryViewAndNothingBeyondTheOuterLines)
{
    // The stone flattened onto its base, shrunk to a quarter: as the cursor stone, a point's mark.
    ModelRecord &stone = ModelTable[MODEL_STONE];
    float *v = stone.vertexArray, low[3] = {v[0], v[1], v[2]}, high[3] = {v[0], v[1], v[2]};
    for (int i = 0; i < 9 * stone.facetCount; ++i)
        low[i % 3] = std::min(low[i % 3], v[i]), high[i % 3] = std::max(high[i % 3], v[i]);
    for (int i = 0; i < 9 * stone.facetCount; ++i)
        v[i] = i % 3 == 1 ? low[1] : (1.5f * (low[i % 3] + high[i % 3]) + v[i]) / 4;
    uploadModelBuffers();
    uploadStoneBuffers();
    const int points[][2] = {{0, 0},  {0, 17}, {17, 0}, {17, 17}, {0, 9},
                             {17, 8}, {9, 0},  {8, 17}, {9, 9}};
    // The point's middle and a little off it, in rows and columns; beyond an outer line: nothing.
    const double offsets[][2] = {{0, 0},        {0.35, 0.35},   {-0.35, 0.35},
                                 {0.35, -0.35}, {-0.35, -0.35}, {-0.25, 0},
                                 {0.25, 0},     {0, -0.25},     {0, 0.25}};
    // The start view, turned left, right, up and down by four presses, and two steep views.
    const float views[][2] = {{0, 0}, {0, 340}, {0, 20}, {340, 0}, {20, 0}, {60, 30}, {300, 320}};
    for (auto [pitch, yaw] : views)
    {
        viewPitch = pitch, viewYaw = yaw, cursorX = OFF_WINDOW;
        Frame none = drawFrame();
        // Where the point's mark is seen on the window, GL's way up; false if not there whole.
        auto seen = [&](int row, int col, Blob &b)
        {
            cursorX = row - BOARD_CENTRE, cursorY = col - BOARD_CENTRE;
            b = blobOf(drawFrame(), none);
            return b.count > 0 && b.left > 0 && b.bottom > 0 && b.right < WIDTH - 1 &&
                   b.top < HEIGHT - 1;
        };
        int tested = 0;
        for (auto [row, col] : points)
        {
            int dr = row < 9 ? 1 : -1, dc = col < 9 ? 1 : -1, found[2];
            Blob at, nextRow, nextCol; // the point, and its neighbours a row and a column inwards
            if (!seen(row, col, at) || !seen(row + dr, col, nextRow) ||
                !seen(row, col + dc, nextCol))
                continue; // off the window in this view
            ++tested;
            for (auto [rows, cols] : offsets)
            {
                double x = at.x + dr * rows * (nextRow.x - at.x) + dc * cols * (nextCol.x - at.x);
                double y = at.y + dr * rows * (nextRow.y - at.y) + dc * cols * (nextCol.y - at.y);
                bool inside =
                    std::min(row + rows, col + cols) >= 0 && std::max(row + rows, col + cols) <= 17;
                bool picked = pickPoint(int(x), HEIGHT - 1 - int(y), &found[0], &found[1]);
                EXPECT_EQ(picked ? found[0] * BOARD_SIZE + found[1] : -1,
                          inside ? row * BOARD_SIZE + col : -1)
                    << "view " << pitch << ", " << yaw << ": point " << row << ", " << col << " + "
                    << rows << ", " << cols;
            }
        }
        EXPECT_GE(tested, 6) << "points seen whole in view " << pitch << ", " << yaw;
    }
}

TEST_F(GlTest, BuffersHoldEachModelsArraysAndADrawLeavesItsNormalBufferBound)
{
    ModelRecord before[MODEL_COUNT];
    std::copy(ModelTable, ModelTable + MODEL_COUNT, before);
    setModels({MODEL_BLACK_WINS}, false); // a file that failed to load: two empty buffers
    std::set<GLuint> names;
    for (std::int32_t k = 0; k < MODEL_COUNT; ++k)
    {
        SCOPED_TRACE(testing::Message() << "model " << k);
        const ModelRecord &record = ModelTable[k];
        EXPECT_TRUE(record.vertexBuffer == before[k].vertexBuffer &&
                    record.normalBuffer == before[k].normalBuffer); // named buffers are refilled
        for (auto [buffer, array] : {std::pair{record.vertexBuffer, record.vertexArray},
                                     {record.normalBuffer, record.normalArray}})
        {
            names.insert(buffer);
            GLint size = -1;
            glBindBuffer(GL_ARRAY_BUFFER, buffer);
            glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
            ASSERT_EQ(size, 36 * record.facetCount);
            std::vector<float> held(9 * record.facetCount);
            glGetBufferSubData(GL_ARRAY_BUFFER, 0, size, held.data());
            EXPECT_TRUE(std::equal(held.begin(), held.end(), array));
        }
        drawModel(k);
        GLint bound = 0;
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
        EXPECT_EQ(GLuint(bound), record.normalBuffer);
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_NORMAL_ARRAY));
    }
    EXPECT_EQ(names.size(), 2u * MODEL_COUNT) << "every buffer has a name of its own";
    ModelTable[MODEL_GRID].normalBuffer = 0; // one named buffer is enough to generate no names
    uploadModelBuffers();
    EXPECT_EQ(ModelTable[MODEL_GRID].normalBuffer, 0u);
}

TEST_F(GlTest, LightMaterialAndCullingShadeASquareByItsNormalAndWinding)
{
    // A square 150 units before the eye at twice its size (normals renormalised). Rows: normal,
    // colour (0..1), seen (0..255), winding (-1: clockwise, a back face, culled). Turned away:
    // ambient only (light 0.3 + global 0.2); facing the light (-50, 50, 100) also diffuse 0.7 and
    // a white highlight of cos(7.9 degrees) ^ 128 = 0.295.
    for (std::array<float, 10> c :
         {std::array{0.0f, 0.0f, -1.0f, 0.8f, 0.4f, 0.2f, 102.f, 51.f, 26.f, 1.f},
          {-0.19245f, 0.19245f, 0.96225f, 0.4f, 0.2f, 0.1f, 198.f, 137.f, 106.f, 1.f},
          {0.0f, 0.0f, 1.0f, 0.4f, 0.2f, 0.1f, 255.f, 237.f, 213.f, -1.f}})
    {
        SCOPED_TRACE(testing::Message() << "normal z " << c[2] << ", winding " << c[9]);
        float w = c[9];
        ModelRecord &square = ModelTable[MODEL_STONE];
        freeArrays(square);
        square.facets = new Facet[2]{{{c[0], c[1], c[2]}, {-w, -1, 0}, {w, -1, 0}, {w, 1, 0}},
                                     {{c[0], c[1], c[2]}, {-w, -1, 0}, {w, 1, 0}, {-w, 1, 0}}};
        square.facetCount = 2;
        prepareMesh(&square);
        uploadModelBuffers();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        glScalef(2.0f, 2.0f, 2.0f);
        glColor3f(c[3], c[4], c[5]);
        drawModel(MODEL_STONE);
        glPopMatrix();
        GLubyte seen[3];
        glReadPixels(WIDTH / 2, HEIGHT / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, seen);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(seen[i], c[6 + i], 2) << "component " << i;
    }
}

// The reference frame (bench/) translates each stone, the game moves its vertices: light may differ
// by 1 of 255 and a few edge pixels take a neighbour's colour; nothing else.
TEST_F(GlTest, FullBoardLooksAsWhenEachStoneWasDrawnByItself)
{
    auto apart = [](const Frame &a, const Frame &b, std::size_t i, std::size_t j)
    {
        return std::max(
            {std::abs(a[i] - b[j]), std::abs(a[i + 1] - b[j + 1]), std::abs(a[i + 2] - b[j + 2])});
    };
    // The benchmark's full board (no five), then its colours swapped as Cheat may leave it.
    for (auto [pitch, yaw] :
         {std::pair{0.0f, 0.0f}, {35.0f, 20.0f}, {80.0f, 0.0f}, {300.0f, 125.0f}})
        for (std::int32_t first : {CELL_BLACK, CELL_WHITE})
        {
            SCOPED_TRACE(testing::Message()
                         << "view " << pitch << ", " << yaw << ", first " << first);
            viewPitch = pitch, viewYaw = yaw;
            for (int i = 0; i < BOARD_CELLS; ++i)
                Board[i] = (i % BOARD_SIZE / 2 + i / BOARD_SIZE) % 2 == 0 ? first : -first;
            cursorX = BOARD_CENTRE; // the cursor stone just beyond the board's edge
            Frame reference = drawFrame(referenceDisplay), frame = drawFrame();
            ASSERT_EQ(gameOver, 0);
            int moved = 0;
            for (int y = 1; y < HEIGHT - 1; ++y)
                for (int x = 1; x < WIDTH - 1; ++x)
                {
                    std::size_t i = 3 * (std::size_t(y) * WIDTH + x);
                    if (apart(frame, reference, i, i) <= 1)
                        continue;
                    ++moved;
                    int nearest = 255;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            nearest = std::min(
                                nearest, apart(frame, reference, i, i + 3 * (dy * WIDTH + dx)));
                    EXPECT_LE(nearest, 1) << "at " << x << ", " << y;
                }
            EXPECT_LE(moved, 10);
            // The cursor stone over a stone of the other colour is hidden (same vertices, drawn later).
            cursorX = -5, cursorY = 4; // on (4, 13)
            sideToMove = Board[4 * BOARD_SIZE + 13] == CELL_BLACK ? 1 : 0;
            Frame over = drawFrame();
            sideToMove ^= 1;
            EXPECT_EQ(drawFrame(), over);
        }
}

TEST_F(GlTest, ReshapeFitsViewportAndAspectToTheWindowAndForgetsEarlierSizes)
{
    Frame first = drawFrame();
    for (auto [width, height, viewportHeight] :
         {std::array{800, 600, 600}, {640, 0, 1}, {300, 1000, 1000}})
    {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        onReshape(width, height);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_TRUE(viewport[0] == 0 && viewport[1] == 0 && viewport[2] == width &&
                    viewport[3] == viewportHeight); // a height of 0 is taken as 1
        GLfloat p[16];
        glGetFloatv(GL_PROJECTION_MATRIX, p); // a perspective has f / aspect and f on its diagonal
        EXPECT_FLOAT_EQ(p[5] / p[0], float(width) / float(viewportHeight));
    }
    onReshape(WIDTH, HEIGHT);
    EXPECT_EQ(drawFrame(), first);
}

} // namespace
