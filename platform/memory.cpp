// Memory tuning for Linux with the GNU C library; no-ops with any other system or C library.
#include "platform/memory.h"

#include <cstdint>

#if defined(__linux__) && __has_include(<malloc.h>)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace
{

// Free memory at the top of the heap is kept up to this size instead of being returned.
constexpr int TRIM_THRESHOLD = 512 * 1024 * 1024;
// Blocks up to this size come from the heap, where they are reused, not from a fresh mapping
// that is unmapped again on free. Fixing it also stops the allocator from tuning the two
// thresholds itself. 32 MiB is the largest the library accepts on 64-bit systems.
constexpr int MMAP_THRESHOLD = 32 * 1024 * 1024;

constexpr std::uintptr_t HUGE_PAGE = 2 * 1024 * 1024;

} // namespace

void platformTuneAllocator()
{
#if defined(__GLIBC__) && defined(M_TRIM_THRESHOLD) && defined(M_MMAP_THRESHOLD)
    mallopt(M_MMAP_THRESHOLD, MMAP_THRESHOLD);
    mallopt(M_TRIM_THRESHOLD, TRIM_THRESHOLD);
#endif
}

void platformPreferHugePages(void *start, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    std::uintptr_t first =
        (reinterpret_cast<std::uintptr_t>(start) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(HUGE_PAGE - 1);
    if (last > first)
    {
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)start;
    (void)bytes;
#endif
}
