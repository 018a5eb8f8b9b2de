// Tests of the facet normal computed from three vertices: exact axis cases, facets without
// area, and general triangles against a double-precision reference.
#include "model/stl_reader.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace
{

struct Triangle
{
    float v1[3];
    float v2[3];
    float v3[3];
};

struct ExactCase
{
    const char *what;
    Triangle triangle;
    float normal[3];
};

std::string describe(const Triangle &t)
{
    std::ostringstream text;
    for (const float *v : {t.v1, t.v2, t.v3})
    {
        text << "(" << v[0] << ", " << v[1] << ", " << v[2] << ") ";
    }
    return text.str();
}

} // namespace

TEST(FacetNormal, PointsToTheSideWhereTheVerticesRunCounterClockwise)
{
    const ExactCase cases[] = {
        {"x then y", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 0, 1}},
        {"y then x", {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 0, -1}},
        {"y then z", {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {1, 0, 0}},
        {"z then y", {{0, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {-1, 0, 0}},
        {"z then x, moved away from the origin", {{5, -3, 2}, {5, -3, 6}, {7, -3, 2}}, {0, 1, 0}},
        {"the same, started from the second vertex",
         {{5, -3, 6}, {7, -3, 2}, {5, -3, 2}},
         {0, 1, 0}},
        // Single-precision steps, each rounded on its own: fused multiply-adds would change the
        // last bit of two components.
        {"a general triangle, to the bit",
         {{-0.001f, 0.002f, 0.0005f}, {0.003f, -0.001f, 0.002f}, {0.0007f, 0.004f, -0.003f}},
         {0x1.56db36p-2f, 0x1.7a48e6p-1f, 0x1.2b6d86p-1f}},
    };
    for (const ExactCase &c : cases)
    {
        SCOPED_TRACE(c.what);
        float normal[3] = {9, 9, 9};
        facetNormal(c.triangle.v1, c.triangle.v2, c.triangle.v3, normal);
        EXPECT_EQ(normal[0], c.normal[0]);
        EXPECT_EQ(normal[1], c.normal[1]);
        EXPECT_EQ(normal[2], c.normal[2]);
    }
}

TEST(FacetNormal, IsTheZeroVectorForAFacetWithoutArea)
{
    const ExactCase cases[] = {
        {"first and second vertex equal", {{1, 2, 3}, {1, 2, 3}, {4, 5, 6}}, {0, 0, 0}},
        {"second and third vertex equal", {{1, 2, 3}, {4, 5, 6}, {4, 5, 6}}, {0, 0, 0}},
        {"first and third vertex equal", {{1, 2, 3}, {4, 5, 6}, {1, 2, 3}}, {0, 0, 0}},
        {"all three equal", {{7, 7, 7}, {7, 7, 7}, {7, 7, 7}}, {0, 0, 0}},
        {"on one line through the origin", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {0, 0, 0}},
        {"on one line, out of order", {{1, 2, 3}, {3, 6, 9}, {2, 4, 6}}, {0, 0, 0}},
    };
    for (const ExactCase &c : cases)
    {
        SCOPED_TRACE(c.what);
        float normal[3] = {9, 9, 9};
        facetNormal(c.triangle.v1, c.triangle.v2, c.triangle.v3, normal);
        EXPECT_EQ(normal[0], 0.0f);
        EXPECT_EQ(normal[1], 0.0f);
        EXPECT_EQ(normal[2], 0.0f);
    }
}

TEST(FacetNormal, LeavesTheCrossProductUndividedWhenItsLengthIsNotANumber)
{
    // A coordinate that is not a number spoils two components and the length; the component
    // that does not depend on it stays the plain cross product: 2 * 3 - 0 * 0.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float v1[3] = {nan, 0, 0};
    const float v2[3] = {0, 2, 0};
    const float v3[3] = {0, 0, 3};
    float normal[3];
    facetNormal(v1, v2, v3, normal);
    EXPECT_EQ(normal[0], 6.0f);
    EXPECT_TRUE(std::isnan(normal[1]));
    EXPECT_TRUE(std::isnan(normal[2]));
}

TEST(FacetNormal, MatchesADoublePrecisionReferenceForGeneralTriangles)
{
    const Triangle triangles[] = {
        {{0.1f, 0.2f, 0.3f}, {1.7f, -0.4f, 2.9f}, {-3.3f, 2.2f, 0.05f}},
        {{12.5f, -7.25f, 3.0f}, {-4.0f, 9.5f, 1.125f}, {6.0f, 6.0f, -11.0f}},
        {{100.0f, 100.0f, 0.0f}, {101.0f, 100.3f, 0.7f}, {99.2f, 101.1f, 0.4f}},
        {{-0.001f, 0.002f, 0.0005f}, {0.003f, -0.001f, 0.002f}, {0.0007f, 0.004f, -0.003f}},
        {{1e4f, 2e4f, -3e4f}, {-2e4f, 5e3f, 1e4f}, {3e4f, -1e4f, 2e4f}},
        // Edges whose products underflow or overflow single precision: the cross product's
        // length is tiny, infinite or not a number there.
        {{0, 0, 0}, {1e-20f, 0, 0}, {0, 1e-20f, 1e-20f}},
        {{1e19f, 0, 0}, {0, 1e19f, 0}, {0, 0, 1e19f}},
        {{1e20f, 0, 0}, {0, 1e20f, 0}, {0, 0, 1e20f}},
        {{3e38f, 0, 0}, {0, 3e38f, 0}, {0, 0, 3e38f}},
        {{-3e38f, -3e38f, 1}, {3e38f, -3e38f, 0}, {-3e38f, 3e38f, 0}}, // edges over FLT_MAX
    };
    for (const Triangle &t : triangles)
    {
        SCOPED_TRACE(describe(t));
        double e1[3], e2[3];
        for (int i = 0; i < 3; ++i)
        {
            e1[i] = static_cast<double>(t.v2[i]) - t.v1[i];
            e2[i] = static_cast<double>(t.v3[i]) - t.v1[i];
        }
        double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                       e1[0] * e2[1] - e1[1] * e2[0]};
        double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);

        float normal[3];
        facetNormal(t.v1, t.v2, t.v3, normal);
        for (int i = 0; i < 3; ++i)
        {
            EXPECT_NEAR(normal[i], n[i] / length, 8 * FLT_EPSILON) << "component " << i;
        }
        double unit = std::sqrt(static_cast<double>(normal[0]) * normal[0] +
                                static_cast<double>(normal[1]) * normal[1] +
                                static_cast<double>(normal[2]) * normal[2]);
        EXPECT_NEAR(unit, 1.0, 4 * FLT_EPSILON);
    }
}
