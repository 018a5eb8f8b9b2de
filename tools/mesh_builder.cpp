// Builds closed, outward-wound triangle meshes from rings and lattice cells, and writes them as
// ASCII STL with the normals the game's reader would compute from the written vertices.
#include "tools/mesh_builder.h"

#include "model/stl_reader.h"

#include <cstdio>
#include <cstdlib>

static void fail(const char *message)
{
    std::fprintf(stderr, "meshgen: %s\n", message);
    std::exit(1);
}

static Vec3 minus(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

static Vec3 cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

static double dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

int addVertex(Mesh &mesh, Vec3 point)
{
    mesh.vertices.push_back(point);
    return static_cast<int>(mesh.vertices.size()) - 1;
}

void addTriangle(Mesh &mesh, int a, int b, int c, Vec3 outward)
{
    const Vec3 &pa = mesh.vertices[a];
    Vec3 normal = cross(minus(mesh.vertices[b], pa), minus(mesh.vertices[c], pa));
    if (dot(normal, outward) < 0.0)
    {
        mesh.triangles.insert(mesh.triangles.end(), {a, c, b});
    }
    else
    {
        mesh.triangles.insert(mesh.triangles.end(), {a, b, c});
    }
}

// Adds the quad a, b, c, d (a closed loop of four corners on one plane) as two triangles.
static void addQuad(Mesh &mesh, int a, int b, int c, int d, Vec3 outward)
{
    addTriangle(mesh, a, b, c, outward);
    addTriangle(mesh, a, c, d, outward);
}

void addConvexTriangle(Mesh &mesh, int a, int b, int c, Vec3 inner)
{
    const Vec3 &pa = mesh.vertices[a];
    const Vec3 &pb = mesh.vertices[b];
    const Vec3 &pc = mesh.vertices[c];
    Vec3 centroid = {(pa.x + pb.x + pc.x) / 3.0, (pa.y + pb.y + pc.y) / 3.0,
                     (pa.z + pb.z + pc.z) / 3.0};
    addTriangle(mesh, a, b, c, minus(centroid, inner));
}

void addConvexLoft(Mesh &mesh, const ConvexLoft &loft)
{
    const std::size_t ringCount = loft.rings.size();
    const std::size_t ringLength = loft.rings.front().size();

    // The solid's middle: the mean of all its points, poles included, inside any convex solid.
    std::vector<Vec3> points;
    for (const std::vector<Vec3> &ring : loft.rings)
    {
        if (ring.size() != ringLength)
        {
            fail("loft rings differ in length");
        }
        points.insert(points.end(), ring.begin(), ring.end());
    }
    if (loft.hasBottomPole)
    {
        points.push_back(loft.bottomPole);
    }
    if (loft.hasTopPole)
    {
        points.push_back(loft.topPole);
    }
    Vec3 middle = {0.0, 0.0, 0.0};
    for (const Vec3 &p : points)
    {
        middle = {middle.x + p.x, middle.y + p.y, middle.z + p.z};
    }
    const double n = static_cast<double>(points.size());
    middle = {middle.x / n, middle.y / n, middle.z / n};

    std::vector<std::vector<int>> ids(ringCount);
    for (std::size_t k = 0; k < ringCount; ++k)
    {
        for (const Vec3 &p : loft.rings[k])
        {
            ids[k].push_back(addVertex(mesh, p));
        }
    }
    auto triangle = [&](int a, int b, int c) { addConvexTriangle(mesh, a, b, c, middle); };

    // The bands between neighbouring rings.
    for (std::size_t k = 0; k + 1 < ringCount; ++k)
    {
        for (std::size_t i = 0; i < ringLength; ++i)
        {
            std::size_t next = (i + 1) % ringLength;
            triangle(ids[k][i], ids[k][next], ids[k + 1][next]);
            triangle(ids[k][i], ids[k + 1][next], ids[k + 1][i]);
        }
    }

    // The two ends: a fan to the pole, or the end ring's own flat polygon.
    auto closeEnd = [&](const std::vector<int> &ring, bool hasPole, Vec3 pole)
    {
        if (hasPole)
        {
            int tip = addVertex(mesh, pole);
            for (std::size_t i = 0; i < ringLength; ++i)
            {
                triangle(tip, ring[i], ring[(i + 1) % ringLength]);
            }
            return;
        }
        for (std::size_t i = 1; i + 1 < ringLength; ++i)
        {
            triangle(ring[0], ring[i], ring[i + 1]);
        }
    };
    closeEnd(ids.front(), loft.hasBottomPole, loft.bottomPole);
    closeEnd(ids.back(), loft.hasTopPole, loft.topPole);
}

void addCellSolid(Mesh &mesh, const std::vector<double> &xs, const std::vector<double> &ys,
                  const std::vector<bool> &inside, double z0, double z1, double topRise)
{
    const int nx = static_cast<int>(xs.size()) - 1; // cells across
    const int ny = static_cast<int>(ys.size()) - 1; // cells up
    auto solid = [&](int i, int j)
    { return i >= 0 && j >= 0 && i < nx && j < ny && inside[j * nx + i]; };

    for (int j = 0; j + 1 < ny; ++j)
    {
        for (int i = 0; i + 1 < nx; ++i)
        {
            bool a = solid(i, j);
            bool b = solid(i + 1, j);
            bool c = solid(i, j + 1);
            bool d = solid(i + 1, j + 1);
            if ((a && d && !b && !c) || (b && c && !a && !d))
            {
                fail("two cells touch only at a corner");
            }
        }
    }

    // Lattice corners are made once, on first use, so that neighbours share them.
    std::vector<int> corner(static_cast<std::size_t>((nx + 1) * (ny + 1) * 2), -1);
    auto at = [&](int i, int j, int level)
    {
        int &id = corner[static_cast<std::size_t>(((j * (nx + 1)) + i) * 2 + level)];
        if (id < 0)
        {
            double top = z1 + topRise * (ys[j] - ys[0]);
            id = addVertex(mesh, {xs[i], ys[j], level ? top : z0});
        }
        return id;
    };

    for (int j = 0; j < ny; ++j)
    {
        for (int i = 0; i < nx; ++i)
        {
            if (!solid(i, j))
            {
                continue;
            }
            addQuad(mesh, at(i, j, 1), at(i + 1, j, 1), at(i + 1, j + 1, 1), at(i, j + 1, 1),
                    {0.0, -topRise, 1.0});
            addQuad(mesh, at(i, j, 0), at(i + 1, j, 0), at(i + 1, j + 1, 0), at(i, j + 1, 0),
                    {0.0, 0.0, -1.0});
            if (!solid(i - 1, j))
            {
                addQuad(mesh, at(i, j, 0), at(i, j + 1, 0), at(i, j + 1, 1), at(i, j, 1),
                        {-1.0, 0.0, 0.0});
            }
            if (!solid(i + 1, j))
            {
                addQuad(mesh, at(i + 1, j, 0), at(i + 1, j + 1, 0), at(i + 1, j + 1, 1),
                        at(i + 1, j, 1), {1.0, 0.0, 0.0});
            }
            if (!solid(i, j - 1))
            {
                addQuad(mesh, at(i, j, 0), at(i + 1, j, 0), at(i + 1, j, 1), at(i, j, 1),
                        {0.0, -1.0, 0.0});
            }
            if (!solid(i, j + 1))
            {
                addQuad(mesh, at(i, j + 1, 0), at(i + 1, j + 1, 0), at(i + 1, j + 1, 1),
                        at(i, j + 1, 1), {0.0, 1.0, 0.0});
            }
        }
    }
}

// A number with at most `decimals` places, trailing zeros dropped, and never "-0".
static std::string formatNumber(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    if (s.find('.') != std::string::npos)
    {
        while (s.back() == '0')
        {
            s.pop_back();
        }
        if (s.back() == '.')
        {
            s.pop_back();
        }
    }
    if (s == "-0")
    {
        s = "0";
    }
    return s;
}

// Coordinates are written to 1/10000 of a unit, far below anything a pixel shows.
static constexpr int COORDINATE_DECIMALS = 4;
static constexpr int NORMAL_DECIMALS = 6;

std::string formatAsciiStl(const Mesh &mesh, const char *solidName)
{
    // Every vertex as written, and as the reader will take it back: a float parsed from that text.
    std::vector<std::string> text;
    std::vector<float> parsed;
    for (const Vec3 &v : mesh.vertices)
    {
        std::string line;
        for (double c : {v.x, v.y, v.z})
        {
            std::string number = formatNumber(c, COORDINATE_DECIMALS);
            parsed.push_back(std::strtof(number.c_str(), nullptr));
            line += (line.empty() ? "" : " ") + number;
        }
        text.push_back(line);
    }

    std::string out = std::string("solid ") + solidName + "\n";
    for (std::size_t t = 0; t < mesh.triangles.size(); t += 3)
    {
        const int a = mesh.triangles[t];
        const int b = mesh.triangles[t + 1];
        const int c = mesh.triangles[t + 2];
        float normal[3];
        facetNormal(&parsed[3 * a], &parsed[3 * b], &parsed[3 * c], normal);
        if (normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2] < 0.5f)
        {
            fail("a facet without area");
        }
        out += "  facet normal " + formatNumber(normal[0], NORMAL_DECIMALS) + " " +
               formatNumber(normal[1], NORMAL_DECIMALS) + " " +
               formatNumber(normal[2], NORMAL_DECIMALS) + "\n";
        out += "    outer loop\n";
        for (int v : {a, b, c})
        {
            out += "      vertex " + text[v] + "\n";
        }
        out += "    endloop\n";
        out += "  endfacet\n";
    }
    out += std::string("endsolid ") + solidName + "\n";
    return out;
}
