// The ASCII STL reader. Every format problem is thrown where it is found, with its message,
// and caught once at the reader's boundary, which reports it and hands back an empty model.
#include "model/stl_reader.h"

#include "platform/console.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <istream>
#include <locale>
#include <vector>

namespace
{

// Console texts, Big5 bytes.
// 讀檔失敗!
constexpr const char *REPORT_HEADLINE = "\xc5\xaa\xc0\xc9\xa5\xa2\xb1\xd1!\n";
// 錯誤描述：
constexpr const char *REPORT_DESCRIPTION = "\xbf\xf9\xbb\x7e\xb4\x79\xad\x7a\xa1\x47";

// Failure messages, Big5 bytes, in the order the read meets them.
// 引數錯誤
constexpr const char *MSG_NO_NAME = "\xa4\xde\xbc\xc6\xbf\xf9\xbb\x7e";
// 檔名或路徑錯誤! 無法開啟檔案!
constexpr const char *MSG_CANNOT_OPEN =
    "\xc0\xc9\xa6\x57\xa9\xce\xb8\xf4\xae\x7c\xbf\xf9\xbb\x7e! \xb5\x4c\xaa\x6b\xb6\x7d\xb1\xd2\xc0\xc9\xae\xd7!";
// 無內容
constexpr const char *MSG_NO_CONTENT = "\xb5\x4c\xa4\xba\xae\x65";
// 格式不合(無solid)
constexpr const char *MSG_NO_SOLID = "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4csolid)";
// 格式不合(無normal)
constexpr const char *MSG_NO_NORMAL = "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4cnormal)";
// 法向量數值讀取錯誤
constexpr const char *MSG_BAD_NORMAL =
    "\xaa\x6b\xa6\x56\xb6\x71\xbc\xc6\xad\xc8\xc5\xaa\xa8\xfa\xbf\xf9\xbb\x7e";
// 格式不合(無outer)
constexpr const char *MSG_NO_OUTER = "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4couter)";
// 格式不合(無loop)
constexpr const char *MSG_NO_LOOP = "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4cloop)";
// 格式不合(無vertex)
constexpr const char *MSG_NO_VERTEX = "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4cvertex)";
// vertex 1 數值讀取錯誤, vertex 2 …, vertex 3 …
constexpr const char *MSG_BAD_VERTEX[3] = {
    "vertex 1 \xbc\xc6\xad\xc8\xc5\xaa\xa8\xfa\xbf\xf9\xbb\x7e",
    "vertex 2 \xbc\xc6\xad\xc8\xc5\xaa\xa8\xfa\xbf\xf9\xbb\x7e",
    "vertex 3 \xbc\xc6\xad\xc8\xc5\xaa\xa8\xfa\xbf\xf9\xbb\x7e",
};
// 格式不合(無endloop)
constexpr const char *MSG_NO_ENDLOOP = "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4c"
                                       "endloop)";
// 格式不合(無endfacet)
constexpr const char *MSG_NO_ENDFACET = "\xae\xe6\xa6\xa1\xa4\xa3\xa6\x58(\xb5\x4c"
                                        "endfacet)";

// A format failure: carries its message to the reader's boundary.
struct StlError
{
    const char *message;
};

constexpr std::streamsize BUFFER_SIZE = 256; // a line or word of 255 characters and its NUL

void require(const std::istream &in, const char *message)
{
    // After every tested read the stream must be good: the end of the file counts as a failure
    // even when the read itself delivered its word or number.
    if (!in.good())
    {
        throw StlError{message};
    }
}

bool isStlSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads one whitespace-delimited word. Its first 255 characters go into `word`; a longer word
// is still read whole, its tail skipped, so nothing is written past the buffer and the next
// read starts at the next word.
void readWord(std::istream &in, char (&word)[BUFFER_SIZE])
{
    word[0] = '\0';
    in >> std::setw(BUFFER_SIZE) >> word;
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

void readWord(std::istream &in, char (&word)[BUFFER_SIZE], const char *message)
{
    readWord(in, word);
    require(in, message);
}

void readThree(std::istream &in, float (&out)[3], const char *message)
{
    // Tested once, after the third: a failed extraction makes the following ones read nothing.
    in >> out[0] >> out[1] >> out[2];
    require(in, message);
}

bool startsWith(const char *text, const char *prefix)
{
    for (; *prefix != '\0'; ++text, ++prefix)
    {
        if (*text != *prefix)
        {
            return false;
        }
    }
    return true;
}

std::vector<Facet> readFacets(std::istream &in)
{
    // Numbers are read the same under any locale the user runs with.
    in.imbue(std::locale::classic());

    char buffer[BUFFER_SIZE];
    in.getline(buffer, BUFFER_SIZE);
    require(in, MSG_NO_CONTENT);
    if (!startsWith(buffer, "solid"))
    {
        throw StlError{MSG_NO_SOLID};
    }

    std::vector<Facet> facets;
    for (;;)
    {
        readWord(in, buffer); // the facet keyword: any word but "endsolid…" starts a facet
        if (in.fail())
        {
            break; // the data ended where the next facet would start: the facets read stand
        }
        if (startsWith(buffer, "endsolid"))
        {
            break; // nothing after it is read
        }
        Facet facet;
        readWord(in, buffer, MSG_NO_NORMAL);
        readThree(in, facet.normal, MSG_BAD_NORMAL);
        readWord(in, buffer, MSG_NO_OUTER);
        readWord(in, buffer, MSG_NO_LOOP);
        float(*vertices[3])[3] = {&facet.v1, &facet.v2, &facet.v3};
        for (int i = 0; i < 3; ++i)
        {
            readWord(in, buffer, MSG_NO_VERTEX);
            readThree(in, *vertices[i], MSG_BAD_VERTEX[i]);
        }
        // The normal in the file is not trusted: it is computed from the vertices.
        facetNormal(facet.v1, facet.v2, facet.v3, facet.normal);
        facets.push_back(facet);
        readWord(in, buffer, MSG_NO_ENDLOOP);
        readWord(in, buffer, MSG_NO_ENDFACET);
    }
    return facets;
}

// Hands the facets over as an array of exactly their number; null when there are none.
Facet *exactArray(const std::vector<Facet> &facets, std::int32_t *countOut)
{
    *countOut = static_cast<std::int32_t>(facets.size());
    if (facets.empty())
    {
        return nullptr;
    }
    Facet *array = new Facet[facets.size()];
    std::copy(facets.begin(), facets.end(), array);
    return array;
}

void report(const char *message)
{
    consoleWriteBig5(REPORT_HEADLINE);
    consoleWriteBig5(REPORT_DESCRIPTION);
    consoleWriteBig5(message);
    consoleWriteBig5("\n");
    consoleFlush();
}

// The reader's boundary: runs `read`, and turns any format failure it throws into the
// two-line report and an empty model. Exhausted memory is not caught here.
template <typename Read> Facet *readReported(Read read, std::int32_t *countOut)
{
    try
    {
        return exactArray(read(), countOut);
    }
    catch (const StlError &error)
    {
        report(error.message);
        *countOut = 0;
        return nullptr;
    }
}

} // namespace

void facetNormal(const float v1[3], const float v2[3], const float v3[3], float out[3])
{
    float e1[3] = {v2[0] - v1[0], v2[1] - v1[1], v2[2] - v1[2]};
    float e2[3] = {v3[0] - v1[0], v3[1] - v1[1], v3[2] - v1[2]};
    float n[3] = {
        e1[1] * e2[2] - e1[2] * e2[1],
        e1[2] * e2[0] - e1[0] * e2[2],
        e1[0] * e2[1] - e1[1] * e2[0],
    };
    float squared = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    float length = static_cast<float>(std::sqrt(static_cast<double>(squared)));
    // A facet without area (or with a length that is not a number) keeps its undivided normal.
    if (length > 0.0f)
    {
        n[0] /= length;
        n[1] /= length;
        n[2] /= length;
    }
    out[0] = n[0];
    out[1] = n[1];
    out[2] = n[2];
}

Facet *loadStlFromStream(std::istream &in, std::int32_t *countOut)
{
    return readReported([&] { return readFacets(in); }, countOut);
}

Facet *loadStl(const char *fileName, std::int32_t *countOut)
{
    return readReported(
        [&]
        {
            if (fileName == nullptr)
            {
                throw StlError{MSG_NO_NAME};
            }
            // Opened without line-end translation: a carriage return is an ordinary character.
            std::ifstream in(fileName, std::ios::in | std::ios::binary);
            std::error_code ignored;
            if (!in.good() || std::filesystem::is_directory(fileName, ignored))
            {
                throw StlError{MSG_CANNOT_OPEN};
            }
            return readFacets(in);
        },
        countOut);
}
