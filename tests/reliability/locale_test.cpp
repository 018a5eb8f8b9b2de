// The reader under a decimal-comma locale: the same file gives bit-identical facets whether the
// process runs in the C locale or in de_DE.UTF-8, whose decimal separator is a comma.
#include "model/stl_reader.h"
#include "tests/fuzz/reader_check.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace
{

constexpr const char *DECIMAL_COMMA_LOCALE = "de_DE.UTF-8";

// Coordinates where a comma locale would read something else: fractions, a thousands-sized
// number, exponents, signs, and digits without a leading or trailing digit.
constexpr const char *MESH_TEXT = "solid locale\n"
                                  "facet normal 0.5 -0.5 1.25\n"
                                  " outer loop\n"
                                  "  vertex 1.5 -2.25 0.125\n"
                                  "  vertex 1000.5 2.75e-3 -1.5E+2\n"
                                  "  vertex .5 5. 3.14159274\n"
                                  " endloop\n"
                                  "endfacet\n"
                                  "facet normal 0 0 1\n"
                                  " outer loop\n"
                                  "  vertex 0.1 0.2 0.3\n"
                                  "  vertex 12345.678 -0.0001 1e-7\n"
                                  "  vertex -7.5 8.25 -9.125\n"
                                  " endloop\n"
                                  "endfacet\n"
                                  "endsolid locale\n";
constexpr std::int32_t MESH_FACETS = 2;

struct ReadFacets
{
    std::vector<Facet> facets;
    std::int32_t count = -1;
    std::string console;
};

ReadFacets readFile(const std::string &path)
{
    ReadFacets read;
    Facet *facets = nullptr;
    read.console = consoleOutputOf([&] { facets = loadStl(path.c_str(), &read.count); });
    if (facets != nullptr)
    {
        read.facets.assign(facets, facets + read.count);
    }
    delete[] facets;
    return read;
}

ReadFacets readText(const std::string &text)
{
    ReadFacets read;
    Facet *facets = nullptr;
    // Made after any change of the global locale, so the stream starts out in that locale.
    std::istringstream in(text);
    read.console = consoleOutputOf([&] { facets = loadStlFromStream(in, &read.count); });
    if (facets != nullptr)
    {
        read.facets.assign(facets, facets + read.count);
    }
    delete[] facets;
    return read;
}

bool bitIdentical(const std::vector<Facet> &a, const std::vector<Facet> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Facet)) == 0;
}

bool localeAvailable()
{
    locale_t probe = newlocale(LC_ALL_MASK, DECIMAL_COMMA_LOCALE, static_cast<locale_t>(nullptr));
    if (probe == static_cast<locale_t>(nullptr))
    {
        return false;
    }
    freelocale(probe);
    return true;
}

// Switches the C library and the C++ global locale to the decimal-comma locale.
void enterDecimalCommaLocale()
{
    ASSERT_NE(std::setlocale(LC_ALL, DECIMAL_COMMA_LOCALE), nullptr);
    std::locale::global(std::locale(DECIMAL_COMMA_LOCALE));
}

} // namespace

class DecimalCommaLocale : public testing::Test
{
protected:
    // Uses the installed locale when there is one; otherwise compiles it from the locales
    // package's sources into a folder of the build tree (once: later runs find it there, and a
    // lock keeps tests running side by side from compiling it together) and points LOCPATH there.
    static void SetUpTestSuite()
    {
        if (localeAvailable())
        {
            return;
        }
        std::filesystem::create_directories(LOCALE_CACHE_DIR);
        setenv("LOCPATH", LOCALE_CACHE_DIR, 1);
        int lock = open(LOCALE_CACHE_DIR "/.lock", O_CREAT | O_RDWR, 0644);
        if (lock < 0)
        {
            return;
        }
        flock(lock, LOCK_EX);
        // Asked by file, not by loading it: the C library remembers a locale it failed to load.
        std::string compiled = std::string(LOCALE_CACHE_DIR) + "/" + DECIMAL_COMMA_LOCALE;
        if (!std::filesystem::exists(compiled + "/LC_NUMERIC"))
        {
            std::string command = "localedef -i de_DE -f UTF-8 '" + compiled + "' >/dev/null 2>&1";
            // localedef may end with a warning status even when the locale was written.
            [[maybe_unused]] int status = std::system(command.c_str());
        }
        flock(lock, LOCK_UN);
        close(lock);
    }

    void SetUp() override
    {
        if (!localeAvailable())
        {
            GTEST_SKIP() << DECIMAL_COMMA_LOCALE
                         << " is neither installed nor could be built with localedef (package "
                            "locales); the decimal-comma read cannot be checked";
        }
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
        char name[] = "/tmp/gomoku-locale-mesh-XXXXXX";
        int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        meshFile = name;
        std::ofstream(meshFile, std::ios::binary) << MESH_TEXT;
    }

    void TearDown() override
    {
        // Back to the C locale for whatever runs next in this process.
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
        if (!meshFile.empty())
        {
            std::remove(meshFile.c_str());
        }
    }

    std::string meshFile;
};

TEST_F(DecimalCommaLocale, TakesEffectForPrintfAndStreams)
{
    enterDecimalCommaLocale();
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    EXPECT_STREQ(text, "1,5");
    std::ostringstream out;
    out << 1.5;
    EXPECT_EQ(out.str(), "1,5");
    // A stream in that locale would read "1.5" as something other than one and a half.
    std::istringstream in("1.5 ");
    float value = 0.0f;
    in >> value;
    EXPECT_NE(value, 1.5f);
}

TEST_F(DecimalCommaLocale, FileReadsBitIdenticalToTheCLocale)
{
    ReadFacets underC = readFile(meshFile);
    ASSERT_EQ(underC.count, MESH_FACETS) << "the mesh must read in the C locale to compare";
    EXPECT_EQ(underC.facets[0].v1[0], 1.5f);
    EXPECT_EQ(underC.facets[0].v2[0], 1000.5f);

    enterDecimalCommaLocale();
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    ASSERT_STREQ(text, "1,5") << "the decimal-comma locale did not take effect";
    ReadFacets underComma = readFile(meshFile);

    EXPECT_EQ(underComma.count, underC.count);
    EXPECT_EQ(underComma.console, "");
    EXPECT_TRUE(bitIdentical(underComma.facets, underC.facets));
}

TEST_F(DecimalCommaLocale, StreamMadeInTheLocaleReadsBitIdenticalToTheCLocale)
{
    ReadFacets underC = readText(MESH_TEXT);
    ASSERT_EQ(underC.count, MESH_FACETS);

    enterDecimalCommaLocale();
    ReadFacets underComma = readText(MESH_TEXT);

    EXPECT_EQ(underComma.count, underC.count);
    EXPECT_TRUE(bitIdentical(underComma.facets, underC.facets));
}

TEST_F(DecimalCommaLocale, ShippedMeshesReadBitIdenticalToTheCLocale)
{
    std::vector<std::filesystem::path> meshes;
    std::error_code missing;
    for (const auto &entry : std::filesystem::directory_iterator(GOMOKU_ASSETS_DIR, missing))
    {
        meshes.push_back(entry.path());
    }
    if (meshes.empty())
    {
        GTEST_SKIP() << "no meshes in " << GOMOKU_ASSETS_DIR;
    }
    std::vector<ReadFacets> underC;
    for (const auto &mesh : meshes)
    {
        underC.push_back(readFile(mesh.string()));
    }
    enterDecimalCommaLocale();
    for (size_t i = 0; i < meshes.size(); ++i)
    {
        SCOPED_TRACE(meshes[i].string());
        ReadFacets underComma = readFile(meshes[i].string());
        EXPECT_GT(underC[i].count, 0);
        EXPECT_EQ(underComma.count, underC[i].count);
        EXPECT_TRUE(bitIdentical(underComma.facets, underC[i].facets));
    }
}
