// Checks the STL reader's invariants over arbitrary bytes. The expected console texts are made
// here from their readable form with iconv, independently of the bytes the reader holds.
#include "tests/fuzz/reader_check.h"

#include "model/stl_reader.h"
#include "platform/console.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <iomanip>
#include <iostream>
#include <locale>
#include <memory>
#include <sstream>
#include <vector>

namespace
{

// The reader's console texts in readable form.
constexpr const char *REPORT_HEADLINE = "讀檔失敗!\n";
constexpr const char *REPORT_DESCRIPTION = "錯誤描述：";
enum FailureMessage
{
    NO_NAME,
    CANNOT_OPEN,
    NO_CONTENT,
    NO_SOLID,
    NO_NORMAL,
    BAD_NORMAL,
    NO_OUTER,
    NO_LOOP,
    NO_VERTEX,
    BAD_VERTEX_1,
    BAD_VERTEX_2,
    BAD_VERTEX_3,
    NO_ENDLOOP,
    NO_ENDFACET,
    NO_FAILURE = -1,
};
constexpr std::array<const char *, 14> FAILURE_MESSAGES = {
    "引數錯誤",
    "檔名或路徑錯誤! 無法開啟檔案!",
    "無內容",
    "格式不合(無solid)",
    "格式不合(無normal)",
    "法向量數值讀取錯誤",
    "格式不合(無outer)",
    "格式不合(無loop)",
    "格式不合(無vertex)",
    "vertex 1 數值讀取錯誤",
    "vertex 2 數值讀取錯誤",
    "vertex 3 數值讀取錯誤",
    "格式不合(無endloop)",
    "格式不合(無endfacet)",
};

std::string utf8ToBig5(const char *text)
{
    iconv_t cd = iconv_open("CP950", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
    {
        return {};
    }
    std::string out(std::strlen(text) * 2, '\0');
    char *in = const_cast<char *>(text);
    size_t inLeft = std::strlen(text);
    char *outPtr = out.data();
    size_t outLeft = out.size();
    size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1))
    {
        return {};
    }
    out.resize(out.size() - outLeft);
    return out;
}

// Every report the reader may write, as the console writes it (transcoded only when standard
// output is a terminal that does not decode Big5).
const std::vector<std::string> &possibleReports()
{
    static const std::vector<std::string> reports = []
    {
        std::vector<std::string> all;
        for (const char *message : FAILURE_MESSAGES)
        {
            all.push_back(readerReport(message));
        }
        return all;
    }();
    return reports;
}

bool isKnownReport(const std::string &output)
{
    for (const std::string &report : possibleReports())
    {
        if (output == report)
        {
            return true;
        }
    }
    return false;
}

std::string fault(const std::string &what, std::int32_t count)
{
    return what + " (count " + std::to_string(count) + ")";
}

// What the reference read gives: the facets, or the failure (NO_FAILURE on success).
struct ReferenceRead
{
    std::vector<Facet> facets;
    int failure = NO_FAILURE;
};

bool isClassicSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool startsWith(const char *text, const char *prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// The reader's algorithm written the plain way, on formatted stream extraction: the oracle the
// reader is compared with. Numbers are what `>> float` takes in the classic locale; a word longer
// than 255 characters is read whole, its first 255 kept; the data ending where a facet keyword
// would stand ends the facet list.
ReferenceRead referenceRead(std::string_view bytes)
{
    std::istringstream in{std::string(bytes)};
    in.imbue(std::locale::classic());
    ReferenceRead result;
    char buffer[256];
    auto readWord = [&]
    {
        buffer[0] = '\0';
        in >> std::setw(256) >> buffer;
        while (in.good() && in.peek() != EOF && !isClassicSpace(in.peek()))
        {
            in.get();
        }
    };
    auto failed = [&](int failure)
    {
        result.facets.clear();
        result.failure = failure;
        return result;
    };

    in.getline(buffer, 256);
    if (!in.good())
    {
        return failed(NO_CONTENT);
    }
    if (!startsWith(buffer, "solid"))
    {
        return failed(NO_SOLID);
    }
    for (;;)
    {
        readWord();
        if (in.fail() || startsWith(buffer, "endsolid"))
        {
            return result;
        }
        Facet facet;
        readWord();
        if (!in.good())
        {
            return failed(NO_NORMAL);
        }
        if (!(in >> facet.normal[0] >> facet.normal[1] >> facet.normal[2]).good())
        {
            return failed(BAD_NORMAL);
        }
        readWord();
        if (!in.good())
        {
            return failed(NO_OUTER);
        }
        readWord();
        if (!in.good())
        {
            return failed(NO_LOOP);
        }
        float *vertices[3] = {facet.v1, facet.v2, facet.v3};
        for (int i = 0; i < 3; ++i)
        {
            readWord();
            if (!in.good())
            {
                return failed(NO_VERTEX);
            }
            if (!(in >> vertices[i][0] >> vertices[i][1] >> vertices[i][2]).good())
            {
                return failed(BAD_VERTEX_1 + i);
            }
        }
        facetNormal(facet.v1, facet.v2, facet.v3, facet.normal);
        result.facets.push_back(facet);
        readWord();
        if (!in.good())
        {
            return failed(NO_ENDLOOP);
        }
        readWord();
        if (!in.good())
        {
            return failed(NO_ENDFACET);
        }
    }
}

std::string describeFailure(int failure)
{
    return failure == NO_FAILURE ? "no report" : FAILURE_MESSAGES[failure];
}

// The reader against the reference: the same report, the same facets, bit for bit.
std::string checkAgainstReference(std::string_view bytes, const Facet *facets, std::int32_t count,
                                  const std::string &output)
{
    ReferenceRead expected = referenceRead(bytes);
    std::string expectedOutput =
        expected.failure == NO_FAILURE ? std::string() : possibleReports()[expected.failure];
    if (output != expectedOutput)
    {
        return fault("the report differs from the reference's (" +
                         describeFailure(expected.failure) + ")",
                     count);
    }
    if (static_cast<size_t>(count) != expected.facets.size())
    {
        return fault("the reference reads " + std::to_string(expected.facets.size()) + " facets",
                     count);
    }
    if (count > 0 &&
        std::memcmp(facets, expected.facets.data(), sizeof(Facet) * expected.facets.size()) != 0)
    {
        return fault("a facet differs from the reference's in some bit", count);
    }
    return {};
}

// True when the first line is one the reader accepts: "solid" at its very start, at most 255
// characters, ended by a line feed.
bool hasAcceptableFirstLine(std::string_view bytes)
{
    size_t lineEnd = bytes.find('\n');
    return lineEnd != std::string_view::npos && lineEnd <= 255 && bytes.substr(0, 5) == "solid";
}

// The facets written out as an ordinary ASCII STL file, every coordinate with enough digits to
// come back as the same float.
std::string writtenOut(const Facet *facets, std::int32_t count)
{
    std::string text = "solid written\n";
    char number[32];
    for (std::int32_t i = 0; i < count; ++i)
    {
        text += "facet normal 0 0 0\nouter loop\n";
        for (const float *vertex : {facets[i].v1, facets[i].v2, facets[i].v3})
        {
            text += "vertex";
            for (int axis = 0; axis < 3; ++axis)
            {
                std::snprintf(number, sizeof number, " %.9g", static_cast<double>(vertex[axis]));
                text += number;
            }
            text += "\n";
        }
        text += "endloop\nendfacet\n";
    }
    text += "endsolid written\n";
    return text;
}

std::string checkNormals(const Facet *facets, std::int32_t count)
{
    for (std::int32_t i = 0; i < count; ++i)
    {
        float expected[3];
        facetNormal(facets[i].v1, facets[i].v2, facets[i].v3, expected);
        if (std::memcmp(expected, facets[i].normal, sizeof expected) != 0)
        {
            return fault("a stored normal is not the one computed from its vertices", count);
        }
    }
    return {};
}

std::string checkRoundTrip(const Facet *facets, std::int32_t count)
{
    std::istringstream again(writtenOut(facets, count));
    std::int32_t againCount = -1;
    Facet *againFacets = nullptr;
    std::string output =
        consoleOutputOf([&] { againFacets = loadStlFromStream(again, &againCount); });
    std::string problem;
    if (!output.empty() || againCount != count)
    {
        problem = fault("the facets written out and read again are not all read back", count);
    }
    else if (std::memcmp(againFacets, facets, sizeof(Facet) * static_cast<size_t>(count)) != 0)
    {
        problem = fault("the facets written out and read again differ in some bit", count);
    }
    delete[] againFacets;
    return problem;
}

} // namespace

std::string consoleOutputOf(const std::function<void()> &write)
{
    // The console code writes through std::cout.
    std::ostringstream captured;
    std::streambuf *saved = std::cout.rdbuf(captured.rdbuf());
    std::ios::iostate savedState = std::cout.rdstate();
    std::cout.clear();
    write();
    std::cout.rdbuf(saved);
    std::cout.clear(savedState);
    return captured.str();
}

std::string readerReport(const char *utf8Message)
{
    std::string headline = utf8ToBig5(REPORT_HEADLINE);
    std::string description = utf8ToBig5(REPORT_DESCRIPTION);
    std::string message = utf8ToBig5(utf8Message);
    if (headline.empty() || description.empty() || message.empty())
    {
        return {};
    }
    return consoleOutputOf(
        [&]
        {
            consoleWriteBig5(headline);
            consoleWriteBig5(description);
            consoleWriteBig5(message);
            consoleWriteBig5("\n");
        });
}

std::string readerFaultsOn(std::string_view bytes)
{
    std::istringstream in{std::string(bytes)};
    std::int32_t count = -1;
    Facet *facets = nullptr;
    std::string output = consoleOutputOf([&] { facets = loadStlFromStream(in, &count); });
    std::unique_ptr<Facet[]> owned(facets);

    if (count < 0)
    {
        return fault("negative facet count", count);
    }
    if ((facets == nullptr) != (count == 0))
    {
        return fault("the array and the count disagree", count);
    }
    if (!output.empty() && !isKnownReport(output))
    {
        return fault("the console shows something other than one report", count);
    }
    if (!output.empty() && count != 0)
    {
        return fault("a report was written but a model came back", count);
    }
    if (!hasAcceptableFirstLine(bytes) && (count != 0 || output.empty()))
    {
        return fault("a file without an acceptable first line was not reported", count);
    }
    std::string problem = checkAgainstReference(bytes, facets, count, output);
    if (problem.empty() && count > 0)
    {
        problem = checkNormals(facets, count);
    }
    if (problem.empty() && count > 0)
    {
        problem = checkRoundTrip(facets, count);
    }
    return problem;
}
