// Tests of the reader on generated text read from memory: over-long words in every position,
// hostile and binary input, many facets, and the places where the end of the data may fall.
#include "model/stl_reader.h"
#include "tests/model/stl_messages.h"
#include "tests/model/stl_test_support.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ios>
#include <istream>
#include <random>
#include <string>
#include <streambuf>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace
{

// The 21 items of the first facet of three_facets.STL, one string each.
std::vector<std::string> facetItems()
{
    return {"facet",  "normal", "0",   "0",    "1",      "outer",   "loop",
            "vertex", "1.5",    "-2",  "0.25", "vertex", "4.5",     "-2",
            "0.25",   "vertex", "1.5", "3e2",  "0.25",   "endloop", "endfacet"};
}

// Positions of the items in facetItems().
const int KEYWORD_POSITIONS[] = {0, 1, 5, 6, 7, 11, 15, 19, 20};

struct NumberPosition
{
    int position;
    std::string_view message; // what the reader reports when this number cannot be read
};

const NumberPosition NUMBER_POSITIONS[] = {
    {2, MESSAGE_BAD_NORMAL},    {3, MESSAGE_BAD_NORMAL},    {4, MESSAGE_BAD_NORMAL},
    {8, MESSAGE_BAD_VERTEX_1},  {9, MESSAGE_BAD_VERTEX_1},  {10, MESSAGE_BAD_VERTEX_1},
    {12, MESSAGE_BAD_VERTEX_2}, {13, MESSAGE_BAD_VERTEX_2}, {14, MESSAGE_BAD_VERTEX_2},
    {16, MESSAGE_BAD_VERTEX_3}, {17, MESSAGE_BAD_VERTEX_3}, {18, MESSAGE_BAD_VERTEX_3},
};

std::string join(const std::vector<std::string> &items)
{
    std::string text;
    for (const std::string &item : items)
    {
        text += item;
        text += '\n';
    }
    return text;
}

// A whole file of one facet built from `items`.
std::string oneFacetFile(const std::vector<std::string> &items)
{
    return "solid generated\n" + join(items) + "endsolid generated\n";
}

const std::string LONG_WORD(10000, 'k');

bool isOneOfTheReports(const std::string &console)
{
    return std::any_of(std::begin(ALL_MESSAGES), std::end(ALL_MESSAGES),
                       [&](std::string_view message) { return console == stlReport(message); });
}

// Deterministic bytes of every value.
std::string garbage(std::size_t size, std::uint32_t seed)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(size, '\0');
    for (char &c : bytes)
    {
        c = static_cast<char>(byte(generator));
    }
    return bytes;
}

} // namespace

TEST(StlLongWords, ALongWordInAnyKeywordPositionReadsLikeTheKeyword)
{
    for (int position : KEYWORD_POSITIONS)
    {
        SCOPED_TRACE("item " + std::to_string(position));
        std::vector<std::string> items = facetItems();
        items[position] = LONG_WORD;
        LoadResult result = loadText(oneFacetFile(items));
        EXPECT_EQ(result.console, "");
        ASSERT_EQ(result.count, 1);
        expectFacet(result.facets[0], THREE_FACETS[0]);
    }
}

TEST(StlLongWords, ALongWordBeginningWithEndsolidEndsTheList)
{
    std::string text = "solid generated\n" + join(facetItems()) + "endsolid" + LONG_WORD + "\n" +
                       "this is not a facet\n";
    LoadResult result = loadText(text);
    EXPECT_EQ(result.console, "");
    ASSERT_EQ(result.count, 1);
    expectFacet(result.facets[0], THREE_FACETS[0]);
}

TEST(StlLongWords, ALongKeywordAtTheEndOfTheDataStillMeetsTheEnd)
{
    // The tail of an over-long word is skipped up to the end of the file: as the facet's last
    // word that ends the list, as it does after a word of normal length; as the word before, the
    // facet is cut short there.
    for (std::size_t last : {std::size_t{20}, std::size_t{19}})
    {
        SCOPED_TRACE("item " + std::to_string(last));
        std::vector<std::string> items = facetItems();
        items.resize(last + 1);
        items.back() = LONG_WORD;
        std::string text = "solid generated\n" + join(items);
        text.pop_back(); // no line feed after the last word
        LoadResult result = loadText(text);
        EXPECT_EQ(result.console, last == 20 ? "" : stlReport(MESSAGE_NO_ENDLOOP));
        EXPECT_EQ(result.count, last == 20 ? 1 : 0);
    }
}

TEST(StlLongWords, AnOverflowingNumberFailsWithThatItemsMessage)
{
    const std::string nines(10000, '9');
    for (const NumberPosition &number : NUMBER_POSITIONS)
    {
        SCOPED_TRACE("item " + std::to_string(number.position));
        std::vector<std::string> items = facetItems();
        items[number.position] = nines;
        LoadResult result = loadText(oneFacetFile(items));
        EXPECT_EQ(result.console, stlReport(number.message));
        EXPECT_EQ(result.count, 0);
        EXPECT_EQ(result.facets, nullptr);
    }
}

TEST(StlLongWords, ALongNumberOfOrdinaryValueIsReadWhole)
{
    for (const NumberPosition &number : NUMBER_POSITIONS)
    {
        SCOPED_TRACE("item " + std::to_string(number.position));
        std::vector<std::string> items = facetItems();
        // Leading zeros make a word of over 10,000 characters with the value the item had.
        std::string value = items[number.position];
        std::string sign = value[0] == '-' ? "-" : "";
        items[number.position] = sign + std::string(10000, '0') + value.substr(sign.size());
        LoadResult result = loadText(oneFacetFile(items));
        EXPECT_EQ(result.console, "");
        ASSERT_EQ(result.count, 1);
        expectFacet(result.facets[0], THREE_FACETS[0]);
    }
}

TEST(StlHostileInput, AOneMegabyteFirstLineHasNoContent)
{
    const std::string megabyte(1 << 20, 'a');
    for (const std::string &firstLine : {"solid " + megabyte, megabyte})
    {
        LoadResult result = loadText(firstLine + "\n" + join(facetItems()) + "endsolid\n");
        EXPECT_EQ(result.console, stlReport(MESSAGE_NO_CONTENT));
        EXPECT_EQ(result.count, 0);
        EXPECT_EQ(result.facets, nullptr);
    }
}

TEST(StlHostileInput, NulBytesHaveNoContent)
{
    // Too short for a first line, and longer than one.
    for (std::size_t size : {std::size_t{1}, std::size_t{100}, std::size_t{4096}})
    {
        SCOPED_TRACE(std::to_string(size) + " NUL bytes");
        LoadResult result = loadText(std::string(size, '\0'));
        EXPECT_EQ(result.console, stlReport(MESSAGE_NO_CONTENT));
        EXPECT_EQ(result.count, 0);
        EXPECT_EQ(result.facets, nullptr);
    }
}

TEST(StlHostileInput, NulBytesAfterTheFirstLineAreAWordLikeAnyOther)
{
    std::vector<std::string> items = facetItems();
    items[1] = std::string(300, '\0'); // the normal keyword: read whole, accepted
    LoadResult result = loadText(oneFacetFile(items));
    EXPECT_EQ(result.console, "");
    EXPECT_EQ(result.count, 1);
}

TEST(StlHostileInput, BinaryGarbageIsReportedAsAnyBadFile)
{
    for (std::uint32_t seed : {1u, 2u, 3u, 4u, 5u})
    {
        SCOPED_TRACE("seed " + std::to_string(seed));
        for (const std::string &text : {garbage(65536, seed), "solid x\n" + garbage(65536, seed)})
        {
            LoadResult result = loadText(text);
            EXPECT_TRUE(isOneOfTheReports(result.console)) << result.console;
            EXPECT_EQ(result.count, 0);
            EXPECT_EQ(result.facets, nullptr);
        }
    }
}

namespace
{

void appendFloats(std::string &bytes, std::initializer_list<float> values)
{
    for (float value : values)
    {
        char raw[sizeof value];
        std::memcpy(raw, &value, sizeof value);
        bytes.append(raw, sizeof raw);
    }
}

// A binary STL of the two triangles of a unit square, after the 80-byte header `header`.
std::string binaryStl(std::string header)
{
    header.resize(80, ' ');
    std::string bytes = header;
    const std::uint32_t count = 2;
    bytes.append(reinterpret_cast<const char *>(&count), sizeof count);
    appendFloats(bytes, {0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 1, 0});
    bytes.append(2, '\0'); // attribute byte count
    appendFloats(bytes, {0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 1, 0});
    bytes.append(2, '\0');
    return bytes;
}

} // namespace

TEST(StlHostileInput, ABinaryStlWhoseHeaderBeginsWithSolidHasNoContent)
{
    // Without a line feed in its first 256 bytes the binary file has no first line.
    std::string bytes = binaryStl("solid square");
    ASSERT_EQ(bytes.find('\n'), std::string::npos);
    LoadResult result = loadText(bytes);
    EXPECT_EQ(result.console, stlReport(MESSAGE_NO_CONTENT));
    EXPECT_EQ(result.count, 0);
    EXPECT_EQ(result.facets, nullptr);
}

TEST(StlHostileInput, ABinaryStlWithAFirstLineIsReportedAsABadFile)
{
    // The header ends its line: the binary records are then read as words and numbers.
    LoadResult result = loadText(binaryStl("solid square\n"));
    EXPECT_TRUE(isOneOfTheReports(result.console)) << result.console;
    EXPECT_EQ(result.count, 0);
    EXPECT_EQ(result.facets, nullptr);
}

TEST(StlEndOfData, EndsTheListWhereAFacetKeywordWouldBe)
{
    // Whatever whitespace follows the last "endfacet" before the end of the data, or none.
    for (const char *tail : {"", "\n", " ", "\r\n\t  \n", "\f\v"})
    {
        std::string text = "solid generated\n" + join(facetItems());
        text.pop_back();
        LoadResult result = loadText(text + tail);
        EXPECT_EQ(result.console, "");
        ASSERT_EQ(result.count, 1);
        expectFacet(result.facets[0], THREE_FACETS[0]);
    }
}

namespace
{

// A stream buffer that hands out `text` at the first read and then fails as a file stream's
// buffer does on a read error, by throwing.
class BreakingBuffer : public std::streambuf
{
public:
    explicit BreakingBuffer(std::string text) : text_(std::move(text)) {}

protected:
    std::streamsize xsgetn(char *out, std::streamsize size) override
    {
        if (served_)
        {
            throw std::ios_base::failure("error reading the file");
        }
        served_ = true;
        std::size_t n = std::min(text_.size(), static_cast<std::size_t>(size));
        std::memcpy(out, text_.data(), n);
        return static_cast<std::streamsize>(n);
    }

private:
    std::string text_;
    bool served_ = false;
};

} // namespace

TEST(StlEndOfData, AReadErrorWhereTheDataCouldEndIsAFailureNotTheEnd)
{
    // The data breaks off after a whole facet: right after its "endfacet", and after the line
    // feed that follows.
    struct Case
    {
        std::string tail;
        std::string_view message;
    };
    const std::string facet = join(facetItems());
    for (const Case &c : {Case{facet.substr(0, facet.size() - 1), MESSAGE_NO_ENDFACET},
                          Case{facet, MESSAGE_NO_NORMAL}})
    {
        SCOPED_TRACE(c.tail);
        BreakingBuffer buffer("solid generated\n" + c.tail);
        std::istream in(&buffer);
        LoadResult result{nullptr, UNWRITTEN_COUNT, {}};
        result.console =
            captureStdout([&] { result.facets.reset(loadStlFromStream(in, &result.count)); });
        EXPECT_EQ(result.console, stlReport(c.message));
        EXPECT_EQ(result.count, 0);
        EXPECT_EQ(result.facets, nullptr);
    }
}

TEST(StlEndOfData, FailsAnywhereInsideAFacet)
{
    // The data cut after each of a facet's first twenty items, with a line feed after the cut.
    const std::string_view expected[] = {
        MESSAGE_NO_NORMAL,    MESSAGE_BAD_NORMAL,   MESSAGE_BAD_NORMAL, MESSAGE_BAD_NORMAL,
        MESSAGE_NO_OUTER,     MESSAGE_NO_LOOP,      MESSAGE_NO_VERTEX,  MESSAGE_BAD_VERTEX_1,
        MESSAGE_BAD_VERTEX_1, MESSAGE_BAD_VERTEX_1, MESSAGE_NO_VERTEX,  MESSAGE_BAD_VERTEX_2,
        MESSAGE_BAD_VERTEX_2, MESSAGE_BAD_VERTEX_2, MESSAGE_NO_VERTEX,  MESSAGE_BAD_VERTEX_3,
        MESSAGE_BAD_VERTEX_3, MESSAGE_BAD_VERTEX_3, MESSAGE_NO_ENDLOOP, MESSAGE_NO_ENDFACET,
    };
    std::vector<std::string> items = facetItems();
    for (std::size_t kept = 1; kept <= 20; ++kept)
    {
        SCOPED_TRACE(std::to_string(kept) + " items");
        std::vector<std::string> part(items.begin(), items.begin() + static_cast<long>(kept));
        // A good facet first: it is discarded with the failure.
        LoadResult result = loadText("solid generated\n" + join(items) + join(part));
        EXPECT_EQ(result.console, stlReport(expected[kept - 1]));
        EXPECT_EQ(result.count, 0);
        EXPECT_EQ(result.facets, nullptr);
    }
}

TEST(StlEndOfData, AFacetKeywordAsTheLastBytesFailsWithNoNormal)
{
    LoadResult result = loadText("solid generated\n" + join(facetItems()) + "facet");
    EXPECT_EQ(result.console, stlReport(MESSAGE_NO_NORMAL));
    EXPECT_EQ(result.count, 0);
}

TEST(StlEndOfData, SolidThenEndsolidGivesAnEmptyModelQuietly)
{
    for (const char *text : {"solid\nendsolid", "solid\nendsolid\n", "solid name\n\n  endsolid"})
    {
        SCOPED_TRACE(text);
        LoadResult result = loadText(text);
        EXPECT_EQ(result.console, "");
        EXPECT_EQ(result.count, 0);
        EXPECT_EQ(result.facets, nullptr);
    }
}

TEST(StlFacets, ADegenerateFacetStaysWithAZeroNormal)
{
    // Two equal vertices, then three vertices on one line, between two ordinary facets.
    std::string text = "solid degenerate\n" + join(facetItems()) +
                       "facet normal 0 0 1 outer loop vertex 1 2 3 vertex 1 2 3 vertex 4 5 6 "
                       "endloop endfacet\n"
                       "facet normal 0 0 1 outer loop vertex 0 0 0 vertex 1 1 1 vertex 2 2 2 "
                       "endloop endfacet\n" +
                       join(facetItems()) + "endsolid\n";
    LoadResult result = loadText(text);
    ASSERT_EQ(result.count, 4);
    for (int i : {1, 2})
    {
        SCOPED_TRACE("facet " + std::to_string(i + 1));
        EXPECT_EQ(result.facets[i].normal[0], 0.0f);
        EXPECT_EQ(result.facets[i].normal[1], 0.0f);
        EXPECT_EQ(result.facets[i].normal[2], 0.0f);
    }
    expectVertex(result.facets[1].v3, {4, 5, 6});
    expectVertex(result.facets[2].v3, {2, 2, 2});
    expectFacet(result.facets[3], THREE_FACETS[0]);
}

TEST(StlFacets, ManyFacetsComeBackInFileOrder)
{
    // Facet i has the vertices (i, 0, 0), (i + 1, 0, 0), (i, 1, 0).
    constexpr int COUNT = 10000;
    std::string text = "solid many\n";
    for (int i = 0; i < COUNT; ++i)
    {
        std::string x = std::to_string(i);
        std::string x1 = std::to_string(i + 1);
        text += "facet normal 0 0 0 outer loop vertex " + x + " 0 0 vertex " + x1 + " 0 0 vertex " +
                x + " 1 0 endloop endfacet\n";
    }
    LoadResult result = loadText(text + "endsolid many\n");
    ASSERT_EQ(result.count, COUNT);
    for (int i = 0; i < COUNT; ++i)
    {
        const Facet &facet = result.facets[i];
        const float x = static_cast<float>(i);
        ASSERT_EQ(facet.v1[0], x) << "facet " << i;
        ASSERT_EQ(facet.v2[0], x + 1) << "facet " << i;
        ASSERT_EQ(facet.v3[0], x) << "facet " << i;
        ASSERT_EQ(facet.v3[1], 1.0f) << "facet " << i;
        ASSERT_EQ(facet.normal[2], 1.0f) << "facet " << i;
    }
}
