// The heap's way with freed memory: with glibc, a higher trim threshold; elsewhere nothing.
#include "platform/heap.h"

#include <cstdlib> // defines __GLIBC__ with glibc
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void platformKeepFreedMemory()
{
#if defined(__GLIBC__)
    // Mesa's software renderer takes its working memory for each frame from the heap and frees
    // it when the frame is done, megabytes on a full board. glibc gives the top of the heap back
    // to the system once more than 128 KB of it is free, so every frame touched fresh pages: a
    // thousand page faults a frame, more than half its time. Up to 32 MB now stay in the heap.
    mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024);
#endif
}
