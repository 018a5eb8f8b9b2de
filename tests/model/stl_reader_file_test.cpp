// Tests of loadStl on the fixture files in tests/data (the working directory of these tests):
// every failure report byte for byte, the files it accepts, and the exact result.
#include "model/stl_reader.h"
#include "tests/model/stl_messages.h"
#include "tests/model/stl_test_support.h"

#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>

#include <gtest/gtest.h>
#include <unistd.h>

namespace
{

struct FailureCase
{
    const char *fileName;
    std::string_view message;
};

void PrintTo(const FailureCase &c, std::ostream *out)
{
    *out << '"' << c.fileName << '"';
}

// A test name made from a fixture's file name: "no_vertex_1.STL" gives "no_vertex_1".
std::string fixtureTestName(std::string fileName)
{
    if (fileName == ".")
    {
        return "directory";
    }
    fileName = fileName.substr(0, fileName.find('.'));
    for (char &c : fileName)
    {
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return fileName;
}

void expectFailure(const LoadResult &result, std::string_view message)
{
    EXPECT_EQ(result.console, stlReport(message));
    EXPECT_EQ(result.facets, nullptr);
    EXPECT_EQ(result.count, 0);
}

class LoadStlFailure : public testing::TestWithParam<FailureCase>
{
};

} // namespace

TEST_P(LoadStlFailure, ReportsItsMessageAndReturnsAnEmptyModel)
{
    expectFailure(loadFile(GetParam().fileName), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    FixtureFiles, LoadStlFailure,
    testing::Values(
        // The file cannot be opened: it does not exist, or it is a directory.
        FailureCase{"missing.STL", MESSAGE_CANNOT_OPEN}, FailureCase{".", MESSAGE_CANNOT_OPEN},
        // The first line cannot be read whole.
        FailureCase{"empty.STL", MESSAGE_NO_CONTENT},
        FailureCase{"first_line_256.STL", MESSAGE_NO_CONTENT},
        FailureCase{"first_line_255_crlf.STL", MESSAGE_NO_CONTENT},
        FailureCase{"no_line_feed.STL", MESSAGE_NO_CONTENT},
        FailureCase{"solid_without_line_feed.STL", MESSAGE_NO_CONTENT},
        // The first line does not begin with "solid" at its first byte.
        FailureCase{"no_solid.STL", MESSAGE_NO_SOLID},
        FailureCase{"blank_before_solid.STL", MESSAGE_NO_SOLID},
        FailureCase{"uppercase_solid.STL", MESSAGE_NO_SOLID},
        FailureCase{"fifth_letter_wrong.STL", MESSAGE_NO_SOLID},
        FailureCase{"short_first_line.STL", MESSAGE_NO_SOLID},
        // A facet cut short or holding something that is not a number.
        FailureCase{"no_normal.STL", MESSAGE_NO_NORMAL},
        FailureCase{"normal_not_a_number.STL", MESSAGE_BAD_NORMAL},
        FailureCase{"normal_at_end_of_file.STL", MESSAGE_BAD_NORMAL},
        FailureCase{"no_outer.STL", MESSAGE_NO_OUTER}, FailureCase{"no_loop.STL", MESSAGE_NO_LOOP},
        FailureCase{"no_vertex_1.STL", MESSAGE_NO_VERTEX},
        FailureCase{"no_vertex_2.STL", MESSAGE_NO_VERTEX},
        FailureCase{"no_vertex_3.STL", MESSAGE_NO_VERTEX},
        FailureCase{"vertex_1_not_a_number.STL", MESSAGE_BAD_VERTEX_1},
        FailureCase{"vertex_2_not_a_number.STL", MESSAGE_BAD_VERTEX_2},
        FailureCase{"vertex_3_not_a_number.STL", MESSAGE_BAD_VERTEX_3},
        FailureCase{"no_endloop.STL", MESSAGE_NO_ENDLOOP},
        FailureCase{"no_endfacet.STL", MESSAGE_NO_ENDFACET},
        // Nine good facets, then a bad second vertex: the nine are discarded with it.
        FailureCase{"tenth_facet_fails.STL", MESSAGE_BAD_VERTEX_2}),
    [](const testing::TestParamInfo<FailureCase> &info)
    { return fixtureTestName(info.param.fileName); });

TEST(LoadStlFailureWithoutFile, NoFileNameIsAnArgumentError)
{
    expectFailure(loadFile(nullptr), MESSAGE_NO_NAME);
}

TEST(LoadStlFailureWithoutFile, NamesThatAreNoReadableFileFailAsTheirFirstRead)
{
    std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("gomoku-stl-dir-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    // A directory cannot be opened under any name.
    std::filesystem::create_directories(directory / "plane.STL");
    LoadResult inDirectory = loadFile((directory / "plane.STL").c_str());
    // This opens, but reading it fails (EIO): the first line cannot be read.
    std::filesystem::create_symlink("/proc/self/mem", directory / "circle.STL");
    LoadResult unreadable = loadFile((directory / "circle.STL").c_str());
    std::filesystem::remove_all(directory);
    expectFailure(inDirectory, MESSAGE_CANNOT_OPEN);
    expectFailure(unreadable, MESSAGE_NO_CONTENT);
}

namespace
{

class LoadStlThreeFacets : public testing::TestWithParam<const char *>
{
};

} // namespace

// Every one of these files holds the facets of three_facets.STL, written differently.
TEST_P(LoadStlThreeFacets, ReadsTheFacetsInFileOrderWithComputedNormals)
{
    LoadResult result = loadFile(GetParam());
    EXPECT_EQ(result.console, "");
    ASSERT_EQ(result.count, 3);
    ASSERT_NE(result.facets, nullptr);
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE("facet " + std::to_string(i + 1));
        expectFacet(result.facets[i], THREE_FACETS[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FixtureFiles, LoadStlThreeFacets,
    testing::Values(
        "three_facets.STL",
        // opened under its name as given, with a space in it
        "name with space.STL",
        // readable normals that are wrong: the vertices decide
        "wrong_normals.STL",
        // any word in a keyword position
        "misspelt_keywords.STL",
        // line ends of carriage return and line feed
        "crlf_lines.STL",
        // tabs, vertical tabs, form feeds, carriage returns and blank lines between the items
        "whitespace_variety.STL",
        // "solidX": only the first five characters are compared
        "solid_followed_by_letters.STL",
        // first lines of 255 characters: 255 letters, or 254 and a carriage return
        "first_line_255.STL", "first_line_254_crlf.STL",
        // "endsolidXYZ" ends the list; the facet after it is not read
        "endsolid_with_suffix.STL",
        // "endsolid" as the last bytes of the file
        "endsolid_no_line_feed.STL",
        // a second solid after the first "endsolid" is not read
        "second_solid.STL",
        // the data ends where the next facet keyword would be, with no "endsolid"
        "no_endsolid.STL",
        // the same, right after the last "endfacet", with no line feed
        "ends_at_endfacet.STL"),
    [](const testing::TestParamInfo<const char *> &info) { return fixtureTestName(info.param); });

TEST(LoadStlEmptySolid, GivesNoFacetsANullArrayAndNoReport)
{
    LoadResult result = loadFile("empty_solid.STL");
    EXPECT_EQ(result.count, 0);
    EXPECT_EQ(result.facets, nullptr);
    EXPECT_EQ(result.console, "");
}

TEST(LoadStlCalls, AreIndependentOfEachOther)
{
    // A failed read leaves nothing behind that the next read could see, and the other way round.
    LoadResult failed = loadFile("tenth_facet_fails.STL");
    LoadResult good = loadFile("three_facets.STL");
    LoadResult failedAgain = loadFile("tenth_facet_fails.STL");
    EXPECT_EQ(failed.console, stlReport(MESSAGE_BAD_VERTEX_2));
    EXPECT_EQ(good.console, "");
    EXPECT_EQ(good.count, 3);
    EXPECT_EQ(failedAgain.console, failed.console);
    EXPECT_EQ(failedAgain.count, 0);
}
