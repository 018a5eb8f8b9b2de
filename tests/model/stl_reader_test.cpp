// The STL reader and the model table: every report byte for byte, edge cases, hostile input, read
// errors, bit-exact agreement with the reference, normals, mesh arrays, a decimal-comma locale.
#include "model/float_chars.h"
#include "model/model_table.h"
#include "tests/model/stl_reference.h"

#include <bit>
#include <charconv>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

struct Read
{
    std::string console;
    std::unique_ptr<Facet[]> facets;
    std::int32_t count = -12345; // what a reader that forgets to write the count leaves
};

// Reads the stream on `buffer`, or without one the file `name`.
Read read(std::streambuf *buffer, const char *name = nullptr)
{
    Read r;
    std::istream in(buffer);
    testing::internal::CaptureStdout();
    r.facets.reset(buffer ? loadStlFromStream(in, &r.count) : loadStl(name, &r.count));
    r.console = testing::internal::GetCapturedStdout();
    return r;
}

std::string differenceOn(const std::string &bytes)
{
    std::stringbuf buffer(bytes);
    Read r = read(&buffer);
    return differenceFromReference(bytes, r.console, r.facets.get(), r.count);
}

// Hands out its text at the first read, then fails as a file stream's buffer does on a read error.
struct BreakingBuffer : std::stringbuf
{
    using std::stringbuf::stringbuf;
    std::streamsize xsgetn(char *out, std::streamsize size) override
    {
        if (gptr() == egptr())
            throw std::ios_base::failure("read error");
        return std::stringbuf::xsgetn(out, std::min<std::streamsize>(size, egptr() - gptr()));
    }
};

// A case: its input given as bytes, as bytes and then a read error, or as a file name (the null
// name when empty); the input; the report (empty for none); the facets read.
constexpr int TEXT = 0, BREAKING = 1, FILE_NAME = 2;
using Case = std::tuple<int, std::string, std::string_view, int>;

void expectRead(const Case &c)
{
    const auto &[via, input, message, count] = c;
    SCOPED_TRACE(input.substr(0, 40));
    BreakingBuffer breaking(input);
    std::stringbuf text(input);
    std::streambuf *buffer = via == TEXT ? &text : via == BREAKING ? &breaking : nullptr;
    Read r = read(buffer, input.empty() ? nullptr : input.c_str());
    EXPECT_EQ(r.console, message.empty() ? "" : stlReport(message));
    EXPECT_EQ(r.count, count);
    EXPECT_EQ(r.facets == nullptr, count == 0);
    if (via == TEXT) // the reference reads the bytes alike (every fixture: in the replay below)
    {
        EXPECT_EQ(differenceFromReference(input, r.console, r.facets.get(), r.count), "");
    }
}

// One facet, item by item, and the report when the data ends before each item.
const char *const ITEMS[21] = {"facet",  "normal", "0",   "0",    "1",      "outer",   "loop",
                               "vertex", "1.5",    "-2",  "0.25", "vertex", "4.5",     "-2",
                               "0.25",   "vertex", "1.5", "3e2",  "0.25",   "endloop", "endfacet"};
const std::string_view CANNOT_OPEN = "檔名或路徑錯誤! 無法開啟檔案!", NO_CONTENT = "無內容",
                       N = "法向量數值讀取錯誤", V1 = "vertex 1 數值讀取錯誤",
                       V2 = "vertex 2 數值讀取錯誤", V3 = "vertex 3 數值讀取錯誤",
                       VX = "格式不合(無vertex)";
// clang-format off
const std::string_view MISSING[21] = {"", "格式不合(無normal)", N, N, N, "格式不合(無outer)",
    "格式不合(無loop)", VX, V1, V1, V1, VX, V2, V2, V2, VX, V3, V3, V3, "格式不合(無endloop)",
    "格式不合(無endfacet)"};
// clang-format on

std::string items(int from, int to, int times = 1)
{
    std::string text;
    for (int i = from; i < to * times; ++i)
        text += std::string(ITEMS[i % 21]) + "\n";
    return text;
}

const std::string FACET = items(0, 21);

std::string facet(const std::string &x)
{
    return "facet normal 0 0 1 outer loop vertex " + x +
           " 0 0 vertex 1 0 0\rvertex 0 1 0 endloop endfacet\n";
}

// The fuzzer's dictionary words, odd number forms among them (those with escapes left out).
std::vector<std::string> dictionaryWords()
{
    std::ifstream in(GOMOKU_FUZZ_DICTIONARY);
    std::vector<std::string> words;
    for (std::string name, w; std::getline(in, name, '"') && std::getline(in, w, '"');)
        if (w.find('\\') == std::string::npos)
            words.push_back(w);
    return words;
}

// Facets whose first number is a dictionary word or any float, with up to 40 digits.
std::string randomFile(std::mt19937 &random, int facets)
{
    static const std::vector<std::string> odd = dictionaryWords();
    std::string text = "solid r\n";
    for (int i = 0; i < facets; ++i)
    {
        std::uint32_t bits = random() & 0xff7fffff; // a finite float
        float value;
        std::memcpy(&value, &bits, sizeof value);
        char printed[64];
        std::snprintf(printed, sizeof printed, "%.*g", int(random() % 40), double(value));
        text += facet(random() % 4 ? printed : odd[random() % odd.size()]);
    }
    return text + (random() % 3 ? "endsolid r\n" : "");
}

} // namespace

TEST(StlReader, ReportsEachFailureAndReadsEachGoodFile)
{
    const std::string mem = fs::temp_directory_path() / ("gomoku-mem-" + std::to_string(getpid()));
    fs::create_symlink("/proc/self/mem", mem); // opens, but reading it fails (EIO)
    const Case cases[] = {
        {FILE_NAME, "", "引數錯誤", 0},
        {FILE_NAME, "missing.STL", CANNOT_OPEN, 0},
        {FILE_NAME, ".", CANNOT_OPEN, 0},
        {FILE_NAME, mem, NO_CONTENT, 0},
        {BREAKING, "solid\n" + FACET, "格式不合(無normal)", 0},
        {BREAKING, "solid\n" + items(0, 20) + "endfacet", "格式不合(無endfacet)", 0},
        {FILE_NAME, "empty.STL", NO_CONTENT, 0},
        {FILE_NAME, "first_line_256.STL", NO_CONTENT, 0},
        {FILE_NAME, "first_line_255_crlf.STL", NO_CONTENT, 0},
        {FILE_NAME, "solid_without_line_feed.STL", NO_CONTENT, 0},
        {FILE_NAME, "blank_before_solid.STL", "格式不合(無solid)", 0},
        {FILE_NAME, "short_first_line.STL", "格式不合(無solid)", 0},
        {FILE_NAME, "normal_not_a_number.STL", N, 0},
        {TEXT, "solid\n" + items(0, 21, 9) + items(0, 13) + "x\n" + items(14, 21), V2, 0},
        {FILE_NAME, "fuzz_crash_underflow_with_bare_exponent.STL", N, 0},
        {FILE_NAME, "fuzz_crash_underflow_with_signed_bare_exponent.STL", V2, 0},
        {TEXT, "solid" + std::string(75, 0) + "\1" + std::string(53, 0), NO_CONTENT, 0},
        {TEXT, std::string(4096, '\0'), NO_CONTENT, 0},
        {TEXT, "solid" + std::string(1 << 20, 'x') + "\n", NO_CONTENT, 0},
        {TEXT, "solid\n" + std::string(10 << 20, 'x'), "格式不合(無normal)", 0},
        {TEXT, "solid\nf n " + std::string(1 << 20, '7') + " 0 0 o", N, 0},
        {FILE_NAME, "empty_solid.STL", "", 0},
        {TEXT, "solid\n" + FACET + "endsolid" + std::string(9999, 'k'), "", 1},
        {TEXT, "solid\nf " + std::string(300, '\0') + "\n" + items(2, 21), "", 1},
        {TEXT, "solid\n" + items(0, 21, 140000), "", 140000}};
    for (const Case &c : cases)
        expectRead(c);
    // Good files of three facets each, each with an oddity of its own.
    for (const char *name :
         {"wrong_normals.STL", "misspelt_keywords.STL", "crlf_lines.STL",
          "solid_followed_by_letters.STL", "first_line_255.STL", "endsolid_with_suffix.STL",
          "endsolid_no_line_feed.STL", "second_solid.STL"})
        expectRead({FILE_NAME, name, "", 3});
    for (int k = 0; k < MODEL_COUNT; ++k) // the fixture named as model k's file holds k + 1 facets
        expectRead({FILE_NAME, modelFileNames[k], "", k + 1});
    fs::remove(mem);
}

TEST(StlReader, EachItemOfAFacetCutShortOrReplaced)
{
    for (int i = 0; i < 21; ++i)
    {
        SCOPED_TRACE(ITEMS[i]);
        std::string item = ITEMS[i];
        bool number = MISSING[i].find("數值") != std::string_view::npos;
        // The same item as a word of 10,000 characters: leading zeros for a number.
        std::string padded =
            number ? item.insert(item[0] == '-', std::string(10000, '0')) : std::string(10000, 'k');
        std::string before = "solid\n" + FACET + items(0, i); // a good facet first, then a cut one
        std::string after = items(i + 1, 21);
        expectRead({TEXT, before, MISSING[i], i == 0 ? 1 : 0});
        expectRead(
            {TEXT, before + padded, i == 20 ? "" : MISSING[std::max(i, 1)], i == 20 ? 2 : 0});
        expectRead({TEXT, before + padded + "\n" + after, "", 2});
        std::string overflow(10000, '9'); // no float for a number, any word for a keyword
        expectRead(
            {TEXT, before + overflow + "\n" + after, number ? MISSING[i] : "", number ? 0 : 2});
    }
}

TEST(StlReaderDifferential, OddNumbersGeneratedAndMutatedFiles)
{
    const std::vector<std::string> words = dictionaryWords();
    for (const std::string &number : words)
    {
        EXPECT_EQ(differenceOn("solid\n" + facet(number) + "endsolid\n"), "") << number;
        EXPECT_EQ(differenceOn("solid\nfacet normal 0 0 " + number), "") << number;
    }
    std::mt19937 random(20240611u);
    int accepted = 0;
    for (int i = 0; i < 3000; ++i)
    {
        std::string file = randomFile(random, 1 + i % 5);
        std::size_t at = random() % file.size();
        if (i % 4 == 1)
            file.resize(at);
        else if (i % 4 == 2)
            file[at] = char(random());
        else if (i % 4 == 3)
            file.insert(at, words[random() % words.size()]);
        ASSERT_EQ(differenceOn(file), "") << file;
        accepted += referenceRead(file).message.empty();
    }
    EXPECT_TRUE(accepted > 500 && accepted < 2500) << "both outcomes, or it proves little";
    // Files and items larger than the window that the reader fetches the file through.
    const std::string huge = "0." + std::string(700000, '1') + " ";
    for (const std::string &file :
         {randomFile(random, 8000), "solid\n" + facet(huge), "solid\nf n 0 0 1 " + huge,
          "solid\n" + facet(std::string(400, '7') + "e-390") + std::string(600000, ' ') +
              facet("2"),
          "solid\n" + facet("1") + std::string(600000, '\n')})
        EXPECT_EQ(differenceOn(file), "");
}

TEST(StlReaderDifferential, EverySeedFixtureAndMeshUnderADecimalCommaLocale)
{
    // Every seed, fixture and mesh reads under a decimal-comma locale as the reference in "C".
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "no de_DE.UTF-8 locale";
    std::locale::global(std::locale("de_DE.UTF-8")); // the reader's streams are made in it too
    std::ostringstream shown;
    shown << 1.5;
    std::vector<fs::path> files;
    for (const char *folder : {GOMOKU_FUZZ_SEEDS, ".", GOMOKU_ASSETS_DIR})
        files.insert(files.end(), fs::directory_iterator(folder), fs::directory_iterator());
    for (const fs::path &file : files)
    {
        std::ifstream in(file, std::ios::binary);
        EXPECT_EQ(differenceOn(std::string(std::istreambuf_iterator<char>(in), {})), "") << file;
    }
    std::setlocale(LC_ALL, "C");
    std::locale::global(std::locale::classic());
    EXPECT_EQ(shown.str(), "1,5");
    EXPECT_GT(files.size(), 30u);
}

TEST(FloatChars, TheStrtofReaderReadsAsFromCharsInBothLocales)
{
    // The browser build's libc++ has no floating-point from_chars; its stand-in must stop where
    // from_chars stops and round as it rounds, whatever the locale's decimal point.
    // clang-format off
    const char *const inputs[] = {"0", "-0", "7", "-12.5e3 ", "0.1", ".5", "5.", "-.25x", "1e10",
        "1E-5", "2.5e+3facet", "1e", "1e+", "1e-x", "3.4028234e38", "3.4028236e38", "1e39",
        "-1e39", "1e-40", "1.4e-45", "1e-46", "-1e-50", "123456789012345678901234567890",
        "0.1000000000000000055511151231", "+1", "-", ".", "-.", "e5", "", "0x1p3", " 1", "1,5",
        "9.99999999999e-39"};
    // clang-format on
    for (const char *locale : {"C", "de_DE.UTF-8"})
    {
        ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr) << "no " << locale << " locale";
        for (const char *input : inputs)
        {
            SCOPED_TRACE(testing::Message() << '"' << input << "\" in " << locale);
            const char *end = input + std::strlen(input);
            float expected = -7.0f, read = -7.0f;
            std::from_chars_result want =
                std::from_chars(input, end, expected, std::chars_format::general);
            FloatChars got = floatFromCharsPortably(input, end, read);
            EXPECT_EQ(got.ptr - input, want.ptr - input);
            EXPECT_EQ(got.ec, want.ec);
            EXPECT_EQ(std::bit_cast<std::uint32_t>(read), std::bit_cast<std::uint32_t>(expected));
        }
    }
    std::setlocale(LC_ALL, "C");
}

TEST(FacetNormal, IsTheUnitNormalOfTheCounterClockwiseVertices)
{
    const float r2 = 0.70710677f, r3 = 0.57735026f, t = 1e-20f; // 1/sqrt(2), 1/sqrt(3)
    const float cases[][12] = {
        {0, 0, 0, 1, 0, 0, 0, 1, 0, /* normal */ 0, 0, 1},
        {0, 0, 0, 0, 1, 0, 1, 0, 0, /* normal */ 0, 0, -1},
        {5, -3, 6, 7, -3, 2, 5, -3, 2, /* normal */ 0, 1, 0},
        // Single-precision steps, each rounded on its own: no multiply-adds, no double precision.
        {-0.5f, -0.8f, -0.2f, -0.6f, -0.2f, -0.3f, 0.3f, -0.2f, 0.8f, /* normal */ 0x1.8c283cp-1f,
         0x1.80271ap-6f, -0x1.4420ecp-1f},
        {-0.001f, 0.002f, 0.0005f, 0.003f, -0.001f, 0.002f, 0.0007f, 0.004f, -0.003f,
         /* normal */ 0x1.56db36p-2f, 0x1.7a48e6p-1f, 0x1.2b6d86p-1f},
        {1, 2, 3, 1, 2, 3, 4, 5, 6, /* no area */ 0, 0, 0},
        {1, 2, 3, 3, 6, 9, 2, 4, 6, /* no area */ 0, 0, 0},
        {0, 0, 0, t, 0, 0, 0, t, t, /* products underflow */ 0, -r2, r2},
        {1e19f, 0, 0, 0, 1e19f, 0, 0, 0, 1e19f, /* products overflow */ r3, r3, r3},
        {1e20f, 0, 0, 0, 1e20f, 0, 0, 0, 1e20f, /* normal */ r3, r3, r3},
        {3e38f, 0, 0, 0, 3e38f, 0, 0, 0, 3e38f, /* normal */ r3, r3, r3}};
    for (const float *c : cases)
    {
        float n[3] = {9, 9, 9};
        facetNormal(c, c + 3, c + 6, n);
        EXPECT_EQ(std::memcmp(n, c + 9, sizeof n), 0) << n[0] << " " << n[1] << " " << n[2];
    }
}

TEST(PrepareMesh, GivesEachVertexItsFacetsNormal)
{
    Facet facets[2] = {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}},
                       {{13, 14, 15}, {16, 17, 18}, {19, 20, 21}, {22, 23, 24}}};
    ModelRecord record{nullptr, nullptr, facets, 2, 0, 0}, empty{};
    prepareMesh(&record);
    prepareMesh(&empty);
    EXPECT_EQ(
        std::vector<float>(record.vertexArray, record.vertexArray + 18),
        std::vector<float>({4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18, 19, 20, 21, 22, 23, 24}));
    EXPECT_EQ(std::vector<float>(record.normalArray, record.normalArray + 18),
              std::vector<float>({1, 2, 3, 1, 2, 3, 1, 2, 3, 13, 14, 15, 13, 14, 15, 13, 14, 15}));
    EXPECT_TRUE(record.facets == facets && record.facetCount == 2);
    // An empty model: two distinct zero-length arrays.
    EXPECT_TRUE(empty.vertexArray && empty.normalArray && empty.vertexArray != empty.normalArray);
    for (float *array :
         {record.vertexArray, record.normalArray, empty.vertexArray, empty.normalArray})
        delete[] array;
}
