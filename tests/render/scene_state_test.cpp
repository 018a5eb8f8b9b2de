// initScene and onReshape in a real context: the capabilities, light, material and clear colour
// set once, the models uploaded, and the viewport, perspective, light position and camera
// distance set on every resize.
#include "model/model_table.h"
#include "render/scene.h"
#include "tests/render/frame_capture.h"
#include "tests/render/gl_window.h"
#include "tests/render/test_meshes.h"
#include "tests/render/view_math.h"

#include <epoxy/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>

namespace
{

using Rgba = std::array<GLfloat, 4>;

void expectRgba(const GLfloat *actual, Rgba expected)
{
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_FLOAT_EQ(actual[i], expected[i]) << "component " << i;
    }
}

class InitSceneTest : public GlWindowTest
{
protected:
    void SetUp() override
    {
        GlWindowTest::SetUp();
        if (IsSkipped())
        {
            return;
        }
        installModel(MODEL_BOARD, boxFacets({0.0, 0.0, 0.0}, {100.0, 100.0, 1.0}));
        installModel(MODEL_GRID, rectangleFacingZ(0.0, 0.0, 1.0, 1.0, 2.0));
        installModel(MODEL_STONE, boxFacets({-4.0, 0.0, -4.0}, {4.0, 2.0, 4.0}));
        installModel(MODEL_BLACK_WINS, {});
        installModel(MODEL_WHITE_WINS, rectangleFacingZ(0.0, 0.0, 3.0, 1.0, 0.0));
        initScene();
    }
};

TEST_F(InitSceneTest, EnablesDepthTestCullingLightingColourMaterialAndNormalize)
{
    struct Capability
    {
        GLenum cap;
        const char *name;
    };
    const Capability capabilities[] = {
        {GL_DEPTH_TEST, "GL_DEPTH_TEST"},
        {GL_CULL_FACE, "GL_CULL_FACE"},
        {GL_LIGHTING, "GL_LIGHTING"},
        {GL_LIGHT0, "GL_LIGHT0"},
        {GL_COLOR_MATERIAL, "GL_COLOR_MATERIAL"},
        {GL_NORMALIZE, "GL_NORMALIZE"},
    };
    for (const Capability &c : capabilities)
    {
        EXPECT_TRUE(glIsEnabled(c.cap)) << c.name;
    }
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1)) << "light 0 is the only light";
}

TEST_F(InitSceneTest, CullsTheBacksOfCounterClockwiseFacets)
{
    GLint frontFace = 0;
    GLint cullMode = 0;
    GLint depthFunc = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    glGetIntegerv(GL_CULL_FACE_MODE, &cullMode);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(frontFace, GL_CCW);
    EXPECT_EQ(cullMode, GL_BACK);
    EXPECT_EQ(depthFunc, GL_LESS);
}

TEST_F(InitSceneTest, LightZeroHasItsAmbientDiffuseAndSpecularColours)
{
    struct Case
    {
        GLenum parameter;
        const char *name;
        Rgba colour;
    };
    const Case cases[] = {
        {GL_AMBIENT, "GL_AMBIENT", {0.3f, 0.3f, 0.3f, 1.0f}},
        {GL_DIFFUSE, "GL_DIFFUSE", {0.7f, 0.7f, 0.7f, 1.0f}},
        {GL_SPECULAR, "GL_SPECULAR", {1.0f, 1.0f, 1.0f, 1.0f}},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        GLfloat actual[4];
        glGetLightfv(GL_LIGHT0, c.parameter, actual);
        expectRgba(actual, c.colour);
    }
}

TEST_F(InitSceneTest, CurrentColourBecomesTheFrontAmbientAndDiffuse)
{
    GLint face = 0;
    GLint parameter = 0;
    glGetIntegerv(GL_COLOR_MATERIAL_FACE, &face);
    glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &parameter);
    EXPECT_EQ(face, GL_FRONT);
    EXPECT_EQ(parameter, GL_AMBIENT_AND_DIFFUSE);

    GLfloat backBefore[4];
    glGetMaterialfv(GL_BACK, GL_AMBIENT, backBefore);
    glColor3ub(139, 69, 19);
    const Rgba brown = {139.0f / 255.0f, 69.0f / 255.0f, 19.0f / 255.0f, 1.0f};
    GLfloat actual[4];
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, actual);
    expectRgba(actual, brown);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, actual);
    expectRgba(actual, brown);
    // The back material does not follow the colour.
    glGetMaterialfv(GL_BACK, GL_AMBIENT, actual);
    expectRgba(actual, {backBefore[0], backBefore[1], backBefore[2], backBefore[3]});
}

TEST_F(InitSceneTest, FrontMaterialHasWhiteHighlightsOfShininess128)
{
    GLfloat specular[4];
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    expectRgba(specular, {1.0f, 1.0f, 1.0f, 1.0f});
    GLint shininess = 0;
    glGetMaterialiv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 128);
}

TEST_F(InitSceneTest, ClearsToLightCream)
{
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    expectRgba(clear, {1.0f, 0.93f, 0.835f, 1.0f});

    glClear(GL_COLOR_BUFFER_BIT);
    Frame frame = readFrame();
    Rgb pixel = frame.at(WINDOW_WIDTH / 2, WINDOW_HEIGHT / 2);
    EXPECT_EQ(pixel.r, 255);
    EXPECT_EQ(pixel.g, 237); // 0.93 of 255
    EXPECT_EQ(pixel.b, 213); // 0.835 of 255
}

TEST_F(InitSceneTest, UploadsEveryModelAndLeavesTheLastNormalBufferBound)
{
    for (std::int32_t k = 0; k < MODEL_COUNT; ++k)
    {
        const ModelRecord &record = ModelTable[k];
        EXPECT_TRUE(glIsBuffer(record.vertexBuffer)) << "model " << k;
        EXPECT_TRUE(glIsBuffer(record.normalBuffer)) << "model " << k;
    }
    GLint bound = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), ModelTable[MODEL_WHITE_WINS].normalBuffer);
}

// What onReshape sets, read back from GL.
struct ReshapeState
{
    GLint viewport[4];
    Mat4 projection;
    Mat4 modelview;
    GLfloat lightPosition[4];
    GLint matrixMode;
};

ReshapeState readReshapeState()
{
    ReshapeState state{};
    glGetIntegerv(GL_VIEWPORT, state.viewport);
    state.projection = readGlMatrix(GL_PROJECTION_MATRIX);
    state.modelview = readGlMatrix(GL_MODELVIEW_MATRIX);
    glGetLightfv(GL_LIGHT0, GL_POSITION, state.lightPosition);
    glGetIntegerv(GL_MATRIX_MODE, &state.matrixMode);
    return state;
}

// gluPerspective with the window's field of view and clipping planes, as GL stores it.
Mat4 expectedPerspective(double aspect)
{
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45.0, aspect, 1.0, 225.0);
    Mat4 perspective = readGlMatrix(GL_PROJECTION_MATRIX);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(mode));
    return perspective;
}

// Leaves GL's matrices and light position somewhere onReshape must not build on.
void disturbTheMatrices()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(3.0f, -7.0f, 11.0f);
    const GLfloat elsewhere[4] = {1.0f, 2.0f, 3.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, elsewhere);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
}

using ReshapeTest = GlWindowTest;

TEST_F(ReshapeTest, SetsViewportPerspectiveLightAndCameraFromTheWindowSize)
{
    struct Case
    {
        int width, height;
        int viewportHeight; // a height of 0 is taken as 1
        float aspect;       // width / height in single precision
    };
    const Case cases[] = {
        {800, 600, 600, 800.0f / 600.0f},
        {640, 0, 1, 640.0f}, // folded flat: the aspect is the width
        {0, 600, 600, 0.0f}, // no width: an aspect of 0, which gluPerspective ignores
        {300, 1000, 1000, 0.3f},
        {1280, 1024, 1024, 1.25f},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(testing::Message() << "window " << c.width << " x " << c.height);
        disturbTheMatrices();
        onReshape(c.width, c.height);
        ReshapeState state = readReshapeState();

        EXPECT_EQ(state.viewport[0], 0);
        EXPECT_EQ(state.viewport[1], 0);
        EXPECT_EQ(state.viewport[2], c.width);
        EXPECT_EQ(state.viewport[3], c.viewportHeight);
        Mat4 perspective = expectedPerspective(static_cast<double>(c.aspect));
        Mat4 camera = cameraMatrix();
        for (int i = 0; i < 16; ++i)
        {
            EXPECT_EQ(state.projection.m[i], perspective.m[i]) << "projection element " << i;
            EXPECT_EQ(state.modelview.m[i], camera.m[i]) << "modelview element " << i;
        }
        // Given with the identity loaded: eye coordinates, untouched by the camera distance.
        const GLfloat light[4] = {-50.0f, 50.0f, 100.0f, 1.0f};
        for (int i = 0; i < 4; ++i)
        {
            EXPECT_EQ(state.lightPosition[i], light[i]) << "light position component " << i;
        }
        EXPECT_EQ(state.matrixMode, GL_MODELVIEW);
    }
}

TEST_F(ReshapeTest, SeveralResizesLeaveTheSameStateAsOne)
{
    onReshape(800, 600);
    ReshapeState once = readReshapeState();

    onReshape(320, 240);
    onReshape(1000, 0);
    onReshape(0, 50);
    onReshape(800, 600);
    ReshapeState several = readReshapeState();

    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(several.viewport[i], once.viewport[i]) << "viewport " << i;
        EXPECT_EQ(several.lightPosition[i], once.lightPosition[i]) << "light position " << i;
    }
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(several.projection.m[i], once.projection.m[i]) << "projection element " << i;
        EXPECT_EQ(several.modelview.m[i], once.modelview.m[i]) << "modelview element " << i;
    }
}

} // namespace
