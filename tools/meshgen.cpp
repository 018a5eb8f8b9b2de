// meshgen: writes the game's five meshes (board, grid, stone and the two winner banners) as
// ASCII STL files into the folder named on the command line, the same bytes on every run.
#include "tools/block_font.h"
#include "tools/mesh_builder.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Where the frame drawing puts each mesh. The meshes are modelled in these frames.

// Board frame: x right, y up, z toward the viewer; both view turns pivot on its point (50, 50, 0).
// The grid is drawn one unit below the board's own origin: grid z = board z + 1.
static constexpr double GRID_BELOW_BOARD = 1.0;

// The stone frame seen from the grid frame: its origin, its scale, and a quarter turn about x
// that stands the stone model's y axis along the grid's z axis.
static constexpr double STONE_ORIGIN_X = 47.85;
static constexpr double STONE_ORIGIN_Y = 52.3;
static constexpr double STONE_ORIGIN_Z = 6.0;
static constexpr double STONE_SCALE = 0.5;
static constexpr double CELL_PITCH = 11.0; // stone-frame units between neighbouring cells
static constexpr int BOARD_LINES = 18;     // rows and columns
static constexpr int BOARD_MIDDLE = 9;     // the cell whose stone-frame place is (0, 0)

// The winning line's two ends, stone frame (x, z), relative to the recorded cell's place, and the
// step in (row, column) from one stone of the five to the next.
struct WinLine
{
    double x1, z1, x2, z2;
    int rowStep, colStep;
};
static const WinLine winLines[4] = {
    {4.0, -18.0, 4.0, 27.5, 0, 1},     // along a row
    {-19.0, 27.5, 26.5, -18.0, 1, 1},  // the diagonal
    {-19.0, 4.0, 26.5, 4.0, 1, 0},     // along a column
    {-19.0, -18.0, 26.5, 27.5, 1, -1}, // the antidiagonal
};

// The banner frame seen from the grid frame: axes parallel to the grid's, this origin and scale.
// The banner is drawn three times, BANNER_COPY_STEP apart along its y axis.
static constexpr double BANNER_ORIGIN_X = -9.65;
static constexpr double BANNER_ORIGIN_Y = 42.3;
static constexpr double BANNER_SCALE = 4.5;
static constexpr double BANNER_COPY_STEP = 5.0;

// ---------------------------------------------------------------------------------------------
// Shapes, in the units of each mesh's own frame.

// Board (board frame): the grid lies on the board's top, which is the grid frame's z = 0.
static constexpr double BOARD_TOP_Z = -GRID_BELOW_BOARD;
static constexpr double BOARD_THICKNESS = 6.0;
static constexpr double BOARD_BEVEL = 1.0;  // the top edge is chamfered by this much
static constexpr double BOARD_MARGIN = 6.0; // board beyond the outer grid lines

// Grid (grid frame).
static constexpr double LINE_WIDTH = 0.35;         // about two pixels at the default view
static constexpr double LINE_SLOPE_ALONG_X = 45.0; // degrees, the roof faces of lines along x
static constexpr double LINE_SLOPE_ALONG_Y = 40.0; // lines along y
static constexpr double LINE_SINK_ALONG_X = 0.03;  // floor below the board's top, lines along x
static constexpr double LINE_SINK_ALONG_Y = 0.06;  // lines along y
static constexpr double STAR_SIZE = 1.1;           // side of a star point's square
static constexpr double STAR_SLOPE = 30.0;         // degrees; the highest part of the grid
static constexpr double STAR_SINK = 0.09;          // floor below the board's top
// Star points: the four 3-3 points, and the middle cell where the cursor starts (eighteen lines
// have no middle line, so it sits half a cell off the board's middle).
static const int starPoints[5][2] = {{3, 3}, {3, 14}, {14, 3}, {14, 14}, {9, 9}};

// Stone (stone frame, standing on its own y axis): an oblate disc like a go stone.
static constexpr double STONE_RADIUS = 5.2;         // 10.4 across: neighbours 11 apart never touch
static constexpr double STONE_HALF_THICKNESS = 2.2; // 4.4 thick, about 0.42 of its width
static constexpr double STONE_GAP = 0.08; // grid units between the grid's top and the stone
static constexpr int STONE_SEGMENTS = 16; // corners of the outline seen from above
// Latitudes of the rings, degrees, bottom to top; the poles close both ends. The top, which the
// player sees, has more rings than the underside.
static const double stoneLatitudes[] = {-45.0, 0.0, 30.0, 62.0};

// Banners (banner frame): block letters of BANNER_PIXEL units, raised toward +z. Their faces lean
// back, the top of each letter nearer the viewer than its foot, by more than the light's
// highlight is wide, so that black letters stay black under the light instead of turning grey.
static constexpr double BANNER_PIXEL = 0.3;
static constexpr double BANNER_DEPTH = 0.2; // thickness at the letters' foot
static constexpr double BANNER_LEAN = 20.0; // degrees between the letters' faces and the screen

// ---------------------------------------------------------------------------------------------

// The stone model's centre (x, z) in its own frame. The winning lines run some 4 units off the
// cells' places, differently in each direction; the centre that puts the five stones' middles
// closest to the line, least squares over the four perpendicular offsets, is computed here.
// Each stone of a five is the first moved by a multiple of the step, which is parallel to the
// line, so one offset per direction stands for all five.
static std::array<double, 2> stoneCentre()
{
    double m[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
    double rhs[2] = {0.0, 0.0};
    for (const WinLine &line : winLines)
    {
        double dx = line.x2 - line.x1;
        double dz = line.z2 - line.z1;
        double length = std::sqrt(dx * dx + dz * dz);
        // The next stone's place: rows run along x, columns along -z.
        double stepX = CELL_PITCH * line.rowStep;
        double stepZ = -CELL_PITCH * line.colStep;
        if (std::fabs(dx * stepZ - dz * stepX) > 1e-9)
        {
            std::fprintf(stderr, "meshgen: a winning line is not parallel to its five\n");
            std::exit(1);
        }
        double n[2] = {-dz / length, dx / length}; // unit normal of the line
        double offset = n[0] * line.x1 + n[1] * line.z1;
        for (int i = 0; i < 2; ++i)
        {
            for (int j = 0; j < 2; ++j)
            {
                m[i][j] += n[i] * n[j];
            }
            rhs[i] += n[i] * offset;
        }
    }
    double det = m[0][0] * m[1][1] - m[0][1] * m[1][0];
    return {(rhs[0] * m[1][1] - m[0][1] * rhs[1]) / det,
            (m[0][0] * rhs[1] - m[1][0] * rhs[0]) / det};
}

// The grid-frame (x, y) under the middle of the stone on (row, col).
static double cellGridX(int row, std::array<double, 2> centre)
{
    return STONE_ORIGIN_X + STONE_SCALE * (CELL_PITCH * (row - BOARD_MIDDLE) + centre[0]);
}
static double cellGridY(int col, std::array<double, 2> centre)
{
    return STONE_ORIGIN_Y - STONE_SCALE * (CELL_PITCH * (BOARD_MIDDLE - col) + centre[1]);
}

// The stone: rings of an ellipse turned about the y axis through the centre.
static Mesh buildStone(std::array<double, 2> centre)
{
    // Grid z = STONE_ORIGIN_Z + STONE_SCALE * y; the lowest point rests just above the lines.
    const double gridTop =
        STAR_SIZE / 2.0 * std::tan(STAR_SLOPE * std::numbers::pi / 180.0); // star tips
    const double bottomY = (gridTop + STONE_GAP - STONE_ORIGIN_Z) / STONE_SCALE;
    const double middleY = bottomY + STONE_HALF_THICKNESS;

    ConvexLoft loft = {};
    for (double latitude : stoneLatitudes)
    {
        double phi = latitude * std::numbers::pi / 180.0;
        double radius = STONE_RADIUS * std::cos(phi);
        double y = middleY + STONE_HALF_THICKNESS * std::sin(phi);
        std::vector<Vec3> ring;
        for (int k = 0; k < STONE_SEGMENTS; ++k)
        {
            double theta = 2.0 * std::numbers::pi * k / STONE_SEGMENTS;
            ring.push_back(
                {centre[0] + radius * std::cos(theta), y, centre[1] + radius * std::sin(theta)});
        }
        loft.rings.push_back(ring);
    }
    loft.hasBottomPole = true;
    loft.bottomPole = {centre[0], bottomY, centre[1]};
    loft.hasTopPole = true;
    loft.topPole = {centre[0], middleY + STONE_HALF_THICKNESS, centre[1]};

    Mesh mesh;
    addConvexLoft(mesh, loft);
    return mesh;
}

// Adds a ridge along x or y: a three-sided prism whose two roof faces slope at `slope` degrees,
// `width` wide where it leaves the board (grid z = 0), its floor `sink` below the board's top.
static void addRidge(Mesh &mesh, bool alongX, double across, double from, double to, double width,
                     double slope, double sink)
{
    const double rise = std::tan(slope * std::numbers::pi / 180.0);
    const double top = rise * width / 2.0;
    const double foot = width / 2.0 + sink / rise; // half width of the floor
    auto end = [&](double along)
    {
        auto point = [&](double offset, double z) {
            return alongX ? Vec3{along, across + offset, z} : Vec3{across + offset, along, z};
        };
        return std::vector<Vec3>{point(-foot, -sink), point(foot, -sink), point(0.0, top)};
    };
    ConvexLoft loft = {};
    loft.rings = {end(from), end(to)};
    addConvexLoft(mesh, loft);
}

// Adds a square pyramid on (x, y): `size` across where it leaves the board, its faces sloping
// at `slope` degrees, its floor `sink` below the board's top.
static void addPyramid(Mesh &mesh, double x, double y, double size, double slope, double sink)
{
    const double rise = std::tan(slope * std::numbers::pi / 180.0);
    const double foot = size / 2.0 + sink / rise;
    ConvexLoft loft = {};
    loft.rings = {{{x - foot, y - foot, -sink},
                   {x + foot, y - foot, -sink},
                   {x + foot, y + foot, -sink},
                   {x - foot, y + foot, -sink}}};
    loft.hasTopPole = true;
    loft.topPole = {x, y, rise * size / 2.0};
    addConvexLoft(mesh, loft);
}

// The grid: one line under each row's and each column's stone middles, from the first stone to
// the last, and the star points. The light catches any face that looks straight up, which would
// turn the black lines white near the corner under it; so the lines are low ridges and the star
// points low pyramids, their faces sloped too steeply for a highlight. Each is a closed solid of
// its own and they pass through each other where they cross. The lines along x and along y
// differ in slope and in how deep they sink, and the lines along x stop inside the outer lines
// along y, so that no two solids share a face plane or an edge.
static Mesh buildGrid(std::array<double, 2> centre)
{
    double lineX[BOARD_LINES]; // x of the line under row r's stones
    double lineY[BOARD_LINES]; // y of the line under column c's stones
    for (int i = 0; i < BOARD_LINES; ++i)
    {
        lineX[i] = cellGridX(i, centre);
        lineY[i] = cellGridY(i, centre);
    }
    const double half = LINE_WIDTH / 2.0;
    const double lastX = lineX[BOARD_LINES - 1];
    const double lastY = lineY[BOARD_LINES - 1];

    Mesh mesh;
    for (int i = 0; i < BOARD_LINES; ++i)
    {
        addRidge(mesh, false, lineX[i], lineY[0] - half, lastY + half, LINE_WIDTH,
                 LINE_SLOPE_ALONG_Y, LINE_SINK_ALONG_Y);
    }
    for (int i = 0; i < BOARD_LINES; ++i)
    {
        addRidge(mesh, true, lineY[i], lineX[0], lastX, LINE_WIDTH, LINE_SLOPE_ALONG_X,
                 LINE_SINK_ALONG_X);
    }
    for (const auto &point : starPoints)
    {
        addPyramid(mesh, lineX[point[0]], lineY[point[1]], STAR_SIZE, STAR_SLOPE, STAR_SINK);
    }
    return mesh;
}

// The board: a slab under the whole grid with a chamfered top edge, its margins even around the
// grid. Eighteen lines put the grid's middle a little off the view pivot, which so lies near,
// not on, the board's middle.
//
// The top is deliberately two triangles. GL lights a model at its corners only, and the light
// sits almost straight above the board's far left corner: a finely cut top would show the
// glare truly, a white patch over a third of the board in which white stones vanish. With two
// triangles, split along the diagonal that keeps that corner in one of them, the glare is only
// a fade in that corner.
static Mesh buildBoard(std::array<double, 2> centre)
{
    const double x0 = cellGridX(0, centre) - BOARD_MARGIN;
    const double x1 = cellGridX(BOARD_LINES - 1, centre) + BOARD_MARGIN;
    const double y0 = cellGridY(0, centre) - BOARD_MARGIN;
    const double y1 = cellGridY(BOARD_LINES - 1, centre) + BOARD_MARGIN;

    // Counter-clockwise from the near left corner: the top's fan from that corner is split
    // along the diagonal to the far right corner.
    auto rectangle = [&](double inset, double z)
    {
        return std::vector<Vec3>{
            {x0 + inset, y0 + inset, z},
            {x1 - inset, y0 + inset, z},
            {x1 - inset, y1 - inset, z},
            {x0 + inset, y1 - inset, z},
        };
    };
    ConvexLoft loft = {};
    loft.rings = {rectangle(0.0, BOARD_TOP_Z - BOARD_THICKNESS),
                  rectangle(0.0, BOARD_TOP_Z - BOARD_BEVEL), rectangle(BOARD_BEVEL, BOARD_TOP_Z)};

    Mesh mesh;
    addConvexLoft(mesh, loft);
    return mesh;
}

// A banner: `text` in raised block letters, the middle copy centred over the grid.
static Mesh buildBanner(const std::string &text, std::array<double, 2> centre)
{
    const TextPixels pixels = rasteriseText(text);
    const double gridMiddleX = (cellGridX(0, centre) + cellGridX(BOARD_LINES - 1, centre)) / 2.0;
    const double gridMiddleY = (cellGridY(0, centre) + cellGridY(BOARD_LINES - 1, centre)) / 2.0;
    const double middleX = (gridMiddleX - BANNER_ORIGIN_X) / BANNER_SCALE;
    const double middleY = (gridMiddleY - BANNER_ORIGIN_Y) / BANNER_SCALE;
    const double left = middleX - BANNER_PIXEL * pixels.width / 2.0;
    const double bottom = middleY - BANNER_PIXEL * GLYPH_HEIGHT / 2.0;

    std::vector<double> xs;
    std::vector<double> ys;
    for (int i = 0; i <= pixels.width; ++i)
    {
        xs.push_back(left + BANNER_PIXEL * i);
    }
    for (int j = 0; j <= GLYPH_HEIGHT; ++j)
    {
        ys.push_back(bottom + BANNER_PIXEL * j);
    }
    // Lattice rows count up from the bottom; pixel rows count down from the top.
    std::vector<bool> inside(static_cast<std::size_t>(pixels.width * GLYPH_HEIGHT));
    for (int j = 0; j < GLYPH_HEIGHT; ++j)
    {
        for (int i = 0; i < pixels.width; ++i)
        {
            int row = GLYPH_HEIGHT - 1 - j;
            inside[static_cast<std::size_t>(j * pixels.width + i)] =
                pixels.lit[static_cast<std::size_t>(row * pixels.width + i)];
        }
    }
    static_assert(BANNER_PIXEL * GLYPH_HEIGHT < BANNER_COPY_STEP, "the three copies overlap");

    Mesh mesh;
    addCellSolid(mesh, xs, ys, inside, 0.0, BANNER_DEPTH,
                 std::tan(BANNER_LEAN * std::numbers::pi / 180.0));
    return mesh;
}

static bool writeMesh(const std::string &folder, const char *fileName, const char *solidName,
                      const Mesh &mesh)
{
    std::string path = folder + "/" + fileName;
    std::ofstream out(path, std::ios::binary);
    out << formatAsciiStl(mesh, solidName);
    out.close();
    if (!out)
    {
        std::fprintf(stderr, "meshgen: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%-16s %6zu facets\n", fileName, mesh.triangles.size() / 3);
    return true;
}

int main(int argc, char **argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: meshgen OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::array<double, 2> centre = stoneCentre();

    bool written =
        writeMesh(folder, "plane.STL", "board", buildBoard(centre)) &&
        writeMesh(folder, "lines.STL", "grid", buildGrid(centre)) &&
        writeMesh(folder, "circle.STL", "stone", buildStone(centre)) &&
        writeMesh(folder, "black wins.STL", "black_wins", buildBanner("BLACK WINS", centre)) &&
        writeMesh(folder, "white wins.STL", "white_wins", buildBanner("WHITE WINS", centre));
    return written ? 0 : 1;
}
