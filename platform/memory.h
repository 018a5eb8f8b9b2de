// Memory tuning: the C library's allocator at start-up, and large blocks backed by huge pages.
#pragma once

#include <cstddef>

// Keeps the heap from being handed back to the system and fetched again on every frame: the
// GL library frees and reallocates large working blocks each frame, and the default allocator
// answers each of those with system calls and fresh page faults. Called once, first thing in
// main. Has an effect with the GNU C library on Linux only; elsewhere it does nothing.
void platformTuneAllocator();

// Asks for the whole 2 MiB pages inside [start, start + bytes) to be backed by huge pages when
// first touched, so that filling a large block takes a few page faults instead of thousands.
// Only advice: the memory reads and writes the same either way. A no-op where unsupported.
void platformPreferHugePages(void *start, std::size_t bytes);
