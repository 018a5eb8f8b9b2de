// The STL reader against a reference reader built on formatted stream extraction: both must
// accept and reject the same files, report the same failure and read the same facets, bit for
// bit, over hand-picked edge cases and thousands of generated and mutated files.
#include "model/stl_reader.h"
#include "tests/fuzz/reader_check.h"
#include "tests/model/stl_messages.h"
#include "tests/model/stl_reference.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{

// ---------------------------------------------------------------------------------------------
// The reader under test, its console output captured.

// Everything the reader hands back: the array, the count and what it wrote to standard output.
struct Observed
{
    std::vector<Facet> facets;
    bool nullResult = false;
    std::int32_t count = -1;
    std::string output;
};

template <typename Load> Observed observe(Load load)
{
    Observed observed;
    Facet *facets = nullptr;
    observed.output = consoleOutputOf([&] { facets = load(&observed.count); });
    observed.nullResult = facets == nullptr;
    if (facets != nullptr && observed.count > 0)
    {
        observed.facets.assign(facets, facets + observed.count);
    }
    delete[] facets;
    return observed;
}

Observed readBytes(const std::string &bytes)
{
    std::istringstream in(bytes);
    return observe([&](std::int32_t *count) { return loadStlFromStream(in, count); });
}

Observed readFile(const char *fileName)
{
    return observe([&](std::int32_t *count) { return loadStl(fileName, count); });
}

// The two report lines for a message, as the console writes them here (none for no message).
std::string expectedReport(std::string_view message)
{
    return message.empty() ? std::string() : readerReport(message);
}

std::string printable(const std::string &bytes)
{
    std::string out;
    for (unsigned char c : bytes.substr(0, 400))
    {
        if (c >= 32 && c < 127)
        {
            out += static_cast<char>(c);
        }
        else
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    return bytes.size() > 400 ? out + "... (" + std::to_string(bytes.size()) + " bytes)" : out;
}

// Compares what the reader did with what the reference says it must do.
::testing::AssertionResult sameAsReference(const Observed &observed, const ReferenceRead &reference)
{
    std::string want = expectedReport(reference.message);
    if (observed.output != want)
    {
        return ::testing::AssertionFailure() << "console output '" << printable(observed.output)
                                             << "', reference '" << printable(want) << "'";
    }
    if (observed.count != static_cast<std::int32_t>(reference.facets.size()))
    {
        return ::testing::AssertionFailure()
               << "count " << observed.count << ", reference " << reference.facets.size();
    }
    if (observed.nullResult != reference.facets.empty())
    {
        return ::testing::AssertionFailure()
               << "null result " << observed.nullResult << " with count " << observed.count;
    }
    for (std::size_t i = 0; i < reference.facets.size(); ++i)
    {
        if (std::memcmp(&observed.facets[i], &reference.facets[i], sizeof(Facet)) != 0)
        {
            return ::testing::AssertionFailure() << "facet " << i << " differs in its bits";
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult bytesReadAlike(const std::string &bytes)
{
    ::testing::AssertionResult result =
        sameAsReference(readBytes(bytes), referenceReadBytes(bytes));
    if (!result)
    {
        result << "\n  file: '" << printable(bytes) << "'";
    }
    return result;
}

// A temporary file that is removed when the test is done with it.
struct TempFile
{
    std::filesystem::path path;
    explicit TempFile(const std::string &bytes)
    {
        static int serial = 0;
        path = std::filesystem::temp_directory_path() /
               ("stl_diff_" + std::to_string(::getpid()) + "_" + std::to_string(serial++) + ".STL");
        std::ofstream(path, std::ios::binary) << bytes;
    }
    ~TempFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

// ---------------------------------------------------------------------------------------------
// Building files.

std::string facetText(const std::string &normal, const std::string &v1, const std::string &v2,
                      const std::string &v3)
{
    return "facet normal " + normal + "\n outer loop\n  vertex " + v1 + "\n  vertex " + v2 +
           "\n  vertex " + v3 + "\n endloop\nendfacet\n";
}

const std::string ONE_FACET = facetText("0 0 1", "0 0 0", "1 0 0", "0 1 0");

std::string solidOf(const std::string &body)
{
    return "solid test\n" + body + "endsolid test\n";
}

// A hand-picked file and what stream extraction makes of it: the count read, or the failure.
struct EdgeCase
{
    const char *name;
    std::string bytes;
    int count;                // facets read on success; -1 on failure
    std::string_view message; // the failure's message, empty on success
};

std::vector<EdgeCase> edgeCases()
{
    std::string line255 = "solid" + std::string(250, 'n');
    std::string longWord(300, 'w');
    std::string ten;
    for (int i = 0; i < 9; ++i)
    {
        ten += ONE_FACET;
    }
    return {
        {"EmptySolid", "solid x\nendsolid x\n", 0, {}},
        {"EmptyFile", "", -1, MESSAGE_NO_CONTENT},
        {"FirstLineOf255", line255 + "\nendsolid\n", 0, {}},
        {"FirstLineOf256", line255 + "n\nendsolid\n", -1, MESSAGE_NO_CONTENT},
        {"FirstLineOf255EndedByFile", line255, -1, MESSAGE_NO_CONTENT},
        {"SolidWithoutLineFeed", "solid", -1, MESSAGE_NO_CONTENT},
        {"EmptyFirstLine", "\nsolid\nendsolid\n", -1, MESSAGE_NO_SOLID},
        {"BlankBeforeSolid", " solid\nendsolid\n", -1, MESSAGE_NO_SOLID},
        {"SolidFollowedByLetters", "solidify\nendsolid\n", 0, {}},
        {"NulInFirstLine", std::string("sol\0id\nendsolid\n", 16), -1, MESSAGE_NO_SOLID},
        {"CarriageReturns",
         "solid x\r\nfacet normal 0 0 1\r\nouter loop\r\nvertex 0 0 0\r\n"
         "vertex 1 0 0\r\nvertex 0 1 0\r\nendloop\r\nendfacet\r\nendsolid\r\n",
         1,
         {}},
        {"MisspeltKeywords",
         "solid\nf n 0 0 1 o l v 0 0 0 v 1 0 0 v 0 1 0 el ef\nendsolid\n",
         1,
         {}},
        {"KeywordsWithSuffixes",
         "solid\nfacet normals 0 0 1 outer2 loop_ vertexA 0 0 0 vertexB 1 0 "
         "0 vertexC 0 1 0 endloops endfacets\nendsolid\n",
         1,
         {}},
        {"EndsolidWithSuffix", "solid\n" + ONE_FACET + "endsolidXYZ more words", 1, {}},
        {"EndsolidAtEndOfFile", "solid\n" + ONE_FACET + "endsolid", 1, {}},
        {"SecondSolidIgnored", solidOf(ONE_FACET) + solidOf(ONE_FACET + ONE_FACET), 1, {}},
        {"DataEndsAfterLastFacet", "solid\n" + ONE_FACET, 1, {}},
        {"DataEndsAfterSolidLine", "solid\n", 0, {}},
        {"DataEndsInWhitespace", "solid\n \t\n\v\f\r\n", 0, {}},
        {"DataEndsAtEndfacet", "solid\n" + ONE_FACET.substr(0, ONE_FACET.size() - 1), 1, {}},
        {"DataEndsAfterEndloop", "solid\n" + ONE_FACET.substr(0, ONE_FACET.find("endfacet")), -1,
         MESSAGE_NO_ENDFACET},
        {"DataEndsAtLastNumber", "solid\n" + ONE_FACET.substr(0, ONE_FACET.find("\n endloop")), -1,
         MESSAGE_BAD_VERTEX_3},
        {"DataEndsAtFacetKeyword", "solid\nfacet", -1, MESSAGE_NO_NORMAL},
        {"DataEndsAfterFacetKeyword", "solid\nfacet\n", -1, MESSAGE_NO_NORMAL},
        {"DataEndsAtNormalKeyword", "solid\nfacet normal", -1, MESSAGE_NO_NORMAL},
        {"DataEndsBeforeOuter", "solid\nfacet normal 0 0 1 ", -1, MESSAGE_NO_OUTER},
        {"DataEndsBeforeLoop", "solid\nfacet normal 0 0 1 outer ", -1, MESSAGE_NO_LOOP},
        {"DataEndsBeforeVertex", "solid\nfacet normal 0 0 1 outer loop ", -1, MESSAGE_NO_VERTEX},
        {"TenthFacetFails", solidOf(ten + facetText("0 0 1", "0 0 0", "1 0 x", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_2},
        {"NormalNotANumber", solidOf(facetText("a b c", "0 0 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_NORMAL},
        {"WrongButReadableNormal",
         solidOf(facetText("7 -8 9e3", "0 0 0", "1 0 0", "0 1 0")),
         1,
         {}},
        {"DegenerateFacet", solidOf(facetText("0 0 1", "1 1 1", "1 1 1", "2 2 2")), 1, {}},
        {"LongWordReadWhole",
         "solid\nfacet normal 0 0 1 " + longWord +
             " loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0 endloop "
             "endfacet\nendsolid\n",
         1,
         {}},
        {"LongEndsolidWord", "solid\n" + ONE_FACET + "endsolid" + longWord, 1, {}},
        {"LongWordAtEndOfFile", "solid\n" + ONE_FACET + std::string(255, 'f'), -1,
         MESSAGE_NO_NORMAL},
        {"NumbersGluedToWords",
         "solid\nfacet normal 0 0 1outer loop vertex 0 0 0vertex 1 0 "
         "0vertex 0 1 0 endloop endfacet\nendsolid\n",
         1,
         {}},
        // The 'e' of "endloop" continues the number as its exponent, which has no digits.
        {"NumberGluedToEndloop",
         "solid\nfacet normal 0 0 1 outer loop vertex 0 0 0 vertex 1 0 "
         "0 vertex 0 1 0endloop endfacet\nendsolid\n",
         -1, MESSAGE_BAD_VERTEX_3},
        {"NumbersGluedBySigns", solidOf(facetText("0+0-1", "0+1+2", "1-0-0", "0 1 0")), 1, {}},
        {"TwoPoints", solidOf(facetText("0 0 1", "1.5.5 0", "1 0 0", "0 1 0")), 1, {}},
        {"TwoExponents", solidOf(facetText("0 0 1", "1e5e3 0 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_1},
        {"HexNotRead", solidOf(facetText("0 0 1", "0x1p3 0 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_1},
        {"SignsAndPoints",
         solidOf(facetText("+1 -2 +.5", "5. .5 -.5e1", "007 00.5 -0", "1E5 1e+5 1e-5")),
         1,
         {}},
        {"FloatLimits",
         solidOf(facetText("3.4028235e38 -3.4028235e38 1.17549435e-38", "1e-46 -1e-50 1.4e-45",
                           "1e-40 7e-46 0e99999",
                           "0.000000000000000000000000000000000000000001 0 1")),
         1,
         {}},
        {"LongDigitRun",
         solidOf(facetText("0 0 1", std::string(400, '7') + "e-390 0 0",
                           "0." + std::string(500, '3') + " 0 1", "0 1 0")),
         1,
         {}},
        {"TwentyDigitNumbers",
         solidOf(
             facetText("0 0 1", "18446744073709551617 0 0", "-36893488147419103233 1 0", "0 1 0")),
         1,
         {}},
        {"ScalesBeyondTen",
         solidOf(facetText("1e-11 1e11 0.00000000001", "123456789e-12 1.5e10 16777217",
                           "16777216 0.1e-10 9.87654321", "0 1 0")),
         1,
         {}},
        {"NulInsideWords",
         std::string("solid\nfacet nor\0mal 0 0 1 outer lo\0op vertex 0 0 0 "
                     "vertex 1 0 0 vertex 0 1 0 endloop endfacet\nendsolid\n",
                     103),
         1,
         {}},
        {"GluedPointForms", solidOf(facetText("0 0 1", "5.+.5-1.e1", "1 0 0", "0 1 0")), 1, {}},
        {"GluedOutOfRange",
         solidOf(facetText("0 0 1", "1e-99+2e-50-0.0e-999", "1 0 0", "0 1 0")),
         1,
         {}},
        {"GluedOverflow", solidOf(facetText("0 0 1", "1e-99+2e50-0 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_1},
        {"ExponentWithoutDigits", solidOf(facetText("1e 0 1", "0 0 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_NORMAL},
        {"ExponentSignWithoutDigits", solidOf(facetText("0 0 0", "1e+ 0 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_1},
        {"LonePoint", solidOf(facetText("0 0 0", "0 0 0", ". 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_2},
        {"LoneSign", solidOf(facetText("0 0 0", "0 0 0", "1 0 0", "0 + 0")), -1,
         MESSAGE_BAD_VERTEX_3},
        {"DoubleSign", solidOf(facetText("0 0 0", "+-1 0 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_1},
        {"Infinity", solidOf(facetText("0 0 0", "inf 0 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_1},
        {"NegativeInfinity", solidOf(facetText("0 0 0", "-inf 0 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_1},
        {"NotANumber", solidOf(facetText("0 0 0", "0 0 0", "nan 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_2},
        {"Overflow", solidOf(facetText("0 0 0", "1e39 0 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_1},
        {"NegativeOverflow", solidOf(facetText("0 0 0", "0 -3.5e38 0", "1 0 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_1},
        {"HugeExponent",
         solidOf(facetText("0 0 0", "1 0 0", "1 1e99999999999999999999 0", "0 1 0")), -1,
         MESSAGE_BAD_VERTEX_2},
    };
}

// ---------------------------------------------------------------------------------------------
// Generated files.

using Random = std::mt19937;

int uniform(Random &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool chance(Random &random, double probability)
{
    return std::bernoulli_distribution(probability)(random);
}

std::string digits(Random &random, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
    {
        out += static_cast<char>('0' + uniform(random, 0, 9));
    }
    return out;
}

std::string formatted(const char *format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Unusual number texts, valid and not.
const char *const ODD_NUMBERS[] = {
    "1e",    "1e+",           "1E-",           ".",      "+",       "-",       "inf",
    "nan",   "-inf",          "+-1",           "--2",    "1e39",    "-3.5e38", "3.4028235e38",
    "1e-46", "1.4e-45",       "1e-40",         "-0",     "007.5",   ".5",      "5.",
    "1E5",   "+.5",           "-.e1",          "0x1p3",  "1.5.5",   "1e5e3",   "0+1",
    "00",    "0e0",           "1e0005",        ".e1",    "0.",      "+0.0e-0", "1e-",
    "9e-45", "3.40282357e38", "1.1754942e-38", "-7e-46", "2.5e-39", "1ee2",    "1.e2",
};

std::string randomNumber(Random &random)
{
    switch (uniform(random, 0, 9))
    {
    case 0:
    case 1:
        return formatted("%e", std::uniform_real_distribution<double>(-200.0, 200.0)(random));
    case 2:
        return formatted("%.1f", std::uniform_real_distribution<double>(-99.0, 99.0)(random));
    case 3:
        return std::to_string(uniform(random, -1000, 1000));
    case 4:
    {
        // Any float's bits, printed so that they read back exactly, denormals included.
        std::uint32_t bits = std::uniform_int_distribution<std::uint32_t>()(random);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value))
        {
            return "1";
        }
        return formatted("%.9g", static_cast<double>(value));
    }
    case 5:
    {
        // Many digits: values that fall close to halfway between two floats.
        std::string text =
            (chance(random, 0.3) ? "-" : "") + digits(random, uniform(random, 1, 12));
        text += "." + digits(random, uniform(random, 10, 40));
        if (chance(random, 0.5))
        {
            text += "e" + std::to_string(uniform(random, -50, 40));
        }
        return text;
    }
    case 6:
        return ODD_NUMBERS[uniform(random, 0, std::size(ODD_NUMBERS) - 1)];
    case 7:
    {
        std::string text = chance(random, 0.2) ? "+" : (chance(random, 0.2) ? "-" : "");
        text += std::string(uniform(random, 0, 3), '0') + digits(random, uniform(random, 0, 4));
        if (chance(random, 0.6))
        {
            text += "." + digits(random, uniform(random, 0, 4));
        }
        if (chance(random, 0.4))
        {
            text += chance(random, 0.5) ? "e" : "E";
            text += chance(random, 0.5) ? (chance(random, 0.5) ? "+" : "-") : "";
            text += digits(random, uniform(random, 0, 3));
        }
        return text;
    }
    default:
        return formatted("%g", std::uniform_real_distribution<double>(-1e6, 1e6)(random));
    }
}

std::string randomSpace(Random &random)
{
    static const char *const SPACES[] = {" ",  " ",  " ",  "  ",     "\n",    "\r\n",
                                         "\t", "\v", "\f", "\n    ", "\r\n\t"};
    return SPACES[uniform(random, 0, std::size(SPACES) - 1)];
}

std::string randomWord(Random &random, const char *keyword)
{
    int pick = uniform(random, 0, 40);
    if (pick > 3)
    {
        return keyword;
    }
    if (pick == 0)
    {
        return std::string(uniform(random, 250, 270), 'k');
    }
    std::string word;
    int length = uniform(random, 1, 10);
    for (int i = 0; i < length; ++i)
    {
        word += static_cast<char>(uniform(random, 33, 126));
    }
    return word;
}

std::string randomFacet(Random &random, bool oddNumbers)
{
    auto number = [&] {
        return oddNumbers ? randomNumber(random)
                          : formatted("%e", uniform(random, -999, 999) / 7.0);
    };
    auto three = [&]
    {
        return number() + randomSpace(random) + number() + randomSpace(random) + number() +
               randomSpace(random);
    };
    std::string text = randomWord(random, "facet") + randomSpace(random);
    text += randomWord(random, "normal") + randomSpace(random) + three();
    text += randomWord(random, "outer") + randomSpace(random);
    text += randomWord(random, "loop") + randomSpace(random);
    for (int i = 0; i < 3; ++i)
    {
        text += randomWord(random, "vertex") + randomSpace(random) + three();
    }
    text += randomWord(random, "endloop") + randomSpace(random);
    text += randomWord(random, "endfacet") + randomSpace(random);
    return text;
}

std::string randomFile(Random &random, int facets, double oddNumbers)
{
    std::string text;
    switch (uniform(random, 0, 30))
    {
    case 0:
        text = " solid x\n";
        break;
    case 1:
        text = "solid" + std::string(uniform(random, 249, 252), 'n') + "\n";
        break;
    case 2:
        text = "solid x\r\n";
        break;
    default:
        text = "solid name\n";
    }
    for (int i = 0; i < facets; ++i)
    {
        text += randomFacet(random, chance(random, oddNumbers));
    }
    switch (uniform(random, 0, 5))
    {
    case 0:
        break; // the data simply ends
    case 1:
        text += "endsolid";
        break;
    case 2:
        text += "endsolid name\nsolid second\n" + randomFacet(random, false) + "endsolid\n";
        break;
    default:
        text += "endsolid name\n";
    }
    return text;
}

// Tokens that a mutation drops into a file.
const char *const MUTATION_TOKENS[] = {
    "endsolid", "endsolidX", "facet", "vertex", "\n",  "\r",          " ",   "\t",
    "1e",       "1e+",       ".",     "+",      "inf", "nan",         "0x1", "1e39",
    "1e-46",    "-",         "e",     "E5",     "0",   "99999999999",
};

std::string mutate(Random &random, std::string text)
{
    int mutations = uniform(random, 1, 3);
    for (int m = 0; m < mutations && !text.empty(); ++m)
    {
        std::size_t at = std::uniform_int_distribution<std::size_t>(0, text.size() - 1)(random);
        switch (uniform(random, 0, 5))
        {
        case 0:
            text.erase(at, static_cast<std::size_t>(uniform(random, 1, 8)));
            break;
        case 1:
            text.insert(at, MUTATION_TOKENS[uniform(random, 0, std::size(MUTATION_TOKENS) - 1)]);
            break;
        case 2:
            text[at] = static_cast<char>(uniform(random, 0, 255));
            break;
        case 3:
            text.resize(at);
            break;
        case 4:
            if (std::isspace(static_cast<unsigned char>(text[at])) != 0)
            {
                text.erase(at, 1); // glue two items together
            }
            break;
        default:
            text.insert(at, randomNumber(random));
            break;
        }
    }
    return text;
}

// Reads every file both ways and tallies what the reference made of them.
struct Tally
{
    int accepted = 0;
    int rejected = 0;
    std::set<std::string> messages;
};

void expectAllReadAlike(const std::vector<std::string> &files, Tally &tally)
{
    for (const std::string &bytes : files)
    {
        ReferenceRead reference = referenceReadBytes(bytes);
        ASSERT_TRUE(sameAsReference(readBytes(bytes), reference))
            << "\n  file: '" << printable(bytes) << "'";
        if (reference.message.empty())
        {
            ++tally.accepted;
        }
        else
        {
            ++tally.rejected;
            tally.messages.insert(std::string(reference.message));
        }
    }
}

// ---------------------------------------------------------------------------------------------

TEST(StlReaderDifferential, ReferenceReadsEdgeCasesAsStreamsDo)
{
    for (const EdgeCase &edge : edgeCases())
    {
        SCOPED_TRACE(edge.name);
        ReferenceRead reference = referenceReadBytes(edge.bytes);
        EXPECT_EQ(reference.message.empty() ? static_cast<int>(reference.facets.size()) : -1,
                  edge.count);
        EXPECT_EQ(reference.message, edge.message);
    }
}

TEST(StlReaderDifferential, EdgeCasesReadAlikeFromStreamsAndFiles)
{
    for (const EdgeCase &edge : edgeCases())
    {
        SCOPED_TRACE(edge.name);
        EXPECT_TRUE(bytesReadAlike(edge.bytes));
        TempFile file(edge.bytes);
        EXPECT_TRUE(
            sameAsReference(readFile(file.path.c_str()), referenceReadFile(file.path.c_str())));
    }
}

TEST(StlReaderDifferential, UnopenableFilesReportAlike)
{
    std::filesystem::path missing = std::filesystem::temp_directory_path() / "no such mesh.STL";
    std::filesystem::path folder = std::filesystem::temp_directory_path();
    const char *names[] = {nullptr, missing.c_str(), folder.c_str()};
    for (const char *name : names)
    {
        SCOPED_TRACE(name == nullptr ? "(null)" : name);
        ReferenceRead reference = referenceReadFile(name);
        ASSERT_FALSE(reference.message.empty());
        EXPECT_TRUE(sameAsReference(readFile(name), reference));
    }
}

TEST(StlReaderDifferential, GeneratedFilesReadAlike)
{
    Random random(20240611u);
    std::vector<std::string> files;
    for (int i = 0; i < 2000; ++i)
    {
        files.push_back(randomFile(random, uniform(random, 0, 6), 0.5));
    }
    Tally tally;
    expectAllReadAlike(files, tally);
    // The generator must give both outcomes, or the comparison proves little.
    EXPECT_GT(tally.accepted, 200);
    EXPECT_GT(tally.rejected, 200);
}

TEST(StlReaderDifferential, MutatedFilesReadAlike)
{
    Random random(77031u);
    std::vector<std::string> files;
    for (int i = 0; i < 3000; ++i)
    {
        files.push_back(mutate(random, randomFile(random, uniform(random, 1, 4), 0.1)));
    }
    Tally tally;
    expectAllReadAlike(files, tally);
    EXPECT_GT(tally.accepted, 100);
    EXPECT_GT(tally.rejected, 1000);
    // Failures are met at every step of the read, not just one.
    EXPECT_GE(tally.messages.size(), 12u);
}

TEST(StlReaderDifferential, LargeFilesReadAlike)
{
    // Files of several hundred kilobytes, so that words and numbers straddle every place where
    // the reader fetches more of the file; some are mutated near their end.
    Random random(5150u);
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i)
    {
        std::string text = randomFile(random, uniform(random, 2500, 4000), 0.2);
        files.push_back(i % 3 == 0 ? text : mutate(random, text));
    }
    std::string many = "solid big\n";
    for (int i = 0; i < 5000; ++i)
    {
        many += ONE_FACET;
    }
    files.push_back(many + "endsolid big\n");
    files.push_back(many);
    files.push_back(many.substr(0, many.size() - 1));
    // Single items longer than any sensible read-ahead: digits, a word and whitespace.
    std::string hugeNumber = "0." + std::string(700000, '1');
    files.push_back(solidOf(facetText("0 0 1", hugeNumber + " 0 0", "1 0 0", "0 1 0")));
    files.push_back("solid\nfacet normal 0 0 1 " + hugeNumber);
    files.push_back(
        solidOf(facetText("0 0 1", "0 0 0", "1 0 0", "0 1 0 " + std::string(600000, 'x'))));
    files.push_back(solidOf(ONE_FACET + std::string(600000, ' ') + ONE_FACET));
    files.push_back("solid\n" + ONE_FACET + std::string(600000, '\n'));
    Tally tally;
    expectAllReadAlike(files, tally);
    EXPECT_GT(tally.accepted, 3);
    EXPECT_GT(tally.rejected, 2);
}

} // namespace
