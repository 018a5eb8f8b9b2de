// GLU's header, for the code that sets the projection. Kept here because on Windows it needs the
// calling-convention macros of <windows.h> (APIENTRY, WINGDIAPI) and does not include it itself.
// Include it after the GL header of the GL loader.
#pragma once

#ifdef _WIN32
#include "platform/windows.h"
#endif
#include <GL/glu.h>
