// Checks the STL reader's invariants over arbitrary bytes.
#include "tests/fuzz/reader_check.h"

#include "model/stl_reader.h"
#include "platform/console.h"
#include "tests/model/stl_messages.h"
#include "tests/model/stl_reference.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

namespace
{

// Every report the reader may write, as the console writes it (transcoded only when standard
// output is a terminal that does not decode Big5).
const std::vector<std::string> &possibleReports()
{
    static const std::vector<std::string> reports = []
    {
        std::vector<std::string> all;
        for (std::string_view message : ALL_MESSAGES)
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

// The reader against the reference: the same report, the same facets, bit for bit.
std::string checkAgainstReference(std::string_view bytes, const Facet *facets, std::int32_t count,
                                  const std::string &output)
{
    ReferenceRead expected = referenceReadBytes(bytes);
    std::string expectedOutput =
        expected.message.empty() ? std::string() : readerReport(expected.message);
    if (output != expectedOutput)
    {
        return fault(expected.message.empty() ? "a report where the reference reads a model"
                                              : "the report differs from the reference's",
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

std::string readerReport(std::string_view message)
{
    return consoleOutputOf([&] { consoleWriteBig5(stlReport(message)); });
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
