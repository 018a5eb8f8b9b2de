// The memory tuning: after platformTuneAllocator, large blocks come from the heap and freed heap
// memory is kept; platformPreferHugePages marks whole 2 MiB pages of a block, and only those.
#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace
{

#if defined(__SANITIZE_ADDRESS__)
constexpr bool OWN_ALLOCATOR = true; // the sanitizer's allocator stands in for the C library's
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool OWN_ALLOCATOR = true;
#else
constexpr bool OWN_ALLOCATOR = false;
#endif
#else
constexpr bool OWN_ALLOCATOR = false;
#endif

#if defined(__GLIBC__)

TEST(AllocatorTuning, LargeBlocksComeFromTheHeapAndStayThereWhenFreed)
{
    if (OWN_ALLOCATOR)
    {
        GTEST_SKIP() << "the C library's allocator is replaced in this build";
    }
    platformTuneAllocator();
    constexpr std::size_t BLOCK = 1024 * 1024; // above the allocator's default mmap threshold
    constexpr int BLOCKS = 64;
    struct mallinfo2 before = mallinfo2();
    std::vector<void *> blocks;
    for (int i = 0; i < BLOCKS; ++i)
    {
        blocks.push_back(std::malloc(BLOCK));
        ASSERT_NE(blocks.back(), nullptr);
    }
    struct mallinfo2 allocated = mallinfo2();
    // Not one of them is a mapping of its own.
    EXPECT_EQ(allocated.hblks, before.hblks);
    EXPECT_GE(allocated.arena, before.arena + BLOCKS * BLOCK);
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it)
    {
        std::free(*it); // the last first, so that the top of the heap is freed
    }
    struct mallinfo2 freed = mallinfo2();
    // The freed top of the heap is kept for the next round instead of being handed back.
    EXPECT_EQ(freed.arena, allocated.arena);
    EXPECT_GE(freed.fordblks, BLOCKS * BLOCK);
}

#endif

#if defined(__linux__) && defined(MADV_HUGEPAGE)

constexpr std::uintptr_t HUGE_PAGE = 2 * 1024 * 1024;

// The VmFlags line of the mapping in /proc/self/smaps that holds `address`.
std::string vmFlagsAt(const void *address)
{
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    auto target = reinterpret_cast<std::uintptr_t>(address);
    while (std::getline(smaps, line))
    {
        std::uintptr_t low = 0;
        std::uintptr_t high = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> low >> dash >> high && dash == '-')
        {
            inside = low <= target && target < high;
        }
        else if (inside && line.rfind("VmFlags:", 0) == 0)
        {
            return line;
        }
    }
    return {};
}

bool markedForHugePages(const void *address)
{
    std::istringstream flags(vmFlagsAt(address));
    std::string flag;
    while (flags >> flag)
    {
        if (flag == "hg")
        {
            return true;
        }
    }
    return false;
}

char *mapped(std::size_t bytes)
{
    void *block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : static_cast<char *>(block);
}

TEST(HugePageAdvice, MarksTheWholeHugePagesInsideALargeBlock)
{
    constexpr std::size_t BYTES = 5 * HUGE_PAGE;
    char *block = mapped(BYTES);
    ASSERT_NE(block, nullptr);
    char *start = block + 4096; // not on a huge-page boundary
    platformPreferHugePages(start, BYTES - 4096);
    auto first = (reinterpret_cast<std::uintptr_t>(start) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    ASSERT_FALSE(vmFlagsAt(block).empty());
    EXPECT_TRUE(markedForHugePages(reinterpret_cast<void *>(first)));
    // The partial huge page in front of the first whole one is left alone.
    if (first - reinterpret_cast<std::uintptr_t>(start) >= 4096)
    {
        EXPECT_FALSE(markedForHugePages(start));
    }
    start[0] = 1; // the memory reads and writes as before
    start[BYTES - 4097] = 2;
    EXPECT_EQ(start[0] + start[BYTES - 4097], 3);
    munmap(block, BYTES);
}

TEST(HugePageAdvice, LeavesABlockSmallerThanAHugePageAlone)
{
    constexpr std::size_t BYTES = HUGE_PAGE / 2;
    char *block = mapped(BYTES);
    ASSERT_NE(block, nullptr);
    platformPreferHugePages(block, BYTES);
    ASSERT_FALSE(vmFlagsAt(block).empty());
    EXPECT_FALSE(markedForHugePages(block));
    munmap(block, BYTES);
}

#endif

} // namespace
