// The ASCII STL reader. The file streams through a window of bytes that is scanned in place;
// every format problem is thrown where it is found, with its message, and caught once at the
// reader's boundary, which reports it and hands back an empty model.
#include "model/stl_reader.h"

#include "model/float_chars.h"
#include "platform/console.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>
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

constexpr std::size_t BUFFER_SIZE = 256;      // a line or word of 255 characters and its NUL
constexpr std::size_t WINDOW_SIZE = 1 << 18;  // bytes of the file in view at once
constexpr std::size_t NUMBER_LOOKAHEAD = 128; // kept in view before a number, unless at the end

// The whitespace of the classic locale: space, tab, line feed, carriage return, vertical tab
// and form feed. Every other byte, those above 127 included, belongs to a word.
constexpr bool isStlSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The same test as a table lookup, for the scanning loops: measurably faster there than the six
// comparisons on files of short decimal numbers (docs/performance.md).
struct SpaceTable
{
    bool space[256];
};

constexpr SpaceTable makeSpaceTable()
{
    SpaceTable table{};
    for (int c = 0; c < 256; ++c)
    {
        table.space[c] = isStlSpace(static_cast<unsigned char>(c));
    }
    return table;
}

constexpr SpaceTable SPACES = makeSpaceTable();

bool isSpace(char c)
{
    return SPACES.space[static_cast<unsigned char>(c)];
}

bool isDigit(int c)
{
    return c >= '0' && c <= '9';
}

// The file's bytes in view: [pos, end) of `window` is what has been fetched from the stream
// buffer and not yet read, and a NUL always follows it at `end`. The NUL stops every scanning
// loop (it is neither whitespace nor a digit), so the loops need no bounds test of their own;
// a loop that stops on a NUL checks whether it is the one at `end`. `drained` stays set once
// the stream buffer has run dry or failed, and `broken` once it failed: the data then stops
// there too, but that is not its end, and no read that meets it succeeds.
struct Source
{
    std::streambuf *from;
    std::unique_ptr<char[]> window; // WINDOW_SIZE bytes and the NUL after them
    char *pos;
    char *end;
    bool drained;
    bool broken;
};

// Moves the unread bytes to the front of the window and fetches more behind them. False when
// nothing more could be fetched, at the end of the data or after a read error.
bool fill(Source &source)
{
    if (source.drained)
    {
        return false;
    }
    char *front = source.window.get();
    std::size_t kept = static_cast<std::size_t>(source.end - source.pos);
    std::memmove(front, source.pos, kept);
    source.pos = front;
    source.end = front + kept;
    std::streamsize got = 0;
    try
    {
        got = source.from->sgetn(source.end, static_cast<std::streamsize>(WINDOW_SIZE - kept));
    }
    catch (const std::ios_base::failure &)
    {
        // A file stream's buffer throws this when reading the file fails (EIO, say). What it
        // had fetched before is lost with it, so the data stops here, broken.
        source.broken = true;
    }
    if (got > 0)
    {
        source.end += got;
    }
    else
    {
        source.drained = true;
    }
    *source.end = '\0';
    return got > 0;
}

// The next byte without taking it, or -1 at the end of the data.
int peekByte(Source &source)
{
    if (source.pos == source.end && !fill(source))
    {
        return -1;
    }
    return static_cast<unsigned char>(*source.pos);
}

// Passes over whitespace. False when the data ends first.
[[gnu::always_inline]] inline bool skipSpace(Source &source)
{
    for (;;)
    {
        char *p = source.pos;
        while (isSpace(*p))
        {
            ++p;
        }
        source.pos = p;
        if (p < source.end)
        {
            return true;
        }
        if (!fill(source))
        {
            return false;
        }
    }
}

// The first whitespace byte at or after `p`, or `end`.
char *wordEnd(char *p, const char *end)
{
    for (;;)
    {
        while (*p != '\0' && !isSpace(*p))
        {
            ++p;
        }
        if (*p != '\0' || p == end)
        {
            return p;
        }
        ++p; // a NUL inside the word
    }
}

// The first line, as a line read into the 256-character buffer: it must end with a line feed
// (taken and not stored) after at most 255 characters.
void readFirstLine(Source &source, char (&line)[BUFFER_SIZE])
{
    std::size_t stored = 0;
    line[0] = '\0';
    for (;;)
    {
        int c = peekByte(source);
        if (c == -1)
        {
            throw StlError{MSG_NO_CONTENT}; // an empty file, or a line the file's end cuts off
        }
        ++source.pos;
        if (c == '\n')
        {
            break;
        }
        if (stored == BUFFER_SIZE - 1)
        {
            throw StlError{MSG_NO_CONTENT}; // longer than 255 characters
        }
        line[stored++] = static_cast<char>(c);
    }
    line[stored] = '\0';
}

// Reads the word in the place of a facet keyword. Its first 255 characters go into `word`; a
// longer word is still read whole, its tail passed over, so nothing is written past the buffer
// and the next read starts at the next word. False when the data ends before a word; a word
// that runs to the very end of the data, or to a read error, is read. A read error before the
// word fails the file: that is no end of the data, and with the keyword unread the facet's next
// word cannot be read either, which is the failure reported. (After a word cut short by one,
// that next read fails anyway, unless the word began with "endsolid" and ends the list.)
bool readFacetKeyword(Source &source, char (&word)[BUFFER_SIZE])
{
    word[0] = '\0';
    if (!skipSpace(source))
    {
        if (source.broken)
        {
            throw StlError{MSG_NO_NORMAL};
        }
        return false;
    }
    std::size_t stored = 0;
    for (;;)
    {
        char *p = source.pos;
        char *stop = wordEnd(p, source.end);
        std::size_t room = BUFFER_SIZE - 1 - stored;
        std::size_t length = static_cast<std::size_t>(stop - p);
        std::memcpy(word + stored, p, std::min(room, length));
        stored += std::min(room, length);
        source.pos = stop;
        if (stop < source.end || !fill(source))
        {
            break;
        }
    }
    word[stored] = '\0';
    return true;
}

// Whether the data may end right after a word: only after a facet's last one, where the next
// facet would begin.
enum class AtEnd
{
    FAILS,
    ENDS_THE_LIST,
};

// Passes over one word whose text does not matter, failing with `message` unless a word is there
// and, as `atEnd` says, more data follows it. The word usually is `keyword`, which is
// recognised at a glance.
template <std::size_t N>
void skipWord(Source &source, const char (&keyword)[N], const char *message,
              AtEnd atEnd = AtEnd::FAILS)
{
    constexpr std::size_t LENGTH = N - 1;
    if (!skipSpace(source))
    {
        throw StlError{message};
    }
    if (static_cast<std::size_t>(source.end - source.pos) > LENGTH &&
        std::memcmp(source.pos, keyword, LENGTH) == 0 && isSpace(source.pos[LENGTH]))
    {
        source.pos += LENGTH;
        return;
    }
    for (;;)
    {
        source.pos = wordEnd(source.pos, source.end);
        if (source.pos < source.end)
        {
            return;
        }
        if (!fill(source))
        {
            if (atEnd == AtEnd::ENDS_THE_LIST && !source.broken)
            {
                return; // the word runs to the end of the data, where the next facet would be
            }
            throw StlError{message};
        }
    }
}

// Whether a number whose value is out of a float's range is too large for it rather than too
// small: whether its value is at least 1. `text` is a checked number: an optional sign, digits
// with at most one point, then possibly 'e', an optional sign and digits.
bool atLeastOne(const std::string &text)
{
    std::size_t e = std::min(text.find('e'), text.size());
    long exponent = 0;
    for (std::size_t i = e + 1; i < text.size(); ++i)
    {
        if (isDigit(text[i]))
        {
            exponent = std::min(exponent * 10 + (text[i] - '0'), 100000000L);
        }
    }
    if (e + 1 < text.size() && text[e + 1] == '-')
    {
        exponent = -exponent;
    }
    std::size_t point = std::min(text.find('.'), e);
    for (std::size_t i = 0; i < e; ++i)
    {
        if (text[i] >= '1' && text[i] <= '9')
        {
            // The place value of the first significant digit, as a power of ten.
            long place =
                i < point ? static_cast<long>(point - i) - 1 : -static_cast<long>(i - point);
            return place + exponent >= 0;
        }
    }
    return false;
}

// A float read exactly as formatted stream extraction reads one: an optional sign, digits with
// at most one decimal point, and an 'e' or 'E' after at least one digit with an optional sign
// and more digits. Leading zeros count as one. The characters so gathered are taken, the first
// that cannot continue the number is left for the next read, and the text taken must convert
// whole ("1e", "+" and "." do not) to a finite float: too large fails, too small gives zero or
// the nearest denormal. The conversion is correctly rounded, as strtof's is, under any locale.
// A number that runs to the end of the data leaves the source at its end and fails. This is the
// careful path for anything unusual.
bool readNumberCarefully(Source &source, float &out)
{
    std::string text;
    int c = peekByte(source);
    auto take = [&]
    {
        ++source.pos;
        c = peekByte(source);
    };
    if (c == '+' || c == '-')
    {
        text += static_cast<char>(c);
        take();
    }
    bool mantissa = false;
    bool point = false;
    bool exponent = false;
    while (c == '0')
    {
        if (!mantissa)
        {
            text += '0';
            mantissa = true;
        }
        take();
    }
    while (c != -1)
    {
        if (isDigit(c))
        {
            text += static_cast<char>(c);
            mantissa = true;
        }
        else if (c == '.' && !point && !exponent)
        {
            text += '.';
            point = true;
        }
        else if ((c == 'e' || c == 'E') && !exponent && mantissa)
        {
            text += 'e';
            exponent = true;
            take();
            if (c != '+' && c != '-')
            {
                continue; // no sign: the exponent's digits, if any, follow at once
            }
            text += static_cast<char>(c);
        }
        else
        {
            break;
        }
        take();
    }
    if (c == -1)
    {
        return false;
    }
    // Only a mantissa with a digit, and an exponent with digits if there is one, converts
    // whole: "+", "." and "1e+" are refused here.
    const char *first = text.c_str() + (text[0] == '+' ? 1 : 0);
    const char *last = text.c_str() + text.size();
    float value = 0.0f;
    FloatChars result = floatFromChars(first, last, value);
    if (result.ec == std::errc::result_out_of_range)
    {
        if (result.ptr != last || atLeastOne(text))
        {
            return false; // not whole (a tiny mantissa, then "e" without digits), or too large
        }
        value = text[0] == '-' ? -0.0f : 0.0f; // too small: rounds to zero, keeping its sign
    }
    else if (result.ec != std::errc() || result.ptr != last)
    {
        return false;
    }
    out = value;
    return true;
}

// Powers of ten that a float holds exactly.
constexpr float EXACT_POWERS_OF_TEN[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                         1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr std::uint64_t EXACT_FLOAT_INTEGERS = 1u << 24; // every integer below this is exact
constexpr int MAX_DIGITS = 9;                            // significant digits gathered at most

// The common number: an optional sign, at most nine significant digits with an optional point,
// an optional exponent, then whitespace, whose value is a float-exact integer times or divided
// by a float-exact power of ten. A single float multiplication or division of two exact values
// is correctly rounded, so the result is the one strtof gives. False, with nothing taken, for
// anything else, and for a number that reaches the end of what is in view.
[[gnu::always_inline]] inline bool readPlainNumber(Source &source, float &out)
{
    const char *p = source.pos;
    bool negative = *p == '-';
    p += (*p == '-' || *p == '+') ? 1 : 0;
    const char *first = p;
    while (*p == '0')
    {
        ++p; // leading zeros carry no value
    }
    const char *significant = p;
    std::uint64_t mantissa = 0; // wraps harmlessly past 19 digits: such numbers are refused
    while (isDigit(*p))
    {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        ++p;
    }
    std::ptrdiff_t digits = p - significant;
    bool anyDigit = p != first;
    std::ptrdiff_t scale = 0;
    if (*p == '.')
    {
        const char *fraction = ++p;
        if (mantissa == 0)
        {
            while (*p == '0')
            {
                ++p; // zeros after the point and before the first significant digit
            }
        }
        const char *fractionDigits = p;
        while (isDigit(*p))
        {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
            ++p;
        }
        digits += p - fractionDigits;
        scale = fraction - p;
        anyDigit = anyDigit || p != fraction;
    }
    if (!anyDigit || digits > MAX_DIGITS || mantissa >= EXACT_FLOAT_INTEGERS)
    {
        return false;
    }
    if (*p == 'e' || *p == 'E')
    {
        ++p;
        bool negativeExponent = *p == '-';
        p += (*p == '-' || *p == '+') ? 1 : 0;
        if (!isDigit(*p))
        {
            return false;
        }
        std::ptrdiff_t exponent = 0;
        for (; isDigit(*p); ++p)
        {
            exponent = std::min<std::ptrdiff_t>(exponent * 10 + (*p - '0'), 100000);
        }
        scale += negativeExponent ? -exponent : exponent;
    }
    if (!isSpace(*p)) // also refuses the NUL at the end of the window
    {
        return false;
    }
    float value = 0.0f;
    if (mantissa != 0)
    {
        if (scale < -10 || scale > 10)
        {
            return false;
        }
        value = static_cast<float>(mantissa);
        value =
            scale < 0 ? value / EXACT_POWERS_OF_TEN[-scale] : value * EXACT_POWERS_OF_TEN[scale];
    }
    out = negative ? -value : value;
    source.pos = const_cast<char *>(p);
    return true;
}

// Reads one number that is not a short plain one: converted in place when it is a longer plain
// number followed by whitespace, otherwise the careful way. Kept out of the usual path.
[[gnu::noinline]] bool readNumberSlowly(Source &source, float &out)
{
    const char *start = source.pos;
    const char *end = source.end;
    const char *digits = start + (*start == '+' ? 1 : 0);
    const char *mantissa = digits + (digits < end && *digits == '-' && digits == start ? 1 : 0);
    if (mantissa < end && (isDigit(*mantissa) || *mantissa == '.'))
    {
        float value = 0.0f;
        FloatChars result = floatFromChars(digits, end, value);
        if (result.ec == std::errc() && result.ptr < end && isSpace(*result.ptr))
        {
            source.pos = const_cast<char *>(result.ptr);
            out = value;
            return true;
        }
    }
    return readNumberCarefully(source, out);
}

// Reads one number. The usual case, a short decimal number followed by whitespace, is worked
// out in place; anything else takes the slower ways, which give the same result.
[[gnu::always_inline]] inline bool readNumber(Source &source, float &out)
{
    if (!skipSpace(source))
    {
        return false;
    }
    if (static_cast<std::size_t>(source.end - source.pos) < NUMBER_LOOKAHEAD)
    {
        fill(source);
    }
    if (readPlainNumber(source, out))
    {
        return true;
    }
    return readNumberSlowly(source, out);
}

// Three numbers, one after the other; the first that fails fails the three.
void readThree(Source &source, float (&out)[3], const char *message)
{
    for (float &number : out)
    {
        if (!readNumber(source, number))
        {
            throw StlError{message};
        }
    }
}

// The facets read so far, in blocks that never move, so that the list grows without copying.
// The first block is small, for the usual small model; a large model goes on in large blocks.
struct FacetList
{
    std::vector<std::unique_ptr<Facet[]>> blocks;
    Facet *next;     // where the next facet goes
    Facet *blockEnd; // end of the last block
    std::size_t count;
};

// The most facets a model may have: the caller gets their number as a signed 32-bit count, and
// GL draws three vertices a facet, counted the same way.
constexpr std::size_t MAX_FACETS = INT32_MAX / 3;

constexpr std::size_t FIRST_BLOCK_FACETS = 4096;   // 192 KiB
constexpr std::size_t LATER_BLOCK_FACETS = 131072; // 6 MiB

std::size_t blockFacets(std::size_t block)
{
    return block == 0 ? FIRST_BLOCK_FACETS : LATER_BLOCK_FACETS;
}

void append(FacetList &list, const Facet &facet)
{
    if (list.next == list.blockEnd)
    {
        std::size_t size = blockFacets(list.blocks.size());
        list.blocks.push_back(std::unique_ptr<Facet[]>(new Facet[size]));
        list.next = list.blocks.back().get();
        list.blockEnd = list.next + size;
    }
    *list.next++ = facet;
    ++list.count;
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

FacetList readFacets(std::istream &in)
{
    if (!in.good() || in.rdbuf() == nullptr)
    {
        throw StlError{MSG_NO_CONTENT}; // a stream that cannot be read yields no first line
    }
    Source source{in.rdbuf(), std::unique_ptr<char[]>(new char[WINDOW_SIZE + 1]),
                  nullptr,    nullptr,
                  false,      false};
    source.pos = source.window.get();
    source.end = source.pos;
    *source.end = '\0';

    char buffer[BUFFER_SIZE];
    readFirstLine(source, buffer);
    if (!startsWith(buffer, "solid"))
    {
        throw StlError{MSG_NO_SOLID};
    }

    FacetList facets{{}, nullptr, nullptr, 0};
    for (;;)
    {
        // The facet keyword: any word but "endsolid…" starts a facet. The data ending here,
        // where the next facet would start, leaves the facets read standing.
        if (!readFacetKeyword(source, buffer) || startsWith(buffer, "endsolid"))
        {
            break; // nothing after it is read
        }
        Facet facet;
        skipWord(source, "normal", MSG_NO_NORMAL);
        readThree(source, facet.normal, MSG_BAD_NORMAL);
        skipWord(source, "outer", MSG_NO_OUTER);
        skipWord(source, "loop", MSG_NO_LOOP);
        float(*vertices[3])[3] = {&facet.v1, &facet.v2, &facet.v3};
        for (int i = 0; i < 3; ++i)
        {
            skipWord(source, "vertex", MSG_NO_VERTEX);
            readThree(source, *vertices[i], MSG_BAD_VERTEX[i]);
        }
        // The normal in the file is not trusted: it is computed from the vertices.
        facetNormal(facet.v1, facet.v2, facet.v3, facet.normal);
        if (facets.count == MAX_FACETS)
        {
            // One facet too many for the count and for GL's vertex count: this facet's
            // vertices cannot be taken.
            throw StlError{MSG_BAD_VERTEX[2]};
        }
        append(facets, facet);
        skipWord(source, "endloop", MSG_NO_ENDLOOP);
        skipWord(source, "endfacet", MSG_NO_ENDFACET, AtEnd::ENDS_THE_LIST);
    }
    return facets;
}

// Hands the facets over as an array of exactly their number; null when there are none.
Facet *exactArray(const FacetList &facets, std::int32_t *countOut)
{
    *countOut = static_cast<std::int32_t>(facets.count);
    if (facets.count == 0)
    {
        return nullptr;
    }
    Facet *array = new Facet[facets.count];
    std::size_t copied = 0;
    for (std::size_t block = 0; copied < facets.count; ++block)
    {
        std::size_t n = std::min(blockFacets(block), facets.count - copied);
        std::copy(facets.blocks[block].get(), facets.blocks[block].get() + n, array + copied);
        copied += n;
    }
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

bool allFinite(const float v[3])
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// The cross product of the edges and its square length in double precision, where neither
// overflows nor underflows for any finite float vertices: each edge is below 2^129 and at least
// 2^-149 when not zero, so every product and sum stays well inside double's range.
void facetNormalWide(const float v1[3], const float v2[3], const float v3[3], float out[3])
{
    double e1[3], e2[3];
    for (int i = 0; i < 3; ++i)
    {
        e1[i] = static_cast<double>(v2[i]) - static_cast<double>(v1[i]);
        e2[i] = static_cast<double>(v3[i]) - static_cast<double>(v1[i]);
    }
    double n[3] = {
        e1[1] * e2[2] - e1[2] * e2[1],
        e1[2] * e2[0] - e1[0] * e2[2],
        e1[0] * e2[1] - e1[1] * e2[0],
    };
    double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int i = 0; i < 3; ++i)
    {
        // Zero length: the facet really has no area, and n is the zero vector.
        out[i] = static_cast<float>(length > 0.0 ? n[i] / length : n[i]);
    }
}

} // namespace

// Computed in single precision, step by step: this file is compiled without contraction into
// fused multiply-adds, so the result does not depend on the compiler or the processor.
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
    // A square length that is a normal float: nothing overflowed, and whatever underflowed on
    // the way is too small against it to matter. Otherwise (huge or tiny edges, or no area at
    // all) finite vertices are worked out again in double precision, which gives a unit normal
    // or, only for a facet without area, the zero vector.
    if (!(squared >= FLT_MIN && squared <= FLT_MAX) && allFinite(v1) && allFinite(v2) &&
        allFinite(v3))
    {
        facetNormalWide(v1, v2, v3, out);
        return;
    }
    float length = static_cast<float>(std::sqrt(static_cast<double>(squared)));
    // Vertices that are not finite give a length that is not a number: the normal stays undivided.
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
