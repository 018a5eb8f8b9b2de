// The scene's fixed GL state, set once, and the projection, set again on every resize.
#include "render/scene.h"

#include "model/model_gpu.h"
#include "render/stone_buffers.h"
#include "render/transforms.h"

#include "platform/gl.h"
// After epoxy's GL header, which stands in for the system's.
#include "platform/glu.h"
#include <GL/freeglut_std.h>

namespace
{

constexpr GLfloat LIGHT_AMBIENT[4] = {0.3f, 0.3f, 0.3f, 1.0f};
constexpr GLfloat LIGHT_DIFFUSE[4] = {0.7f, 0.7f, 0.7f, 1.0f};
constexpr GLfloat LIGHT_SPECULAR[4] = {1.0f, 1.0f, 1.0f, 1.0f};
// Eye coordinates: left of, above and behind the viewer, fixed while the board turns.
constexpr GLfloat LIGHT_POSITION[4] = {-50.0f, 50.0f, 100.0f, 1.0f};
constexpr GLfloat MATERIAL_SPECULAR[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr GLint MATERIAL_SHININESS = 128; // the tightest highlight GL allows

constexpr double NEAR_PLANE = 1.0;
constexpr double FAR_PLANE = 225.0;

#ifdef __EMSCRIPTEN__
bool sceneReady = false;
#endif

} // namespace

void initScene()
{
    // Depth-tested, back faces culled (STL facets run counter-clockwise seen from outside), one
    // white light, materials that follow the current colour with white highlights, a light
    // cream background, and normals kept unit length under the frame's scales.
    glEnable(GL_DEPTH_TEST);
    glFrontFace(GL_CCW);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT0, GL_AMBIENT, LIGHT_AMBIENT);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, LIGHT_DIFFUSE);
    glLightfv(GL_LIGHT0, GL_SPECULAR, LIGHT_SPECULAR);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glMaterialfv(GL_FRONT, GL_SPECULAR, MATERIAL_SPECULAR);
    glMateriali(GL_FRONT, GL_SHININESS, MATERIAL_SHININESS);
    glClearColor(1.0f, 0.93f, 0.835f, 1.0f);
    glEnable(GL_NORMALIZE);

    uploadModelBuffers();
    uploadStoneBuffers();
#ifdef __EMSCRIPTEN__
    sceneReady = true;
#endif
}

void onReshape(int width, int height)
{
    int h = height == 0 ? 1 : height; // no division by zero for a window folded flat
    glViewport(0, 0, width, h);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    float aspect = static_cast<float>(width) / static_cast<float>(h);
    gluPerspective(FIELD_OF_VIEW, static_cast<double>(aspect), NEAR_PLANE, FAR_PLANE);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Stated with the identity loaded, so the light stays put relative to the viewer.
    glLightfv(GL_LIGHT0, GL_POSITION, LIGHT_POSITION);
    glTranslatef(0.0f, 0.0f, -CAMERA_DISTANCE);
#ifdef __EMSCRIPTEN__
    // A canvas given a new size is cleared: the page, which draws only when asked, draws it again
    // (once the scene is set up: the start-up's own resizes come before its first frame).
    if (sceneReady)
    {
        glutPostRedisplay();
    }
#endif
}
