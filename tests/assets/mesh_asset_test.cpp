// Tests of the five committed mesh files: each reads cleanly, is a closed outward-facing surface,
// and sits where the frame drawing puts it: grid lines and the winning line through the stones'
// middles, the stone on the board, the banners across it.
#include "model/stl_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <numeric>
#include <string>
#include <vector>

namespace
{

using Point = std::array<double, 3>;

// ---------------------------------------------------------------------------------------------
// Reading the files.

struct LoadedMesh
{
    std::vector<Facet> facets; // as the game's reader returns them
    std::string report;        // what the reader wrote to standard output
};

LoadedMesh loadAsset(const std::string &fileName)
{
    const std::string path = std::string(GOMOKU_ASSETS_DIR) + "/" + fileName;
    testing::internal::CaptureStdout();
    std::int32_t count = -1;
    Facet *facets = loadStl(path.c_str(), &count);
    LoadedMesh mesh;
    mesh.report = testing::internal::GetCapturedStdout();
    if (facets != nullptr)
    {
        mesh.facets.assign(facets, facets + count);
    }
    delete[] facets;
    return mesh;
}

// One mesh file and the name the program opens it by.
struct AssetFile
{
    const char *fileName;
    const char *role;
};
const AssetFile assetFiles[] = {
    {"plane.STL", "board"},
    {"lines.STL", "grid"},
    {"circle.STL", "stone"},
    {"black wins.STL", "black wins banner"},
    {"white wins.STL", "white wins banner"},
};

const std::vector<Facet> &boardMesh()
{
    static const std::vector<Facet> facets = loadAsset("plane.STL").facets;
    return facets;
}
const std::vector<Facet> &gridMesh()
{
    static const std::vector<Facet> facets = loadAsset("lines.STL").facets;
    return facets;
}
const std::vector<Facet> &stoneMesh()
{
    static const std::vector<Facet> facets = loadAsset("circle.STL").facets;
    return facets;
}

Point vertex(const Facet &facet, int k)
{
    const float *v = k == 0 ? facet.v1 : (k == 1 ? facet.v2 : facet.v3);
    return {v[0], v[1], v[2]};
}

struct Bounds
{
    Point low;  // smallest x, y, z
    Point high; // largest x, y, z
};

Bounds boundsOf(const std::vector<Facet> &facets)
{
    Bounds b = {{1e30, 1e30, 1e30}, {-1e30, -1e30, -1e30}};
    for (const Facet &facet : facets)
    {
        for (int k = 0; k < 3; ++k)
        {
            Point p = vertex(facet, k);
            for (int axis = 0; axis < 3; ++axis)
            {
                b.low[axis] = std::min(b.low[axis], p[axis]);
                b.high[axis] = std::max(b.high[axis], p[axis]);
            }
        }
    }
    return b;
}

// ---------------------------------------------------------------------------------------------
// The frame drawing's placements, restated here from its fixed constants: every check below is
// made in the grid's coordinates (the grid model's own frame).

constexpr double CELL_PITCH = 11.0; // stone-frame units between neighbouring cells

// A stone-model point drawn at cell (row, col): the stone frame sits at (47.85, 52.3, 6) in the
// grid frame, at half size, turned a quarter about x so that the model's y runs along grid z.
Point stoneToGrid(Point p, int row, int col)
{
    double x = CELL_PITCH * (row - 9) + p[0];
    double z = CELL_PITCH * (9 - col) + p[2];
    return {47.85 + 0.5 * x, 52.3 - 0.5 * z, 6.0 + 0.5 * p[1]};
}

// A point of the stone frame itself (where the winning line is given).
Point stoneFrameToGrid(double x, double y, double z)
{
    return {47.85 + 0.5 * x, 52.3 - 0.5 * z, 6.0 + 0.5 * y};
}

// A banner point, for the copy drawn `copy` steps of 5 banner units along its y (-1, 0, +1).
Point bannerToGrid(Point p, int copy)
{
    return {-9.65 + 4.5 * p[0], 42.3 + 4.5 * (p[1] + 5.0 * copy), 16.0 + 4.5 * p[2]};
}

// The grid is drawn one unit below the board's origin.
Point boardToGrid(Point p)
{
    return {p[0], p[1], p[2] + 1.0};
}

// Where a grid point appears in the default view (both view angles 0), as x / -z and y / -z in
// eye space: the scene is scaled by 1.2 about the board point (50, 50, 0) and moved 150 units
// in front of the eye.
std::array<double, 2> projectDefaultView(Point grid)
{
    double ex = 1.2 * (grid[0] - 50.0);
    double ey = 1.2 * (grid[1] - 50.0);
    double ez = -150.0 + 1.2 * (grid[2] - 1.0);
    return {ex / -ez, ey / -ez};
}

// The winning line's ends in the stone frame (x, z), at y = 5, relative to the recorded cell's
// place, and the (row, column) step along the five.
struct WinLine
{
    const char *name;
    double x1, z1, x2, z2;
    int rowStep, colStep;
};
const WinLine winLines[] = {
    {"row", 4.0, -18.0, 4.0, 27.5, 0, 1},
    {"diagonal", -19.0, 27.5, 26.5, -18.0, 1, 1},
    {"column", -19.0, 4.0, 26.5, 4.0, 1, 0},
    {"antidiagonal", -19.0, -18.0, 26.5, 27.5, 1, -1},
};

// The stone model's middle in its own frame: the middle of its bounds.
Point stoneMiddle()
{
    Bounds b = boundsOf(stoneMesh());
    return {(b.low[0] + b.high[0]) / 2.0, (b.low[1] + b.high[1]) / 2.0,
            (b.low[2] + b.high[2]) / 2.0};
}

// Signed distance, in the grid's x-y plane, from p to the line through a and b.
double offsetFromLine(Point p, Point a, Point b)
{
    double dx = b[0] - a[0];
    double dy = b[1] - a[1];
    return ((p[0] - a[0]) * dy - (p[1] - a[1]) * dx) / std::hypot(dx, dy);
}

// Where p falls along the segment a..b in the grid's x-y plane: 0 at a, 1 at b.
double alongLine(Point p, Point a, Point b)
{
    double dx = b[0] - a[0];
    double dy = b[1] - a[1];
    return ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / (dx * dx + dy * dy);
}

// The sum of the squared offsets, in stone-frame units, of a stone middle at (x, z) of its own
// frame from the winning line of each of the four directions.
double squaredLineOffsets(double x, double z)
{
    double sum = 0.0;
    for (const WinLine &line : winLines)
    {
        Point a = stoneFrameToGrid(line.x1, 5.0, line.z1);
        Point b = stoneFrameToGrid(line.x2, 5.0, line.z2);
        double d = offsetFromLine(stoneToGrid({x, 0.0, z}, 9, 9), a, b) / 0.5;
        sum += d * d;
    }
    return sum;
}

// ---------------------------------------------------------------------------------------------
// Surface checks.

using Key = std::array<float, 3>;
using Edge = std::pair<Key, Key>;

Key keyOf(const float v[3])
{
    return {v[0], v[1], v[2]};
}

// Each facet's three directed edges, from vertex to vertex as written.
std::vector<Edge> directedEdges(const Facet &facet)
{
    Key a = keyOf(facet.v1);
    Key b = keyOf(facet.v2);
    Key c = keyOf(facet.v3);
    return {{a, b}, {b, c}, {c, a}};
}

// The separate closed shells of a mesh: facets joined through shared edges.
std::vector<std::vector<std::size_t>> shellsOf(const std::vector<Facet> &facets)
{
    std::vector<std::size_t> parent(facets.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](std::size_t i)
    {
        while (parent[i] != i)
        {
            i = parent[i] = parent[parent[i]];
        }
        return i;
    };
    std::map<Edge, std::size_t> firstFacet;
    for (std::size_t i = 0; i < facets.size(); ++i)
    {
        for (Edge e : directedEdges(facets[i]))
        {
            Edge undirected = e.first < e.second ? e : Edge{e.second, e.first};
            auto found = firstFacet.find(undirected);
            if (found == firstFacet.end())
            {
                firstFacet[undirected] = i;
            }
            else
            {
                parent[root(i)] = root(found->second);
            }
        }
    }
    std::map<std::size_t, std::vector<std::size_t>> byRoot;
    for (std::size_t i = 0; i < facets.size(); ++i)
    {
        byRoot[root(i)].push_back(i);
    }
    std::vector<std::vector<std::size_t>> shells;
    for (auto &entry : byRoot)
    {
        shells.push_back(entry.second);
    }
    return shells;
}

// Six times the signed volume that the facets enclose: positive when they face outward.
double signedVolume(const std::vector<Facet> &facets, const std::vector<std::size_t> &which)
{
    double sum = 0.0;
    for (std::size_t i : which)
    {
        Point a = vertex(facets[i], 0);
        Point b = vertex(facets[i], 1);
        Point c = vertex(facets[i], 2);
        sum += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
               a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
    return sum;
}

double facetArea(const Facet &facet)
{
    Point a = vertex(facet, 0);
    Point b = vertex(facet, 1);
    Point c = vertex(facet, 2);
    Point u = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    Point v = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    Point n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    return 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

// How many of the mesh's closed shells hold the point: each shell that holds it is left once
// by a ray straight up, through a facet that faces up. The point must not lie on an edge.
int shellsHolding(const std::vector<Facet> &facets, Point p)
{
    int count = 0;
    for (const Facet &facet : facets)
    {
        Point a = vertex(facet, 0);
        Point b = vertex(facet, 1);
        Point c = vertex(facet, 2);
        // Barycentric coordinates of p in the facet's shadow on the x-y plane.
        double det = (b[1] - c[1]) * (a[0] - c[0]) + (c[0] - b[0]) * (a[1] - c[1]);
        if (det == 0.0)
        {
            continue; // a wall: seen edge-on from above
        }
        double l1 = ((b[1] - c[1]) * (p[0] - c[0]) + (c[0] - b[0]) * (p[1] - c[1])) / det;
        double l2 = ((c[1] - a[1]) * (p[0] - c[0]) + (a[0] - c[0]) * (p[1] - c[1])) / det;
        double l3 = 1.0 - l1 - l2;
        if (l1 < 0.0 || l2 < 0.0 || l3 < 0.0)
        {
            continue;
        }
        double z = l1 * a[2] + l2 * b[2] + l3 * c[2];
        if (z > p[2])
        {
            count += facet.normal[2] > 0.0f ? 1 : -1;
        }
    }
    return count;
}

// ---------------------------------------------------------------------------------------------

TEST(MeshFiles, EachReadsWithoutAReport)
{
    for (const AssetFile &asset : assetFiles)
    {
        SCOPED_TRACE(asset.fileName);
        LoadedMesh mesh = loadAsset(asset.fileName);
        EXPECT_EQ(mesh.report, "");
        EXPECT_GT(mesh.facets.size(), 0u) << asset.role;
    }
}

TEST(MeshFiles, EveryEdgeIsWalkedOnceEachWay)
{
    // A closed, consistently wound surface walks each edge once in each direction: once by each
    // of the two facets that meet there, which are then both seen from the same side.
    for (const AssetFile &asset : assetFiles)
    {
        SCOPED_TRACE(asset.fileName);
        std::map<Edge, int> walks;
        for (const Facet &facet : loadAsset(asset.fileName).facets)
        {
            for (Edge e : directedEdges(facet))
            {
                ++walks[e];
            }
        }
        int faults = 0;
        for (const auto &[edge, count] : walks)
        {
            auto reverse = walks.find({edge.second, edge.first});
            int back = reverse == walks.end() ? 0 : reverse->second;
            faults += (count != 1 || back != 1) ? 1 : 0;
        }
        EXPECT_EQ(faults, 0) << "edges not walked exactly once each way";
    }
}

TEST(MeshFiles, EveryShellEnclosesPositiveVolume)
{
    // With every edge walked once each way, a shell faces outward exactly when its volume is
    // positive; a shell turned inside out would be culled and show its far side.
    for (const AssetFile &asset : assetFiles)
    {
        SCOPED_TRACE(asset.fileName);
        std::vector<Facet> facets = loadAsset(asset.fileName).facets;
        for (const std::vector<std::size_t> &shell : shellsOf(facets))
        {
            EXPECT_GT(signedVolume(facets, shell), 0.0) << "shell of " << shell.size() << " facets";
        }
    }
}

TEST(MeshFiles, NoFacetIsWithoutArea)
{
    for (const AssetFile &asset : assetFiles)
    {
        SCOPED_TRACE(asset.fileName);
        for (const Facet &facet : loadAsset(asset.fileName).facets)
        {
            ASSERT_GT(facetArea(facet), 1e-6);
            float length =
                std::sqrt(facet.normal[0] * facet.normal[0] + facet.normal[1] * facet.normal[1] +
                          facet.normal[2] * facet.normal[2]);
            ASSERT_NEAR(length, 1.0f, 1e-4f);
        }
    }
}

// ---------------------------------------------------------------------------------------------

TEST(StoneMesh, FitsWithinOneCellSoNeighboursNeverTouch)
{
    Bounds b = boundsOf(stoneMesh());
    EXPECT_LT(b.high[0] - b.low[0], CELL_PITCH);
    EXPECT_LT(b.high[2] - b.low[2], CELL_PITCH);
    // A disc, not a ball: thinner along its axis (its own y) than across.
    EXPECT_LT(b.high[1] - b.low[1], 0.6 * (b.high[0] - b.low[0]));
}

TEST(StoneMesh, IsRoundSeenFromAbove)
{
    // The outline's width, measured in every direction across the board, varies no more than
    // that of a regular polygon of sixteen corners (cos 11.25 degrees = 0.981).
    double narrowest = 1e30;
    double widest = 0.0;
    for (int step = 0; step < 720; ++step)
    {
        double angle = step * std::numbers::pi / 360.0;
        double low = 1e30;
        double high = -1e30;
        for (const Facet &facet : stoneMesh())
        {
            for (int k = 0; k < 3; ++k)
            {
                Point p = vertex(facet, k);
                double along = p[0] * std::cos(angle) + p[2] * std::sin(angle);
                low = std::min(low, along);
                high = std::max(high, along);
            }
        }
        narrowest = std::min(narrowest, high - low);
        widest = std::max(widest, high - low);
    }
    EXPECT_GE(narrowest / widest, 0.98);
}

TEST(StoneMesh, RestsJustAboveTheGridLines)
{
    double gridTop = boundsOf(gridMesh()).high[2];
    double lowest = stoneToGrid({0.0, boundsOf(stoneMesh()).low[1], 0.0}, 9, 9)[2];
    EXPECT_GE(lowest, gridTop);
    EXPECT_LE(lowest, gridTop + 0.25);
}

TEST(StoneMesh, StaysCheapEnoughToDrawOnEveryPoint)
{
    // A full board draws the stone 325 times a frame in a software renderer.
    EXPECT_GE(stoneMesh().size(), 64u);
    EXPECT_LE(stoneMesh().size(), 200u);
}

// ---------------------------------------------------------------------------------------------

// The winning line and the stones' middles are compared in the grid's x-y plane, the plane a
// player looks down on. The line floats above the stones, so only its course over the board is
// compared, not its height. Tolerance: 0.25 grid units, about one and a half pixels of the
// default view (some 6 pixels a grid unit), against the line's own 10 pixels: the line then
// visibly runs through the stones' middles. The best centre the four directions allow leaves
// at most about 0.19.
constexpr double LINE_TOLERANCE = 0.25;

TEST(WinningLine, RunsThroughTheFiveStonesMiddlesInEveryDirection)
{
    Point middle = stoneMiddle();
    const int centres[][2] = {{2, 2}, {2, 15}, {9, 9}, {15, 2}, {15, 15}, {7, 11}};
    for (const WinLine &line : winLines)
    {
        SCOPED_TRACE(line.name);
        for (const auto &centre : centres)
        {
            int row = centre[0];
            int col = centre[1];
            double x = CELL_PITCH * (row - 9);
            double z = CELL_PITCH * (9 - col);
            Point a = stoneFrameToGrid(x + line.x1, 5.0, z + line.z1);
            Point b = stoneFrameToGrid(x + line.x2, 5.0, z + line.z2);
            for (int i = -2; i <= 2; ++i)
            {
                Point stone = stoneToGrid(middle, row + i * line.rowStep, col + i * line.colStep);
                EXPECT_NEAR(offsetFromLine(stone, a, b), 0.0, LINE_TOLERANCE)
                    << "stone " << i << " of the five around (" << row << ", " << col << ")";
                double along = alongLine(stone, a, b);
                EXPECT_GE(along, 0.0);
                EXPECT_LE(along, 1.0);
            }
        }
    }
}

TEST(WinningLine, StoneMiddleIsTheLeastSquaresBestForTheFourDirections)
{
    // The sum of squared offsets is a convex quadratic in the middle's (x, z): no small step
    // from its minimum lowers it.
    Point middle = stoneMiddle();
    double best = squaredLineOffsets(middle[0], middle[2]);
    const double step = 0.02;
    for (auto [dx, dz] : {std::pair{step, 0.0}, {-step, 0.0}, {0.0, step}, {0.0, -step}})
    {
        EXPECT_GE(squaredLineOffsets(middle[0] + dx, middle[2] + dz), best);
    }
}

// ---------------------------------------------------------------------------------------------

// The grid's covered stretch across a line, found by bisection from a point on it towards a
// point off it, at height z (grid units) just above the board.
double coveredEdge(Point on, Point off)
{
    for (int i = 0; i < 40; ++i)
    {
        Point mid = {(on[0] + off[0]) / 2.0, (on[1] + off[1]) / 2.0, on[2]};
        (shellsHolding(gridMesh(), mid) > 0 ? on : off) = mid;
    }
    return on[0] == off[0] ? on[1] : on[0];
}

constexpr double JUST_ABOVE_BOARD = 0.01; // grid z at which the lines' width is measured

TEST(GridMesh, RunsALineUnderTheMiddleOfEveryRowsStones)
{
    Point middle = stoneMiddle();
    for (int row = 0; row < 18; ++row)
    {
        SCOPED_TRACE(row);
        double x = stoneToGrid(middle, row, 0)[0];
        // Measured between columns, away from the crossings and the star points.
        for (int col : {0, 5, 11, 16})
        {
            double y =
                (stoneToGrid(middle, row, col)[1] + stoneToGrid(middle, row, col + 1)[1]) / 2;
            double low = coveredEdge({x, y, JUST_ABOVE_BOARD}, {x - 2.0, y, JUST_ABOVE_BOARD});
            double high = coveredEdge({x, y, JUST_ABOVE_BOARD}, {x + 2.0, y, JUST_ABOVE_BOARD});
            EXPECT_NEAR((low + high) / 2.0, x, 1e-3);
            EXPECT_GT(high - low, 0.15);
            EXPECT_LT(high - low, 0.6);
        }
    }
}

TEST(GridMesh, RunsALineUnderTheMiddleOfEveryColumnsStones)
{
    Point middle = stoneMiddle();
    for (int col = 0; col < 18; ++col)
    {
        SCOPED_TRACE(col);
        double y = stoneToGrid(middle, 0, col)[1];
        for (int row : {0, 5, 11, 16})
        {
            double x =
                (stoneToGrid(middle, row, col)[0] + stoneToGrid(middle, row + 1, col)[0]) / 2;
            double low = coveredEdge({x, y, JUST_ABOVE_BOARD}, {x, y - 2.0, JUST_ABOVE_BOARD});
            double high = coveredEdge({x, y, JUST_ABOVE_BOARD}, {x, y + 2.0, JUST_ABOVE_BOARD});
            EXPECT_NEAR((low + high) / 2.0, y, 1e-3);
            EXPECT_GT(high - low, 0.15);
            EXPECT_LT(high - low, 0.6);
        }
    }
}

TEST(GridMesh, LinesRunFromTheFirstStoneToTheLastAndNoFurther)
{
    Point middle = stoneMiddle();
    Point first = stoneToGrid(middle, 0, 0);
    Point last = stoneToGrid(middle, 17, 17);
    for (int i = 0; i < 18; ++i)
    {
        SCOPED_TRACE(i);
        Point alongY = stoneToGrid(middle, i, 0); // the line under row i runs along y
        Point alongX = stoneToGrid(middle, 0, i); // the line under column i runs along x
        auto held = [](double x, double y) {
            return shellsHolding(gridMesh(), {x, y, JUST_ABOVE_BOARD}) > 0;
        };
        EXPECT_TRUE(held(alongY[0], first[1]));
        EXPECT_TRUE(held(alongY[0], last[1]));
        EXPECT_FALSE(held(alongY[0], first[1] - 1.0));
        EXPECT_FALSE(held(alongY[0], last[1] + 1.0));
        EXPECT_TRUE(held(first[0], alongX[1]));
        EXPECT_TRUE(held(last[0], alongX[1]));
        EXPECT_FALSE(held(first[0] - 1.0, alongX[1]));
        EXPECT_FALSE(held(last[0] + 1.0, alongX[1]));
    }
}

// ---------------------------------------------------------------------------------------------

Bounds boardBoundsInGrid()
{
    Bounds b = boundsOf(boardMesh());
    return {boardToGrid(b.low), boardToGrid(b.high)};
}

TEST(BoardMesh, LiesUnderTheWholeGridWithAMargin)
{
    Bounds board = boardBoundsInGrid();
    Bounds grid = boundsOf(gridMesh());
    for (int axis = 0; axis < 2; ++axis)
    {
        EXPECT_LT(board.low[axis], grid.low[axis] - 3.0);
        EXPECT_GT(board.high[axis], grid.high[axis] + 3.0);
    }
}

TEST(BoardMesh, TopLiesJustBelowTheGridsTop)
{
    // The lines stand on the board: their feet are sunk into it, their tops stand above it.
    Bounds board = boardBoundsInGrid();
    Bounds grid = boundsOf(gridMesh());
    EXPECT_GE(board.high[2], grid.low[2]);
    EXPECT_LT(board.high[2], grid.high[2] - 0.1);
    EXPECT_GT(board.high[2] - board.low[2], 2.0) << "a slab, not a sheet";
}

TEST(BoardMesh, TurnsAboutAPointNearItsMiddle)
{
    Bounds b = boundsOf(boardMesh());
    EXPECT_NEAR((b.low[0] + b.high[0]) / 2.0, 50.0, 4.0);
    EXPECT_NEAR((b.low[1] + b.high[1]) / 2.0, 50.0, 4.0);
}

// ---------------------------------------------------------------------------------------------

// The letters of a banner, seen from the front: facets facing the viewer, grouped into pieces
// whose x ranges touch, left to right.
struct Letter
{
    double left, right; // banner x
    std::vector<const Facet *> faces;
};

std::vector<Letter> lettersOf(const std::vector<Facet> &facets)
{
    std::vector<const Facet *> front;
    for (const Facet &facet : facets)
    {
        if (facet.normal[2] > 0.5f)
        {
            front.push_back(&facet);
        }
    }
    auto left = [](const Facet *f) { return std::min({f->v1[0], f->v2[0], f->v3[0]}); };
    auto right = [](const Facet *f) { return std::max({f->v1[0], f->v2[0], f->v3[0]}); };
    std::sort(front.begin(), front.end(),
              [&](const Facet *a, const Facet *b) { return left(a) < left(b); });
    std::vector<Letter> letters;
    for (const Facet *f : front)
    {
        if (letters.empty() || left(f) > letters.back().right + 1e-4)
        {
            letters.push_back({left(f), right(f), {}});
        }
        letters.back().right = std::max<double>(letters.back().right, right(f));
        letters.back().faces.push_back(f);
    }
    return letters;
}

// The rightmost front-face x of a letter within a band of its height (0 the foot, 1 the top).
double rightmostIn(const Letter &letter, double bandLow, double bandHigh, Bounds b)
{
    double rightmost = -1e30;
    for (const Facet *f : letter.faces)
    {
        double y = (f->v1[1] + f->v2[1] + f->v3[1]) / 3.0;
        double t = (y - b.low[1]) / (b.high[1] - b.low[1]);
        if (t >= bandLow && t <= bandHigh)
        {
            rightmost = std::max<double>(rightmost, std::max({f->v1[0], f->v2[0], f->v3[0]}));
        }
    }
    return rightmost;
}

TEST(BannerMesh, ThreeCopiesStayApart)
{
    for (const char *file : {"black wins.STL", "white wins.STL"})
    {
        SCOPED_TRACE(file);
        Bounds b = boundsOf(loadAsset(file).facets);
        // Copies are 5 banner units apart; leave at least one unit between two lines of text.
        EXPECT_LT(b.high[1] - b.low[1], 4.0);
    }
}

TEST(BannerMesh, EveryCopyLiesAcrossTheBoardInTheDefaultView)
{
    Bounds board = boardBoundsInGrid();
    double boardLeft = projectDefaultView({board.low[0], 50.0, board.high[2]})[0];
    double boardRight = projectDefaultView({board.high[0], 50.0, board.high[2]})[0];
    double boardBottom = projectDefaultView({50.0, board.low[1], board.high[2]})[1];
    double boardTop = projectDefaultView({50.0, board.high[1], board.high[2]})[1];
    for (const char *file : {"black wins.STL", "white wins.STL"})
    {
        SCOPED_TRACE(file);
        Bounds b = boundsOf(loadAsset(file).facets);
        for (int copy = -1; copy <= 1; ++copy)
        {
            SCOPED_TRACE(copy);
            double left = 1e30, right = -1e30, bottom = 1e30, top = -1e30;
            for (double x : {b.low[0], b.high[0]})
            {
                for (double y : {b.low[1], b.high[1]})
                {
                    for (double z : {b.low[2], b.high[2]})
                    {
                        auto s = projectDefaultView(bannerToGrid({x, y, z}, copy));
                        left = std::min(left, s[0]);
                        right = std::max(right, s[0]);
                        bottom = std::min(bottom, s[1]);
                        top = std::max(top, s[1]);
                    }
                }
            }
            EXPECT_GT(left, boardLeft);
            EXPECT_LT(right, boardRight);
            EXPECT_GT(bottom, boardBottom);
            EXPECT_LT(top, boardTop);
            EXPECT_GT(right - left, 0.6 * (boardRight - boardLeft)) << "too short to read across";
        }
    }
}

TEST(BannerMesh, BlackWinsReadsLeftToRightUpright)
{
    const std::vector<Facet> facets = loadAsset("black wins.STL").facets;
    std::vector<Letter> letters = lettersOf(facets);
    ASSERT_EQ(letters.size(), 9u) << "B L A C K W I N S, each in one piece";
    // The word gap follows the fifth letter.
    double widestGap = 0.0;
    std::size_t gapAfter = 0;
    for (std::size_t i = 0; i + 1 < letters.size(); ++i)
    {
        double gap = letters[i + 1].left - letters[i].right;
        if (gap > widestGap)
        {
            widestGap = gap;
            gapAfter = i;
        }
    }
    EXPECT_EQ(gapAfter, 4u);
    // The L: its foot reaches further right than its stem's top.
    Bounds b = boundsOf(facets);
    EXPECT_GT(rightmostIn(letters[1], 0.0, 0.2, b), rightmostIn(letters[1], 0.8, 1.0, b) + 0.3);
}

TEST(BannerMesh, WhiteWinsReadsLeftToRightUpright)
{
    const std::vector<Facet> facets = loadAsset("white wins.STL").facets;
    std::vector<Letter> letters = lettersOf(facets);
    ASSERT_EQ(letters.size(), 9u) << "W H I T E W I N S, each in one piece";
    // The E: its top and foot bars reach further right than its middle bar.
    Bounds b = boundsOf(facets);
    const Letter &e = letters[4];
    EXPECT_GT(rightmostIn(e, 0.85, 1.0, b), rightmostIn(e, 0.4, 0.6, b));
    EXPECT_GT(rightmostIn(e, 0.0, 0.15, b), rightmostIn(e, 0.4, 0.6, b));
    // The T: its bar is at the top.
    const Letter &t = letters[3];
    EXPECT_GT(rightmostIn(t, 0.85, 1.0, b), rightmostIn(t, 0.0, 0.15, b) + 0.3);
}

} // namespace
