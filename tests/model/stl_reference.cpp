#include "tests/model/stl_reference.h"

#include "tests/model/stl_messages.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <locale>
#include <sstream>
#include <string>

namespace
{

// Thrown with the failure's message; caught where the read started.
struct ReferenceFailure
{
    std::string_view message;
};

constexpr std::streamsize WORD_BUFFER = 256;

void require(const std::istream &in, std::string_view message)
{
    if (!in.good())
    {
        throw ReferenceFailure{message};
    }
}

bool isStlSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool startsWith(const char *text, const char *prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

void readWord(std::istream &in, char (&word)[WORD_BUFFER])
{
    word[0] = '\0';
    in >> std::setw(WORD_BUFFER) >> word;
    while (in.good())
    {
        int next = in.peek();
        if (next == std::char_traits<char>::eof() || isStlSpace(next))
        {
            break;
        }
        in.get();
    }
}

void readWord(std::istream &in, char (&word)[WORD_BUFFER], std::string_view message)
{
    readWord(in, word);
    require(in, message);
}

void readThree(std::istream &in, float (&out)[3], std::string_view message)
{
    in >> out[0] >> out[1] >> out[2];
    require(in, message);
}

std::vector<Facet> readFacets(std::istream &in)
{
    constexpr std::string_view BAD_VERTEX[3] = {MESSAGE_BAD_VERTEX_1, MESSAGE_BAD_VERTEX_2,
                                                MESSAGE_BAD_VERTEX_3};
    in.imbue(std::locale::classic());
    char buffer[WORD_BUFFER];
    in.getline(buffer, WORD_BUFFER);
    require(in, MESSAGE_NO_CONTENT);
    if (!startsWith(buffer, "solid"))
    {
        throw ReferenceFailure{MESSAGE_NO_SOLID};
    }
    std::vector<Facet> facets;
    for (;;)
    {
        readWord(in, buffer);
        if (in.fail() || startsWith(buffer, "endsolid"))
        {
            return facets;
        }
        Facet facet;
        readWord(in, buffer, MESSAGE_NO_NORMAL);
        readThree(in, facet.normal, MESSAGE_BAD_NORMAL);
        readWord(in, buffer, MESSAGE_NO_OUTER);
        readWord(in, buffer, MESSAGE_NO_LOOP);
        float(*vertices[3])[3] = {&facet.v1, &facet.v2, &facet.v3};
        for (int i = 0; i < 3; ++i)
        {
            readWord(in, buffer, MESSAGE_NO_VERTEX);
            readThree(in, *vertices[i], BAD_VERTEX[i]);
        }
        facetNormal(facet.v1, facet.v2, facet.v3, facet.normal);
        facets.push_back(facet);
        readWord(in, buffer, MESSAGE_NO_ENDLOOP);
        // The data may end right after the last word of a facet, where the next would begin.
        readWord(in, buffer);
        if (in.fail())
        {
            throw ReferenceFailure{MESSAGE_NO_ENDFACET};
        }
    }
}

template <typename Read> ReferenceRead reported(Read read)
{
    ReferenceRead result;
    try
    {
        result.facets = read();
    }
    catch (const ReferenceFailure &failure)
    {
        result.message = failure.message;
    }
    return result;
}

} // namespace

ReferenceRead referenceReadBytes(std::string_view bytes)
{
    std::istringstream in{std::string(bytes)};
    return reported([&] { return readFacets(in); });
}

ReferenceRead referenceReadFile(const char *fileName)
{
    return reported(
        [&]
        {
            if (fileName == nullptr)
            {
                throw ReferenceFailure{MESSAGE_NO_NAME};
            }
            std::ifstream in(fileName, std::ios::in | std::ios::binary);
            std::error_code ignored;
            if (!in.good() || std::filesystem::is_directory(fileName, ignored))
            {
                throw ReferenceFailure{MESSAGE_CANNOT_OPEN};
            }
            return readFacets(in);
        });
}
