// Helpers for the reader tests: one call to the reader with its console text captured, and the
// three facets that most fixture files hold.
#pragma once

#include "model/stl_reader.h"
#include "tests/platform/stdout_capture.h"

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

// What one call of the reader gave back and wrote to the console.
struct LoadResult
{
    std::unique_ptr<Facet[]> facets; // the returned array (null for none)
    std::int32_t count;              // what the reader wrote through its count pointer
    std::string console;             // everything written to standard output
};

// A count the reader never produces, so a reader that forgets to write it is caught.
inline constexpr std::int32_t UNWRITTEN_COUNT = -12345;

// Reads the file `fileName`, opened by the reader under exactly that name.
inline LoadResult loadFile(const char *fileName)
{
    LoadResult result{nullptr, UNWRITTEN_COUNT, {}};
    result.console = captureStdout([&] { result.facets.reset(loadStl(fileName, &result.count)); });
    return result;
}

// Reads `text` from memory.
inline LoadResult loadText(const std::string &text)
{
    std::istringstream in(text);
    LoadResult result{nullptr, UNWRITTEN_COUNT, {}};
    result.console =
        captureStdout([&] { result.facets.reset(loadStlFromStream(in, &result.count)); });
    return result;
}

// One vertex as three floats.
struct Vec3
{
    float x, y, z;
};

// The vertices of a facet as the file gives them, and the unit normal they imply.
struct ExpectedFacet
{
    Vec3 v1, v2, v3;
    Vec3 normal;
};

// The three facets of three_facets.STL and of every fixture made from it. The vertex values are
// what the decimal text in the files reads as; each facet lies in a plane parallel to two axes.
inline const ExpectedFacet THREE_FACETS[3] = {
    {{1.5f, -2.0f, 0.25f}, {4.5f, -2.0f, 0.25f}, {1.5f, 3e2f, 0.25f}, {0.0f, 0.0f, 1.0f}},
    {{-7.0f, 0.0f, 0.0f}, {-7.0f, 0.0f, 1e-3f}, {-7.0f, 2.5f, 0.0f}, {-1.0f, 0.0f, 0.0f}},
    {{10.0f, 8.0f, -3.0f}, {10.0f, 8.0f, -2.0f}, {11.75f, 8.0f, -3.0f}, {0.0f, 1.0f, 0.0f}},
};

inline void expectVertex(const float (&actual)[3], Vec3 expected)
{
    EXPECT_EQ(actual[0], expected.x);
    EXPECT_EQ(actual[1], expected.y);
    EXPECT_EQ(actual[2], expected.z);
}

// Vertices exactly as read; the normal to within a few units in the last place.
inline void expectFacet(const Facet &actual, const ExpectedFacet &expected)
{
    expectVertex(actual.v1, expected.v1);
    expectVertex(actual.v2, expected.v2);
    expectVertex(actual.v3, expected.v3);
    EXPECT_FLOAT_EQ(actual.normal[0], expected.normal.x);
    EXPECT_FLOAT_EQ(actual.normal[1], expected.normal.y);
    EXPECT_FLOAT_EQ(actual.normal[2], expected.normal.z);
}
