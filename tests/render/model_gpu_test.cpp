// uploadModelBuffers and drawModel in a real context: what each buffer holds, which names a
// second upload keeps, what a draw leaves bound, how many triangles it draws and how it lights
// them.
#include "model/model_gpu.h"
#include "model/model_table.h"
#include "tests/render/frame_capture.h"
#include "tests/render/gl_window.h"
#include "tests/render/test_meshes.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <vector>

namespace
{

// Five meshes of different sizes, one of them empty; the facets' normals point all ways.
std::vector<Facet> meshFor(std::int32_t k)
{
    switch (k)
    {
    case MODEL_BOARD:
        return boxFacets({-1.0, -2.0, -3.0}, {4.0, 5.0, 6.0}); // 12 facets, six normals
    case MODEL_GRID:
        return rectangleFacingY(0.0, 0.0, 10.0, 2.0, 1.5); // 2 facets
    case MODEL_STONE:
        return {makeFacet({0.6, 0.0, 0.8}, {1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}, {7.0, 8.0, 9.5})};
    case MODEL_BLACK_WINS:
        return {}; // a file that failed to load
    default:
        return rectangleFacingZ(-1.0, -1.0, 1.0, 1.0, 0.25); // 2 facets
    }
}

class ModelGpuTest : public GlWindowTest
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
            meshes[k] = meshFor(k);
            installModel(k, meshes[k]);
        }
    }

    std::vector<Facet> meshes[MODEL_COUNT]; // the facets each model was given
};

GLint bufferSize(GLuint buffer)
{
    GLint size = -1;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    return size;
}

std::vector<float> bufferFloats(GLuint buffer)
{
    std::vector<float> floats(static_cast<std::size_t>(bufferSize(buffer)) / sizeof(float));
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(floats.size() * sizeof(float)),
                       floats.data());
    return floats;
}

// Checks that `buffer` holds the corners of `facets` in order, x y z each.
void expectCornersIn(GLuint buffer, const std::vector<Facet> &facets)
{
    std::vector<float> floats = bufferFloats(buffer);
    ASSERT_EQ(floats.size(), 9 * facets.size());
    for (std::size_t i = 0; i < facets.size(); ++i)
    {
        const float *corners[3] = {facets[i].v1, facets[i].v2, facets[i].v3};
        for (int j = 0; j < 3; ++j)
        {
            for (int axis = 0; axis < 3; ++axis)
            {
                EXPECT_EQ(floats[9 * i + 3 * j + axis], corners[j][axis])
                    << "facet " << i << ", corner " << j << ", axis " << axis;
            }
        }
    }
}

// Checks that `buffer` gives each of the three corners of every facet that facet's normal.
void expectNormalsIn(GLuint buffer, const std::vector<Facet> &facets)
{
    std::vector<float> floats = bufferFloats(buffer);
    ASSERT_EQ(floats.size(), 9 * facets.size());
    for (std::size_t i = 0; i < facets.size(); ++i)
    {
        for (int j = 0; j < 3; ++j)
        {
            for (int axis = 0; axis < 3; ++axis)
            {
                EXPECT_EQ(floats[9 * i + 3 * j + axis], facets[i].normal[axis])
                    << "facet " << i << ", corner " << j << ", axis " << axis;
            }
        }
    }
}

TEST_F(ModelGpuTest, UploadGivesEveryModelTwoBuffersOfNineFloatsPerFacet)
{
    uploadModelBuffers();

    std::set<GLuint> names;
    for (std::int32_t k = 0; k < MODEL_COUNT; ++k)
    {
        SCOPED_TRACE(testing::Message() << "model " << k);
        const ModelRecord &record = ModelTable[k];
        EXPECT_TRUE(glIsBuffer(record.vertexBuffer));
        EXPECT_TRUE(glIsBuffer(record.normalBuffer));
        names.insert(record.vertexBuffer);
        names.insert(record.normalBuffer);
        GLint expected = 36 * static_cast<GLint>(meshes[k].size());
        EXPECT_EQ(bufferSize(record.vertexBuffer), expected);
        EXPECT_EQ(bufferSize(record.normalBuffer), expected);
    }
    EXPECT_EQ(names.size(), 2u * MODEL_COUNT) << "every buffer has a name of its own";
}

TEST_F(ModelGpuTest, EmptyModelGetsTwoBuffersOfSizeZero)
{
    uploadModelBuffers();

    const ModelRecord &record = ModelTable[MODEL_BLACK_WINS];
    ASSERT_EQ(record.facetCount, 0);
    EXPECT_TRUE(glIsBuffer(record.vertexBuffer));
    EXPECT_TRUE(glIsBuffer(record.normalBuffer));
    EXPECT_NE(record.vertexBuffer, record.normalBuffer);
    EXPECT_EQ(bufferSize(record.vertexBuffer), 0);
    EXPECT_EQ(bufferSize(record.normalBuffer), 0);
}

TEST_F(ModelGpuTest, VertexBufferHoldsEachFacetsCornersInOrder)
{
    uploadModelBuffers();

    for (std::int32_t k = 0; k < MODEL_COUNT; ++k)
    {
        SCOPED_TRACE(testing::Message() << "model " << k);
        expectCornersIn(ModelTable[k].vertexBuffer, meshes[k]);
    }
}

TEST_F(ModelGpuTest, NormalBufferGivesEveryCornerItsFacetsNormal)
{
    uploadModelBuffers();

    for (std::int32_t k = 0; k < MODEL_COUNT; ++k)
    {
        SCOPED_TRACE(testing::Message() << "model " << k);
        expectNormalsIn(ModelTable[k].normalBuffer, meshes[k]);
    }
}

TEST_F(ModelGpuTest, SecondUploadRefillsTheBuffersItAlreadyHas)
{
    uploadModelBuffers();
    ModelRecord before[MODEL_COUNT];
    std::copy(std::begin(ModelTable), std::end(ModelTable), before);

    // The stone model changes from one facet to a box of twelve.
    std::vector<Facet> box = boxFacets({0.0, 0.0, 0.0}, {1.0, 2.0, 3.0});
    installModel(MODEL_STONE, box);
    uploadModelBuffers();

    for (std::int32_t k = 0; k < MODEL_COUNT; ++k)
    {
        EXPECT_EQ(ModelTable[k].vertexBuffer, before[k].vertexBuffer) << "model " << k;
        EXPECT_EQ(ModelTable[k].normalBuffer, before[k].normalBuffer) << "model " << k;
    }
    expectCornersIn(ModelTable[MODEL_STONE].vertexBuffer, box);
    expectNormalsIn(ModelTable[MODEL_STONE].normalBuffer, box);
}

TEST_F(ModelGpuTest, OneNamedBufferIsEnoughToGenerateNoNames)
{
    struct Case
    {
        bool vertexNamed;
        bool normalNamed;
    };
    for (Case c : {Case{true, false}, Case{false, true}})
    {
        SCOPED_TRACE(testing::Message() << "vertex buffer named " << c.vertexNamed
                                        << ", normal buffer named " << c.normalNamed);
        clearModelTable();
        installModel(MODEL_GRID, meshFor(MODEL_GRID));
        // An existing buffer object: generated, then bound once.
        GLuint existing = 0;
        glGenBuffers(1, &existing);
        glBindBuffer(GL_ARRAY_BUFFER, existing);
        ModelRecord &record = ModelTable[MODEL_GRID];
        record.vertexBuffer = c.vertexNamed ? existing : 0;
        record.normalBuffer = c.normalNamed ? existing : 0;

        uploadModelBuffers();

        EXPECT_EQ(record.vertexBuffer, c.vertexNamed ? existing : 0u);
        EXPECT_EQ(record.normalBuffer, c.normalNamed ? existing : 0u);
        EXPECT_EQ(bufferSize(existing), 36 * 2) << "the named buffer is filled";
    }
}

TEST_F(ModelGpuTest, DrawLeavesBothArraysOffAndTheNormalBufferBound)
{
    uploadModelBuffers();
    for (std::int32_t k = 0; k < MODEL_COUNT; ++k)
    {
        SCOPED_TRACE(testing::Message() << "model " << k);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        drawModel(k);

        const ModelRecord &record = ModelTable[k];
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
        EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
        GLint bound = 0;
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), record.normalBuffer);
        // The arrays were read from the model's own two buffers.
        GLint vertexSource = 0;
        GLint normalSource = 0;
        glGetIntegerv(GL_VERTEX_ARRAY_BUFFER_BINDING, &vertexSource);
        glGetIntegerv(GL_NORMAL_ARRAY_BUFFER_BINDING, &normalSource);
        EXPECT_EQ(static_cast<GLuint>(vertexSource), record.vertexBuffer);
        EXPECT_EQ(static_cast<GLuint>(normalSource), record.normalBuffer);
    }
}

TEST_F(ModelGpuTest, DrawSubmitsThreeVerticesPerFacetAsSeparateTriangles)
{
    ASSERT_TRUE(epoxy_has_gl_extension("GL_ARB_pipeline_statistics_query"));
    uploadModelBuffers();
    GLuint queries[2];
    glGenQueries(2, queries);
    for (std::int32_t k = 0; k < MODEL_COUNT; ++k)
    {
        SCOPED_TRACE(testing::Message() << "model " << k);
        glBeginQuery(GL_PRIMITIVES_GENERATED, queries[0]);
        glBeginQuery(GL_VERTICES_SUBMITTED_ARB, queries[1]);
        drawModel(k);
        glEndQuery(GL_VERTICES_SUBMITTED_ARB);
        glEndQuery(GL_PRIMITIVES_GENERATED);

        GLuint triangles = 0;
        GLuint vertices = 0;
        glGetQueryObjectuiv(queries[0], GL_QUERY_RESULT, &triangles);
        glGetQueryObjectuiv(queries[1], GL_QUERY_RESULT, &vertices);
        EXPECT_EQ(vertices, 3 * meshes[k].size());
        EXPECT_EQ(triangles, meshes[k].size());
    }
    glDeleteQueries(2, queries);
}

TEST_F(ModelGpuTest, DrawUsesTheCurrentMatrixAndColourAndEachFacetsNormal)
{
    // Four triangles, one per quadrant of a 2 x 2 square around the origin; the left two face
    // the light (+z), the right two have their normal turned away (-z).
    std::vector<Facet> quadrants;
    const double corners[4][2] = {{-1.0, 0.0}, {0.0, 0.0}, {-1.0, -1.0}, {0.0, -1.0}};
    for (const auto &corner : corners)
    {
        double x = corner[0];
        double y = corner[1];
        Vec3 normal{0.0, 0.0, x < 0.0 ? 1.0 : -1.0};
        quadrants.push_back(makeFacet(normal, {x + 0.1, y + 0.1, 0.0}, {x + 0.9, y + 0.1, 0.0},
                                      {x + 0.1, y + 0.9, 0.0}));
    }
    installModel(MODEL_STONE, quadrants);
    uploadModelBuffers();

    // Light 0 as GL starts it: white, from +z, with the global ambient of 0.2.
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glViewport(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(0.8f, 0.8f, 0.8f); // the triangles land on 0.8 times their coordinates
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3ub(0, 255, 0);
    drawModel(MODEL_STONE);
    Frame frame = readFrame();

    auto toWindow = [](double x, double y)
    {
        return WindowPoint{(0.8 * x + 1.0) * 0.5 * WINDOW_WIDTH,
                           (0.8 * y + 1.0) * 0.5 * WINDOW_HEIGHT};
    };
    for (const auto &corner : corners)
    {
        // Near each triangle's right-angle corner: inside it.
        Rgb lit = frame.at(toWindow(corner[0] + 0.2, corner[1] + 0.2));
        bool facesLight = corner[0] < 0.0;
        SCOPED_TRACE(testing::Message()
                     << "quadrant " << corner[0] << ", " << corner[1] << ": " << lit);
        EXPECT_EQ(lit.r, 0);
        EXPECT_EQ(lit.b, 0);
        if (facesLight)
        {
            EXPECT_GE(lit.g, 250); // ambient 0.2 and full diffuse
        }
        else
        {
            EXPECT_NEAR(lit.g, 51, 2); // the global ambient only
        }
        // The quadrant's far corner lies outside its triangle and stays clear.
        Rgb outside = frame.at(toWindow(corner[0] + 0.8, corner[1] + 0.8));
        EXPECT_EQ(outside.g, 0) << outside;
    }
    // Unscaled, the top-left triangle would cover this point; scaled, it stays clear.
    Rgb beyond = frame.at(toWindow(-1.1, 0.5));
    EXPECT_EQ(beyond.g, 0) << beyond;
}

} // namespace
