// Whole frames from onDisplay over the test meshes, checked pixel by pixel at the places the
// frame's transforms put the board, the stones, the winning line and the banners.
#include "game/game_state.h"
#include "game/input.h"
#include "model/model_gpu.h"
#include "model/model_table.h"
#include "render/frame.h"
#include "render/scene.h"
#include "tests/render/frame_support.h"
#include "tests/render/test_meshes.h"

#include <epoxy/gl.h>
#include <GL/freeglut_std.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

namespace
{

class FrameTest : public GlWindowTest
{
protected:
    void SetUp() override
    {
        GlWindowTest::SetUp();
        if (IsSkipped())
        {
            return;
        }
        installTestScene();
        initScene();
        onReshape(WINDOW_WIDTH, WINDOW_HEIGHT);
    }
};

PixelKind stoneKind(std::int32_t cell)
{
    return cell == CELL_BLACK ? PixelKind::Dark : PixelKind::White;
}

// Places the cursor on board cell (row, col).
void putCursorOn(int row, int col)
{
    cursorX = row - BOARD_CENTRE;
    cursorY = col - BOARD_CENTRE;
}

bool isBlackOrWhite(PixelKind kind)
{
    return kind == PixelKind::Dark || kind == PixelKind::White;
}

TEST_F(FrameTest, ClearColourSurroundsTheBoard)
{
    FrameProjector at;
    Frame frame = drawFrame();

    for (WindowPoint corner :
         {WindowPoint{0, 0}, WindowPoint{WINDOW_WIDTH - 1, 0}, WindowPoint{0, WINDOW_HEIGHT - 1},
          WindowPoint{WINDOW_WIDTH - 1, WINDOW_HEIGHT - 1}})
    {
        EXPECT_EQ(kindAt(frame, corner), PixelKind::Background)
            << "corner " << corner.x << ", " << corner.y << ": " << frame.at(corner);
    }
    // Two units either side of the middle of each edge of the board square.
    constexpr double MID = (TEST_BOARD_LOW + TEST_BOARD_HIGH) / 2.0;
    struct EdgeProbe
    {
        Vec3 inside, outside;
    };
    const EdgeProbe edges[] = {
        {{TEST_BOARD_LOW + 2.0, MID, 0.0}, {TEST_BOARD_LOW - 2.0, MID, 0.0}},   // left
        {{TEST_BOARD_HIGH - 2.0, MID, 0.0}, {TEST_BOARD_HIGH + 2.0, MID, 0.0}}, // right
        {{MID, TEST_BOARD_LOW + 2.0, 0.0}, {MID, TEST_BOARD_LOW - 2.0, 0.0}},   // bottom
        {{MID, TEST_BOARD_HIGH - 2.0, 0.0}, {MID, TEST_BOARD_HIGH + 2.0, 0.0}}, // top
    };
    for (const EdgeProbe &edge : edges)
    {
        WindowPoint inside = at.boardPoint(edge.inside);
        WindowPoint outside = at.boardPoint(edge.outside);
        EXPECT_EQ(kindAt(frame, inside), PixelKind::Board) << frame.at(inside);
        EXPECT_EQ(kindAt(frame, outside), PixelKind::Background) << frame.at(outside);
    }
}

TEST_F(FrameTest, CursorStoneStandsOnItsCellInTheColourOfTheSideToMove)
{
    struct Case
    {
        std::int32_t cursorX, cursorY;
        std::uint8_t side;
    };
    const Case cases[] = {
        {0, 0, 0},   {0, 0, 1}, {-9, -9, 0}, {8, 8, 1}, {3, -5, 1},
        {-4, -6, 0}, {9, 0, 0}, {-10, 2, 1}, // the last two lie beyond the board's edge
    };
    FrameProjector at;
    for (const Case &c : cases)
    {
        SCOPED_TRACE(testing::Message() << "cursor " << c.cursorX << ", " << c.cursorY
                                        << ", side to move " << int(c.side));
        resetGameState();
        cursorX = c.cursorX;
        cursorY = c.cursorY;
        sideToMove = c.side;
        Frame frame = drawFrame();

        int row = c.cursorX + BOARD_CENTRE;
        int col = c.cursorY + BOARD_CENTRE;
        WindowPoint place = at.cell(row, col);
        EXPECT_EQ(kindAt(frame, place), c.side == 0 ? PixelKind::Dark : PixelKind::White)
            << frame.at(place);
        // One stone only: the neighbouring cells on the window are bare.
        for (auto [dr, dc] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}})
        {
            WindowPoint next = at.cell(row + dr, col + dc);
            if (!frame.contains(next))
            {
                continue;
            }
            EXPECT_FALSE(isBlackOrWhite(kindAt(frame, next)))
                << "neighbour " << dr << ", " << dc << ": " << frame.at(next);
        }
    }
}

TEST_F(FrameTest, StonesStandOnTheirCellsInTheirColours)
{
    struct Stone
    {
        int row, col;
        std::int32_t cell;
    };
    const Stone stones[] = {
        {9, 9, CELL_BLACK},  {0, 0, CELL_BLACK},  {17, 17, CELL_BLACK}, {5, 11, CELL_BLACK},
        {9, 10, CELL_WHITE}, {17, 0, CELL_WHITE}, {0, 17, CELL_WHITE},  {12, 4, CELL_WHITE},
    };
    const std::pair<int, int> bareCells[] = {{9, 8}, {10, 10}, {4, 4}, {13, 13}, {8, 9}};
    for (const Stone &stone : stones)
    {
        Board[stone.row * BOARD_SIZE + stone.col] = stone.cell;
    }
    putCursorOn(9, 9); // on a black stone, with black to move
    sideToMove = 0;
    FrameProjector at;
    Frame frame = drawFrame();

    EXPECT_EQ(gameOver, 0);
    for (const Stone &stone : stones)
    {
        WindowPoint place = at.cell(stone.row, stone.col);
        EXPECT_EQ(kindAt(frame, place), stoneKind(stone.cell))
            << "stone on " << stone.row << ", " << stone.col << ": " << frame.at(place);
    }
    for (auto [row, col] : bareCells)
    {
        WindowPoint place = at.cell(row, col);
        EXPECT_EQ(kindAt(frame, place), PixelKind::Board)
            << "bare cell " << row << ", " << col << ": " << frame.at(place);
    }
}

TEST_F(FrameTest, RedLineRunsThroughTheFiveAndTheCursorStoneGoes)
{
    constexpr int CENTRE_ROW = 10;
    constexpr int CENTRE_COL = 9;
    FrameProjector at;
    for (std::int32_t direction : {DIR_ROW, DIR_DIAGONAL, DIR_COLUMN, DIR_ANTIDIAGONAL})
    {
        SCOPED_TRACE(testing::Message() << "direction " << direction);
        resetGameState();
        placeFive(CENTRE_ROW, CENTRE_COL, direction, CELL_BLACK);
        sideToMove = 1; // black has just moved
        putCursorOn(15, 15);
        Frame frame = drawFrame();

        // The five is found in the pass that draws it, and shown in the same frame.
        EXPECT_EQ(gameOver, 1);
        EXPECT_EQ(winDirection, direction);
        EXPECT_EQ(winRow, CENTRE_ROW);
        EXPECT_EQ(winCol, CENTRE_COL);

        LineEnds ends = winLineEnds(CENTRE_ROW, CENTRE_COL, direction);
        WindowPoint a = at.stonePoint(ends.first);
        WindowPoint b = at.stonePoint(ends.second);
        for (double t = 0.05; t < 1.0; t += 0.1)
        {
            // Ten pixels wide: three either side of the centre line are red too.
            for (double across : {-3.0, 0.0, 3.0})
            {
                WindowPoint p = alongLine(a, b, t, across);
                EXPECT_EQ(kindAt(frame, p), PixelKind::Red)
                    << "t " << t << ", across " << across << ": " << frame.at(p);
            }
        }
        for (double t : {-0.15, 1.15})
        {
            WindowPoint p = alongLine(a, b, t, 0.0);
            EXPECT_NE(kindAt(frame, p), PixelKind::Red) << "beyond the end, t " << t;
        }
        WindowPoint cursorPlace = at.cell(15, 15);
        EXPECT_EQ(kindAt(frame, cursorPlace), PixelKind::Board) << frame.at(cursorPlace);
    }
}

TEST_F(FrameTest, BannerOfTheWinnerShowsInItsColour)
{
    struct Case
    {
        std::uint8_t sideToMove;
        std::int32_t fiveOf; // the side that moved last and made the five
        Vec3 shownProbe;     // the plate of the banner that must show
        PixelKind shownKind; // in the winner's colour
        Vec3 hiddenProbe;    // the other banner's plate, which must not show
    };
    const Case cases[] = {
        {1, CELL_BLACK, BLACK_BANNER_PROBE, PixelKind::Dark, WHITE_BANNER_PROBE},
        {0, CELL_WHITE, WHITE_BANNER_PROBE, PixelKind::White, BLACK_BANNER_PROBE},
    };
    FrameProjector at;
    for (const Case &c : cases)
    {
        SCOPED_TRACE(testing::Message() << "side to move " << int(c.sideToMove));
        resetGameState();
        placeFive(10, 9, DIR_ROW, c.fiveOf);
        sideToMove = c.sideToMove;
        Frame frame = drawFrame();

        ASSERT_EQ(gameOver, 1);
        for (int copy : {0, 1, -1})
        {
            WindowPoint shown = at.bannerPoint(c.shownProbe, copy);
            WindowPoint hidden = at.bannerPoint(c.hiddenProbe, copy);
            EXPECT_EQ(kindAt(frame, shown), c.shownKind)
                << "copy " << copy << ": " << frame.at(shown);
            EXPECT_FALSE(isBlackOrWhite(kindAt(frame, hidden)))
                << "other banner, copy " << copy << ": " << frame.at(hidden);
        }
    }
}

TEST_F(FrameTest, ViewKeysTurnThePictureAndAFullTurnBringsItBack)
{
    const int keys[] = {GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_UP, GLUT_KEY_DOWN};
    for (int key : keys)
    {
        SCOPED_TRACE(testing::Message() << "special key " << key);
        resetGameState();
        Board[4 * BOARD_SIZE + 12] = CELL_WHITE;
        Board[13 * BOARD_SIZE + 6] = CELL_BLACK;
        cursorX = 3;
        cursorY = -2;
        Frame before = drawFrame();

        onSpecialKey(key, 0, 0);
        Frame turned = drawFrame();
        EXPECT_GT(differingPixels(before, turned), 1000);

        for (int press = 1; press < 72; ++press)
        {
            onSpecialKey(key, 0, 0);
        }
        Frame fullTurn = drawFrame();
        EXPECT_EQ(differingPixels(before, fullTurn), 0);
    }
}

TEST_F(FrameTest, TurnedViewPutsTheCursorStoneWhereTheTurnTakesIt)
{
    struct View
    {
        float pitch, yaw;
    };
    const View views[] = {{30, 30}, {330, 30}, {30, 330}, {15, 345}, {0, 25}, {25, 0}};
    constexpr int ROW = 15;
    constexpr int COL = 4;
    FrameProjector at;
    for (const View &view : views)
    {
        SCOPED_TRACE(testing::Message() << "pitch " << view.pitch << ", yaw " << view.yaw);
        resetGameState();
        putCursorOn(ROW, COL);
        viewPitch = view.pitch;
        viewYaw = view.yaw;
        Frame frame = drawFrame();

        // The stone's centre and four points halfway to its corners.
        Vec3 centre = cellPlace(ROW, COL);
        constexpr double H = TEST_STONE_HALF / 2.0;
        for (auto [dx, dz] : {std::pair{0.0, 0.0}, std::pair{H, H}, std::pair{H, -H},
                              std::pair{-H, H}, std::pair{-H, -H}})
        {
            WindowPoint p =
                at.stonePoint({centre.x + dx, 0.0, centre.z + dz}, view.pitch, view.yaw);
            EXPECT_EQ(kindAt(frame, p), PixelKind::Dark)
                << "offset " << dx << ", " << dz << ": " << frame.at(p);
        }
    }
}

TEST_F(FrameTest, ModelWithoutFacetsDrawsNothingWhileTheRestDraws)
{
    constexpr int EXTRA_ROW = 14; // a white stone away from the five
    constexpr int EXTRA_COL = 14;
    FrameProjector at;
    struct Probe
    {
        std::int32_t model;
        WindowPoint place;
        PixelKind drawn;   // what shows there with the model drawn
        PixelKind missing; // what shows there without it
    };
    const Probe probes[] = {
        {MODEL_BOARD, at.boardPoint({80.0, 20.0, 0.0}), PixelKind::Board, PixelKind::Background},
        {MODEL_GRID, at.gridPoint({70.0, TEST_GRID_BAR_Y, TEST_GRID_BAR_Z}), PixelKind::Dark,
         PixelKind::Board},
        {MODEL_STONE, at.cell(EXTRA_ROW, EXTRA_COL), PixelKind::White, PixelKind::Board},
        {MODEL_BLACK_WINS, at.bannerPoint(BLACK_BANNER_PROBE, 0), PixelKind::Dark,
         PixelKind::Background},
        {MODEL_WHITE_WINS, at.bannerPoint(WHITE_BANNER_PROBE, 0), PixelKind::White,
         PixelKind::Board},
    };
    for (std::int32_t empty = 0; empty < MODEL_COUNT; ++empty)
    {
        SCOPED_TRACE(testing::Message() << "model " << empty << " without facets");
        clearModelTable();
        installTestScene();
        installModel(empty, {});
        uploadModelBuffers();

        // Black wins unless the white banner is the one under test.
        bool whiteWins = empty == MODEL_WHITE_WINS;
        resetGameState();
        placeFive(10, 9, DIR_ROW, whiteWins ? CELL_WHITE : CELL_BLACK);
        Board[EXTRA_ROW * BOARD_SIZE + EXTRA_COL] = CELL_WHITE;
        sideToMove = whiteWins ? 0 : 1;
        std::int32_t hiddenBanner = whiteWins ? MODEL_BLACK_WINS : MODEL_WHITE_WINS;
        Frame frame = drawFrame();

        for (const Probe &probe : probes)
        {
            if (probe.model == hiddenBanner)
            {
                continue;
            }
            PixelKind expected = probe.model == empty ? probe.missing : probe.drawn;
            EXPECT_EQ(kindAt(frame, probe.place), expected)
                << "probe of model " << probe.model << ": " << frame.at(probe.place);
        }
        LineEnds ends = winLineEnds(10, 9, DIR_ROW);
        WindowPoint middle =
            alongLine(at.stonePoint(ends.first), at.stonePoint(ends.second), 0.5, 0);
        EXPECT_EQ(kindAt(frame, middle), PixelKind::Red) << frame.at(middle);
    }
}

TEST_F(FrameTest, RestartDropsTheLineAndBringsBackTheCursorStone)
{
    placeFive(10, 9, DIR_ROW, CELL_BLACK);
    sideToMove = 1;
    FrameProjector at;
    LineEnds ends = winLineEnds(10, 9, DIR_ROW);
    WindowPoint lineMiddle =
        alongLine(at.stonePoint(ends.first), at.stonePoint(ends.second), 0.5, 0.0);
    Frame won = drawFrame();
    ASSERT_EQ(kindAt(won, lineMiddle), PixelKind::Red) << won.at(lineMiddle);

    onMenu(MENU_RESTART);
    Frame restarted = drawFrame();

    EXPECT_EQ(kindAt(restarted, lineMiddle), PixelKind::Board) << restarted.at(lineMiddle);
    WindowPoint centre = at.cell(BOARD_CENTRE, BOARD_CENTRE);
    EXPECT_EQ(kindAt(restarted, centre), PixelKind::White) << restarted.at(centre); // white to move
    WindowPoint formerFive = at.cell(10, 11);
    EXPECT_EQ(kindAt(restarted, formerFive), PixelKind::Board) << restarted.at(formerFive);
}

TEST_F(FrameTest, FrameLeavesTheModelviewAsItFoundIt)
{
    for (bool won : {false, true})
    {
        SCOPED_TRACE(won ? "game over" : "game running");
        resetGameState();
        cursorX = 5; // the cursor stone is drawn without a translation back
        cursorY = -3;
        if (won)
        {
            placeFive(10, 9, DIR_DIAGONAL, CELL_WHITE);
        }
        onDisplay();
        Mat4 after = readGlMatrix(GL_MODELVIEW_MATRIX);
        Mat4 camera = cameraMatrix();
        for (int i = 0; i < 16; ++i)
        {
            EXPECT_EQ(after.m[i], camera.m[i]) << "element " << i;
        }
    }
}

} // namespace
