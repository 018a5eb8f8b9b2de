// Writes a stand-in stone: an ellipsoid with the bounding box of a given stone mesh and any
// number of triangles, for the frame-rate comparison and the triangle-count sweep.
//
//   variant_stone SOURCE.STL OUT.STL SEGMENTS BANDS   (2 * SEGMENTS * (BANDS - 1) triangles)
#include "model/stl_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace
{

struct Point
{
    float x, y, z;
};

struct Box
{
    float low[3];
    float high[3];
};

Box boundsOf(const Facet *facets, std::int32_t count)
{
    Box box{};
    for (int a = 0; a < 3; ++a)
    {
        box.low[a] = std::numeric_limits<float>::max();
        box.high[a] = std::numeric_limits<float>::lowest();
    }
    for (std::int32_t i = 0; i < count; ++i)
    {
        for (const float *v : {facets[i].v1, facets[i].v2, facets[i].v3})
        {
            for (int a = 0; a < 3; ++a)
            {
                box.low[a] = std::min(box.low[a], v[a]);
                box.high[a] = std::max(box.high[a], v[a]);
            }
        }
    }
    return box;
}

// Writes one triangle, its corners turned so that they run counter-clockwise seen from outside.
void writeTriangle(std::FILE *out, Point a, Point b, Point c, Point centre)
{
    float e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
    float e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                  e1[0] * e2[1] - e1[1] * e2[0]};
    float outward = n[0] * (a.x - centre.x) + n[1] * (a.y - centre.y) + n[2] * (a.z - centre.z);
    if (outward < 0.0f)
    {
        std::swap(b, c);
    }
    float v1[3] = {a.x, a.y, a.z};
    float v2[3] = {b.x, b.y, b.z};
    float v3[3] = {c.x, c.y, c.z};
    float normal[3];
    facetNormal(v1, v2, v3, normal);
    std::fprintf(out, "  facet normal %e %e %e\n    outer loop\n", static_cast<double>(normal[0]),
                 static_cast<double>(normal[1]), static_cast<double>(normal[2]));
    for (const float *v : {v1, v2, v3})
    {
        std::fprintf(out, "      vertex %e %e %e\n", static_cast<double>(v[0]),
                     static_cast<double>(v[1]), static_cast<double>(v[2]));
    }
    std::fprintf(out, "    endloop\n  endfacet\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 5)
    {
        std::fprintf(stderr, "usage: %s SOURCE.STL OUT.STL SEGMENTS BANDS\n", argv[0]);
        return 2;
    }
    std::int32_t count = 0;
    Facet *facets = loadStl(argv[1], &count);
    if (facets == nullptr)
    {
        return 1;
    }
    Box box = boundsOf(facets, count);
    delete[] facets;
    int segments = std::max(3, std::atoi(argv[3]));
    int bands = std::max(2, std::atoi(argv[4]));

    // An ellipsoid standing on the y axis, filling the source's box.
    Point centre{(box.low[0] + box.high[0]) / 2, (box.low[1] + box.high[1]) / 2,
                 (box.low[2] + box.high[2]) / 2};
    float radius[3] = {(box.high[0] - box.low[0]) / 2, (box.high[1] - box.low[1]) / 2,
                       (box.high[2] - box.low[2]) / 2};
    const double pi = std::acos(-1.0);
    auto at = [&](int band, int segment)
    {
        double latitude = -pi / 2 + pi * band / bands;
        double longitude = 2 * pi * segment / segments;
        return Point{
            centre.x + radius[0] * static_cast<float>(std::cos(latitude) * std::cos(longitude)),
            centre.y + radius[1] * static_cast<float>(std::sin(latitude)),
            centre.z + radius[2] * static_cast<float>(std::cos(latitude) * std::sin(longitude))};
    };

    std::FILE *out = std::fopen(argv[2], "w");
    if (out == nullptr)
    {
        std::perror(argv[2]);
        return 1;
    }
    std::fprintf(out, "solid stone\n");
    for (int band = 0; band < bands; ++band)
    {
        for (int s = 0; s < segments; ++s)
        {
            Point a = at(band, s);
            Point b = at(band, s + 1);
            Point c = at(band + 1, s + 1);
            Point d = at(band + 1, s);
            if (band > 0)
            {
                writeTriangle(out, a, b, c, centre); // the south pole has no lower ring
            }
            if (band < bands - 1)
            {
                writeTriangle(out, a, c, d, centre); // nor the north pole an upper one
            }
        }
    }
    std::fprintf(out, "endsolid stone\n");
    std::fclose(out);
    return 0;
}
