// The heap's way with freed memory.
#pragma once

// Keeps memory that is freed at the top of the heap for the next allocations instead of handing
// it back to the system at once. Called first thing in main. Does nothing where the C library
// has no such setting.
void platformKeepFreedMemory();
