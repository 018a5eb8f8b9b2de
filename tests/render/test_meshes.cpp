// Builders for the test meshes and the test scene's five models.
#include "tests/render/test_meshes.h"

#include "model/model_table.h"

#include <algorithm>

namespace
{

void putVec(float out[3], Vec3 v)
{
    out[0] = static_cast<float>(v.x);
    out[1] = static_cast<float>(v.y);
    out[2] = static_cast<float>(v.z);
}

} // namespace

Facet makeFacet(Vec3 normal, Vec3 a, Vec3 b, Vec3 c)
{
    Facet facet{};
    putVec(facet.normal, normal);
    putVec(facet.v1, a);
    putVec(facet.v2, b);
    putVec(facet.v3, c);
    return facet;
}

std::vector<Facet> rectangleFacingZ(double x0, double y0, double x1, double y1, double z)
{
    Vec3 up{0.0, 0.0, 1.0};
    return {makeFacet(up, {x0, y0, z}, {x1, y0, z}, {x1, y1, z}),
            makeFacet(up, {x0, y0, z}, {x1, y1, z}, {x0, y1, z})};
}

std::vector<Facet> rectangleFacingY(double x0, double z0, double x1, double z1, double y)
{
    Vec3 up{0.0, 1.0, 0.0};
    return {makeFacet(up, {x0, y, z0}, {x0, y, z1}, {x1, y, z1}),
            makeFacet(up, {x0, y, z0}, {x1, y, z1}, {x1, y, z0})};
}

std::vector<Facet> boxFacets(Vec3 low, Vec3 high)
{
    double x0 = low.x, y0 = low.y, z0 = low.z;
    double x1 = high.x, y1 = high.y, z1 = high.z;
    std::vector<Facet> box;
    // Each face as two facets, counter-clockwise seen from outside.
    auto face = [&box](Vec3 n, Vec3 a, Vec3 b, Vec3 c, Vec3 d)
    {
        box.push_back(makeFacet(n, a, b, c));
        box.push_back(makeFacet(n, a, c, d));
    };
    face({0, 0, 1}, {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1});
    face({0, 0, -1}, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0});
    face({1, 0, 0}, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1});
    face({-1, 0, 0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0});
    face({0, 1, 0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0});
    face({0, -1, 0}, {x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1});
    return box;
}

void installModel(std::int32_t k, const std::vector<Facet> &facets)
{
    ModelRecord &record = ModelTable[k];
    delete[] record.facets;
    delete[] record.vertexArray;
    delete[] record.normalArray;
    record.facets = nullptr;
    record.facetCount = static_cast<std::int32_t>(facets.size());
    if (!facets.empty())
    {
        record.facets = new Facet[facets.size()];
        std::copy(facets.begin(), facets.end(), record.facets);
    }
    prepareMesh(&record);
}

void installTestScene()
{
    installModel(MODEL_BOARD, rectangleFacingZ(TEST_BOARD_LOW, TEST_BOARD_LOW, TEST_BOARD_HIGH,
                                               TEST_BOARD_HIGH, 0.0));
    installModel(MODEL_GRID,
                 rectangleFacingZ(TEST_GRID_BAR_X0, TEST_GRID_BAR_Y - TEST_GRID_BAR_HALF,
                                  TEST_GRID_BAR_X1, TEST_GRID_BAR_Y + TEST_GRID_BAR_HALF,
                                  TEST_GRID_BAR_Z));
    installModel(MODEL_STONE, rectangleFacingY(-TEST_STONE_HALF, -TEST_STONE_HALF, TEST_STONE_HALF,
                                               TEST_STONE_HALF, 0.0));
    installModel(MODEL_BLACK_WINS, rectangleFacingZ(0.0, -1.0, 3.0, 1.0, 0.0));
    installModel(MODEL_WHITE_WINS, rectangleFacingZ(4.0, -1.0, 7.0, 1.0, 0.0));
}
