// The reference reader: every word taken by `>> setw(256)` (the rest of a longer word passed
// over), every number by `>> float`, and the data ending where a facet would start ends the list.
// A failure is thrown as its message.
#include "tests/model/stl_reference.h"

#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <iomanip>
#include <sstream>

namespace
{

// Reads a word as `>> setw(256)` does and passes over the rest of a longer one.
std::istream &word(std::istream &in, char (&w)[256])
{
    in >> std::setw(256) >> w;
    while (in.good() && in.peek() != EOF &&
           std::string_view("\t\n\v\f\r ").find(char(in.peek())) == std::string::npos)
        in.get();
    return in;
}

// Fails with `message` unless the last read succeeded and more data follows.
void need(const std::istream &in, std::string_view message)
{
    if (!in.good())
        throw message;
}

std::vector<Facet> readFacets(std::istream &in)
{
    char w[256] = "";
    need(in.getline(w, sizeof w), "無內容");
    if (std::strncmp(w, "solid", 5) != 0)
        throw std::string_view("格式不合(無solid)");
    std::vector<Facet> facets;
    for (word(in, w); !in.fail() && std::strncmp(w, "endsolid", 8) != 0; word(in, w))
    {
        Facet f;
        need(word(in, w), "格式不合(無normal)");
        need(in >> f.normal[0] >> f.normal[1] >> f.normal[2], "法向量數值讀取錯誤");
        need(word(in, w), "格式不合(無outer)");
        need(word(in, w), "格式不合(無loop)");
        need(word(in, w), "格式不合(無vertex)");
        need(in >> f.v1[0] >> f.v1[1] >> f.v1[2], "vertex 1 數值讀取錯誤");
        need(word(in, w), "格式不合(無vertex)");
        need(in >> f.v2[0] >> f.v2[1] >> f.v2[2], "vertex 2 數值讀取錯誤");
        need(word(in, w), "格式不合(無vertex)");
        need(in >> f.v3[0] >> f.v3[1] >> f.v3[2], "vertex 3 數值讀取錯誤");
        need(word(in, w), "格式不合(無endloop)");
        if (word(in, w).fail()) // the data may end right after a facet's last word
            throw std::string_view("格式不合(無endfacet)");
        facetNormal(f.v1, f.v2, f.v3, f.normal);
        facets.push_back(f);
    }
    return facets;
}

} // namespace

std::string stlReport(std::string_view message)
{
    std::string text = "讀檔失敗!\n錯誤描述：" + std::string(message) + "\n",
                big5(text.size(), '\0');
    char *in = text.data(), *out = big5.data();
    std::size_t inLeft = text.size(), outLeft = big5.size();
    iconv_t cd = iconv_open("CP950", "UTF-8");
    const bool converted = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return converted ? big5.substr(0, big5.size() - outLeft) : "(no Big5)";
}

ReferenceRead referenceRead(std::string_view bytes)
try
{
    std::istringstream in{std::string(bytes)};
    in.imbue(std::locale::classic());
    return {readFacets(in), {}};
}
catch (std::string_view message)
{
    return {{}, message};
}

std::string differenceFromReference(std::string_view bytes, const std::string &console,
                                    const Facet *facets, std::int32_t count)
{
    ReferenceRead want = referenceRead(bytes);
    std::size_t n = want.facets.size();
    bool same = console == (want.message.empty() ? "" : stlReport(want.message)) &&
                count == std::int32_t(n) && (facets == nullptr) == (n == 0) &&
                (n == 0 || std::memcmp(facets, want.facets.data(), n * sizeof(Facet)) == 0);
    return same ? ""
                : "the reference reads " + std::to_string(n) + " facets, reports \"" +
                      std::string(want.message) + "\"";
}
