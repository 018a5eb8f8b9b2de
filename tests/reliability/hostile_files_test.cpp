// Files that are no ASCII STL at all, or are one only almost: each read through loadStl ends in
// exactly one report and no model, or (for a file that is valid after all) in the whole model.
#include "model/stl_reader.h"
#include "tests/fuzz/reader_check.h"
#include "tests/model/stl_messages.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

struct ReadResult
{
    Facet *facets = nullptr;
    std::int32_t count = -1;
    std::string console;
};

// Appends a little-endian 32-bit value, as binary STL stores its numbers.
void appendLittleEndian(std::string &bytes, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        bytes.push_back(static_cast<char>((value >> shift) & 0xff));
    }
}

void appendFloat(std::string &bytes, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendLittleEndian(bytes, bits);
}

// A binary STL file: the 80-byte header, the facet count and one 50-byte record per facet
// (normal, three vertices, attribute word), all for the triangle (0,0,0) (1,0,0) (0,1,0).
std::string binaryStl(const std::string &header, std::uint32_t facets)
{
    std::string bytes = header;
    bytes.resize(80, ' ');
    appendLittleEndian(bytes, facets);
    for (std::uint32_t i = 0; i < facets; ++i)
    {
        for (float value : {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f})
        {
            appendFloat(bytes, value);
        }
        bytes.append(2, '\0');
    }
    return bytes;
}

// One facet in the shortest form the reader takes: any word stands for each keyword.
constexpr const char *SHORT_FACET = "f n 0 0 1 o l v 0 0 0 v 1 0 0 v 0 1 0 e e\n";

// `facets` short facets after a "solid" line; the last one, if `breakLast`, with a third vertex
// that is no number.
std::string manyFacets(int facets, bool breakLast)
{
    std::string bytes = "solid many\n";
    const size_t facetLength = std::strlen(SHORT_FACET);
    bytes.reserve(bytes.size() + facetLength * static_cast<size_t>(facets) + 16);
    for (int i = 0; i < facets - 1; ++i)
    {
        bytes.append(SHORT_FACET, facetLength);
    }
    bytes += breakLast ? "f n 0 0 1 o l v 0 0 0 v 1 0 0 v 0 x 0 e e\n" : SHORT_FACET;
    bytes += "endsolid many\n";
    return bytes;
}

} // namespace

class HostileFile : public testing::Test
{
protected:
    void SetUp() override
    {
        char name[] = "/tmp/gomoku-hostile-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
    }

    void TearDown() override
    {
        delete[] result.facets;
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::string write(const char *name, const std::string &bytes)
    {
        std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    void read(const std::string &path)
    {
        result.console =
            consoleOutputOf([&] { result.facets = loadStl(path.c_str(), &result.count); });
    }

    // The read ended in no model and exactly one report, the one for `message`.
    void expectOneReport(std::string_view message)
    {
        EXPECT_EQ(result.facets, nullptr);
        EXPECT_EQ(result.count, 0);
        std::string report = readerReport(message);
        ASSERT_FALSE(report.empty());
        EXPECT_EQ(result.console, report);
    }

    std::filesystem::path folder;
    ReadResult result;
};

struct HostileCase
{
    const char *name;         // what the file is
    std::string bytes;        // the whole file
    std::string_view message; // the one report it must end in
};

class HostileFileTable : public HostileFile, public testing::WithParamInterface<HostileCase>
{
};

TEST_P(HostileFileTable, EndsInOneReport)
{
    read(write("mesh.STL", GetParam().bytes));
    expectOneReport(GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    NotAsciiStl, HostileFileTable,
    testing::Values(
        // No line feed in the first 255 bytes: the first line cannot be read whole.
        HostileCase{"BinaryStl", binaryStl("binary mesh exported", 3), MESSAGE_NO_CONTENT},
        HostileCase{"BinaryStlHeaderStartingWithSolid", binaryStl("solid part", 3),
                    MESSAGE_NO_CONTENT},
        // The header's own line feed makes a valid first line; the binary records after it
        // are one long word with no whitespace in it, and then the file ends.
        HostileCase{"BinaryStlHeaderWithSolidLine", binaryStl("solid part\n", 1),
                    MESSAGE_NO_NORMAL},
        HostileCase{"BinaryStlHeaderWithLineBeforeSolid", binaryStl("part\nsolid", 3),
                    MESSAGE_NO_SOLID},
        HostileCase{"NulBytes", std::string(4096, '\0'), MESSAGE_NO_CONTENT},
        HostileCase{"NulBytesAfterSolidLine", "solid\n" + std::string(4096, '\0'),
                    MESSAGE_NO_NORMAL},
        HostileCase{"FirstLineOfAMegabyte", "solid" + std::string(1 << 20, 'x') + "\n",
                    MESSAGE_NO_CONTENT},
        HostileCase{"WordOfTenMegabytes", "solid\n" + std::string(10 << 20, 'x'),
                    MESSAGE_NO_NORMAL},
        HostileCase{"NumberOfAMegabyteOfDigits",
                    "solid\nf n " + std::string(1 << 20, '7') + " 0 0 o l\n", MESSAGE_BAD_NORMAL}),
    [](const testing::TestParamInfo<HostileCase> &info) { return std::string(info.param.name); });

TEST_F(HostileFile, DirectoryGivenAsTheNameIsReportedAsUnopenable)
{
    std::filesystem::create_directory(folder / "circle.STL");
    read((folder / "circle.STL").string());
    expectOneReport(MESSAGE_CANNOT_OPEN);
}

TEST_F(HostileFile, MillionFacetsFailingInTheLastAreDiscardedWhole)
{
    read(write("many.STL", manyFacets(1000000, true)));
    expectOneReport(MESSAGE_BAD_VERTEX_3);
}

TEST_F(HostileFile, MillionFacetsAllValidLoadWhole)
{
    // The same file with its last facet mended: the failure above came from that facet alone.
    read(write("many.STL", manyFacets(1000000, false)));
    ASSERT_EQ(result.count, 1000000);
    ASSERT_NE(result.facets, nullptr);
    EXPECT_EQ(result.console, "");
    const Facet &last = result.facets[999999];
    EXPECT_EQ(last.v2[0], 1.0f);
    EXPECT_EQ(last.v3[1], 1.0f);
    EXPECT_EQ(last.normal[2], 1.0f);
}
