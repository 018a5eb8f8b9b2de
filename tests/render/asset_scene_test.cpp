// Whole frames drawn from the five meshes in assets/: the scene a player sees at start-up and at
// the end of a game. Also leaves two screenshots (PPM) in the working directory to look at.
#include "game/game_state.h"
#include "model/model_table.h"
#include "render/scene.h"
#include "tests/render/frame_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

namespace
{

class AssetSceneTest : public GlWindowTest
{
protected:
    void SetUp() override
    {
        GlWindowTest::SetUp();
        if (IsSkipped())
        {
            return;
        }
        for (std::int32_t k = 0; k < MODEL_COUNT; ++k)
        {
            std::filesystem::path file =
                std::filesystem::path(GOMOKU_ASSETS_DIR) / modelFileNames[k];
            if (!std::filesystem::exists(file))
            {
                GTEST_SKIP() << "no mesh file " << file;
            }
            ModelRecord &record = ModelTable[k];
            record.facets = loadStl(file.string().c_str(), &record.facetCount);
            ASSERT_GT(record.facetCount, 0) << file << " did not load";
            prepareMesh(&record);
        }
        initScene();
        onReshape(WINDOW_WIDTH, WINDOW_HEIGHT);
    }
};

int brightness(Rgb c)
{
    return c.r + c.g + c.b;
}

int countOfKind(const Frame &frame, PixelKind kind)
{
    int count = 0;
    for (int y = 0; y < frame.height; ++y)
    {
        for (int x = 0; x < frame.width; ++x)
        {
            count += kindOf(frame.at(x, y)) == kind ? 1 : 0;
        }
    }
    return count;
}

struct Difference
{
    int count = 0;          // pixels that differ
    int darkerInFirst = 0;  // of them, darker in the first frame than in the second
    double farthestX = 0.0; // largest horizontal distance of a differing pixel from `centre`
    double farthestY = 0.0; // largest vertical distance
};

Difference compareFrames(const Frame &first, const Frame &second, WindowPoint centre)
{
    Difference d;
    for (int y = 0; y < first.height; ++y)
    {
        for (int x = 0; x < first.width; ++x)
        {
            Rgb a = first.at(x, y);
            Rgb b = second.at(x, y);
            if (a.r == b.r && a.g == b.g && a.b == b.b)
            {
                continue;
            }
            ++d.count;
            d.darkerInFirst += brightness(a) < brightness(b) ? 1 : 0;
            d.farthestX = std::max(d.farthestX, std::abs(x + 0.5 - centre.x));
            d.farthestY = std::max(d.farthestY, std::abs(y + 0.5 - centre.y));
        }
    }
    return d;
}

TEST_F(AssetSceneTest, OnlyTheCursorStoneChangesWithTheSideToMove)
{
    FrameProjector at;
    // Pixels between neighbouring cells on the window, near the board's centre.
    double cellPitch = at.cell(10, 9).x - at.cell(9, 9).x;
    const std::pair<int, int> cursors[] = {{0, 0}, {-6, 5}, {7, -8}};
    for (auto [x, y] : cursors)
    {
        SCOPED_TRACE(testing::Message() << "cursor " << x << ", " << y);
        resetGameState();
        cursorX = x;
        cursorY = y;
        Frame blackToMove = drawFrame();
        sideToMove = 1;
        Frame whiteToMove = drawFrame();
        if (x == 0 && y == 0)
        {
            blackToMove.savePpm("asset_scene_start.ppm");
        }

        for (const Frame *frame : {&blackToMove, &whiteToMove})
        {
            EXPECT_EQ(kindOf(frame->at(0, 0)), PixelKind::Background);
            EXPECT_EQ(kindOf(frame->at(WINDOW_WIDTH - 1, WINDOW_HEIGHT - 1)),
                      PixelKind::Background);
            // The board fills most of the window.
            EXPECT_GT(countOfKind(*frame, PixelKind::Board), WINDOW_WIDTH * WINDOW_HEIGHT * 4 / 10);
        }
        Difference d = compareFrames(blackToMove, whiteToMove, at.cell(x + 9, y + 9));
        EXPECT_GT(d.count, 50);
        EXPECT_GE(d.darkerInFirst, d.count * 95 / 100);
        // A stone of about a cell's width, near its cell's place.
        EXPECT_LT(d.farthestX, 1.5 * cellPitch);
        EXPECT_LT(d.farthestY, 1.5 * cellPitch);
    }
}

TEST_F(AssetSceneTest, FiveShowsTheRedLineAndTheWinnersBanner)
{
    // A column five clear of the banners' letters, and a few white stones around it.
    placeFive(9, 11, DIR_COLUMN, CELL_BLACK);
    for (auto [row, col] :
         {std::pair{8, 12}, std::pair{10, 10}, std::pair{12, 12}, std::pair{5, 5}})
    {
        Board[row * BOARD_SIZE + col] = CELL_WHITE;
    }
    sideToMove = 1;
    Frame blackBanner = drawFrame();
    blackBanner.savePpm("asset_scene_won.ppm");
    ASSERT_EQ(gameOver, 1);
    sideToMove = 0;
    Frame whiteBanner = drawFrame();

    FrameProjector at;
    LineEnds ends = winLineEnds(9, 11, DIR_COLUMN);
    WindowPoint a = at.stonePoint(ends.first);
    WindowPoint b = at.stonePoint(ends.second);
    int samples = 0;
    int red = 0;
    for (double t = 0.05; t < 1.0; t += 0.05)
    {
        ++samples;
        red += kindAt(blackBanner, alongLine(a, b, t, 0.0)) == PixelKind::Red ? 1 : 0;
    }
    // Most of it: the banners are drawn in front of it and may hide a stretch.
    EXPECT_GE(red, samples / 2);

    // Only the banner differs between the two frames: black in the first, white in the second.
    Difference d = compareFrames(blackBanner, whiteBanner, at.bannerPoint({0.0, 0.0, 0.0}, 0));
    EXPECT_GT(d.count, 500);
    EXPECT_GE(d.darkerInFirst, d.count * 95 / 100);
}

} // namespace
