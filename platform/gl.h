// The GL header for the game's code. On the desktop it is epoxy's, which resolves each entry point
// on its first call; in the browser every entry point is linked in from the GL emulation already.
#pragma once

#ifdef __EMSCRIPTEN__
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#else
#include <epoxy/gl.h>
#endif
