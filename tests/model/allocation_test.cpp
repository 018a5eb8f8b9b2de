// Tests of the sizes of the arrays the reader and prepareMesh hand over: the facet array holds
// exactly the facets read, and each flat array exactly nine floats a facet. This program
// replaces the global array new and delete to see the sizes asked for.
#include "model/model_table.h"
#include "model/stl_reader.h"
#include "tests/platform/stdout_capture.h"

#include <cstddef>
#include <cstdlib>
#include <new>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace
{

// Every array allocation made while `recording` is set, in order; a fixed table so that
// recording itself allocates nothing.
struct ArrayAllocation
{
    const void *address;
    std::size_t bytes;
};
constexpr int MAX_RECORDED = 1024;
ArrayAllocation recorded[MAX_RECORDED];
int recordedCount = 0;
bool recording = false;

void startRecording()
{
    recordedCount = 0;
    recording = true;
}

// The size asked for the array now at `address`, or -1 if it was not allocated as an array
// while recording. The latest allocation there counts: an earlier one at the same address has
// been freed since.
long long recordedBytes(const void *address)
{
    for (int i = recordedCount - 1; i >= 0; --i)
    {
        if (recorded[i].address == address)
        {
            return static_cast<long long>(recorded[i].bytes);
        }
    }
    return -1;
}

} // namespace

void *operator new[](std::size_t bytes)
{
    void *address = std::malloc(bytes == 0 ? 1 : bytes);
    if (address == nullptr)
    {
        throw std::bad_alloc();
    }
    if (recording && recordedCount < MAX_RECORDED)
    {
        recorded[recordedCount++] = {address, bytes};
    }
    return address;
}

void operator delete[](void *address) noexcept
{
    std::free(address);
}

void operator delete[](void *address, std::size_t) noexcept
{
    std::free(address);
}

namespace
{

std::string facetsText(int count)
{
    std::string text = "solid sizes\n";
    for (int i = 0; i < count; ++i)
    {
        text += "facet normal 0 0 1 outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0 "
                "endloop endfacet\n";
    }
    return text + "endsolid sizes\n";
}

} // namespace

TEST(ArraySizes, TheFacetArrayHoldsExactlyTheFacetsRead)
{
    // Counts on both sides of the growth steps of a growable list.
    for (int count : {1, 3, 5, 17, 33})
    {
        SCOPED_TRACE(std::to_string(count) + " facets");
        std::istringstream in(facetsText(count));
        std::int32_t facetCount = 0;
        startRecording();
        Facet *facets = loadStlFromStream(in, &facetCount);
        recording = false;
        ASSERT_EQ(facetCount, count);
        EXPECT_EQ(recordedBytes(facets), static_cast<long long>(count * sizeof(Facet)));
        delete[] facets;
    }
}

TEST(ArraySizes, EachFlatArrayHoldsNineFloatsAFacet)
{
    for (int count : {0, 1, 4})
    {
        SCOPED_TRACE(std::to_string(count) + " facets");
        std::istringstream in(facetsText(count));
        ModelRecord record{};
        captureStdout([&] { record.facets = loadStlFromStream(in, &record.facetCount); });
        startRecording();
        prepareMesh(&record);
        recording = false;
        const long long expected = static_cast<long long>(count) * 9 * sizeof(float);
        EXPECT_EQ(recordedBytes(record.vertexArray), expected);
        EXPECT_EQ(recordedBytes(record.normalArray), expected);
        delete[] record.vertexArray;
        delete[] record.normalArray;
        delete[] record.facets;
    }
}
