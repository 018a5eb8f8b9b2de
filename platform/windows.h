// <windows.h> as the game's Windows code takes it: without the parts the game never uses, and
// without the min and max macros, which would break std::min and std::max.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
