// Tests of prepareMesh: the flat vertex and normal arrays it builds from a record's facets.
#include "model/model_table.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

// Facets whose every float differs: float k of facet i (normal first, then v1, v2, v3) is
// i * 100 + k, with the normal made negative so it cannot pass for a vertex.
std::vector<Facet> distinctFacets(int count)
{
    std::vector<Facet> facets(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
    {
        Facet &facet = facets[static_cast<std::size_t>(i)];
        float *fields[4] = {facet.normal, facet.v1, facet.v2, facet.v3};
        for (int field = 0; field < 4; ++field)
        {
            for (int axis = 0; axis < 3; ++axis)
            {
                float value = static_cast<float>(i * 100 + field * 3 + axis);
                fields[field][axis] = field == 0 ? -value : value;
            }
        }
    }
    return facets;
}

// A record as loading leaves it: facets and count set, everything else zero.
ModelRecord loadedRecord(Facet *facets, std::int32_t count)
{
    ModelRecord record{};
    record.facets = facets;
    record.facetCount = count;
    return record;
}

void releaseArrays(ModelRecord &record)
{
    delete[] record.vertexArray;
    delete[] record.normalArray;
}

} // namespace

TEST(PrepareMesh, LaysOutEachFacetsVerticesWithItsNormalOnEveryVertex)
{
    for (int count : {1, 2, 7})
    {
        SCOPED_TRACE(std::to_string(count) + " facets");
        std::vector<Facet> facets = distinctFacets(count);
        ModelRecord record = loadedRecord(facets.data(), count);
        prepareMesh(&record);
        ASSERT_NE(record.vertexArray, nullptr);
        ASSERT_NE(record.normalArray, nullptr);
        for (int i = 0; i < count; ++i)
        {
            const Facet &facet = facets[static_cast<std::size_t>(i)];
            const float *vertices[3] = {facet.v1, facet.v2, facet.v3};
            for (int j = 0; j < 3; ++j)
            {
                for (int axis = 0; axis < 3; ++axis)
                {
                    // vertex 3i + j of the arrays is vertex j + 1 of facet i
                    int index = (3 * i + j) * 3 + axis;
                    EXPECT_EQ(record.vertexArray[index], vertices[j][axis])
                        << "facet " << i << " vertex " << j + 1 << " axis " << axis;
                    EXPECT_EQ(record.normalArray[index], facet.normal[axis])
                        << "facet " << i << " vertex " << j + 1 << " axis " << axis;
                }
            }
        }
        releaseArrays(record);
    }
}

TEST(PrepareMesh, LeavesTheFacetsTheCountAndTheBuffersAsTheyWere)
{
    std::vector<Facet> facets = distinctFacets(3);
    const std::vector<Facet> before = facets;
    ModelRecord record = loadedRecord(facets.data(), 3);
    record.vertexBuffer = 11;
    record.normalBuffer = 12;
    prepareMesh(&record);
    EXPECT_EQ(record.facets, facets.data());
    EXPECT_EQ(record.facetCount, 3);
    EXPECT_EQ(record.vertexBuffer, 11u);
    EXPECT_EQ(record.normalBuffer, 12u);
    for (std::size_t i = 0; i < facets.size(); ++i)
    {
        EXPECT_EQ(std::memcmp(&facets[i], &before[i], sizeof(Facet)), 0) << "facet " << i;
    }
    releaseArrays(record);
}

TEST(PrepareMesh, GivesAnEmptyModelTwoSeparateNonNullArrays)
{
    ModelRecord record = loadedRecord(nullptr, 0);
    prepareMesh(&record);
    EXPECT_NE(record.vertexArray, nullptr);
    EXPECT_NE(record.normalArray, nullptr);
    EXPECT_NE(record.vertexArray, record.normalArray);
    EXPECT_EQ(record.facets, nullptr);
    EXPECT_EQ(record.facetCount, 0);
    releaseArrays(record);
}
