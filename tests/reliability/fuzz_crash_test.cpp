// The reader on every input the fuzzer found it mishandling, kept as fixtures named
// fuzz_crash_*.STL: each must end in the one report that formatted stream extraction gives.
#include "model/stl_reader.h"
#include "tests/fuzz/reader_check.h"
#include "tests/model/stl_messages.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

struct FuzzCrash
{
    const char *file;         // fixture in the test data folder
    std::string_view message; // the one report the read must end in
};

void PrintTo(const FuzzCrash &crash, std::ostream *out)
{
    *out << crash.file;
}

// A number so small that it rounds to zero, followed by an exponent mark with no digits, was
// taken as zero (the mark swallowed) instead of failing as "1e" and "1e+" fail.
const FuzzCrash FUZZ_CRASHES[] = {
    {"fuzz_crash_underflow_with_bare_exponent.STL", MESSAGE_BAD_NORMAL},
    {"fuzz_crash_underflow_with_signed_bare_exponent.STL", MESSAGE_BAD_VERTEX_2},
};

std::string fixturePath(const char *file)
{
    return std::string(GOMOKU_TEST_DATA_DIR) + "/" + file;
}

} // namespace

class FuzzCrashFixture : public testing::TestWithParam<FuzzCrash>
{
};

TEST_P(FuzzCrashFixture, EndsInItsOneReport)
{
    std::string path = fixturePath(GetParam().file);
    ASSERT_TRUE(std::filesystem::is_regular_file(path)) << path;
    std::int32_t count = -1;
    Facet *facets = nullptr;
    std::string console = consoleOutputOf([&] { facets = loadStl(path.c_str(), &count); });
    delete[] facets;
    EXPECT_EQ(facets, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(console, readerReport(GetParam().message));
}

// Test names from the file names: fuzz_crash_underflow_with_bare_exponent.STL gives
// UnderflowWithBareExponent.
static std::string caseName(const testing::TestParamInfo<FuzzCrash> &info)
{
    std::string file = info.param.file;
    std::string stem =
        file.substr(std::strlen("fuzz_crash_"), file.find('.') - std::strlen("fuzz_crash_"));
    std::string name;
    bool upper = true;
    for (char c : stem)
    {
        if (c == '_')
        {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(FoundByFuzzing, FuzzCrashFixture, testing::ValuesIn(FUZZ_CRASHES),
                         caseName);

TEST(FuzzCrashFixtures, EveryOneHasItsExpectedReport)
{
    // A fixture added without a row above would go unchecked here.
    for (const auto &entry : std::filesystem::directory_iterator(GOMOKU_TEST_DATA_DIR))
    {
        std::string name = entry.path().filename().string();
        if (name.rfind("fuzz_crash_", 0) != 0)
        {
            continue;
        }
        bool listed = std::any_of(std::begin(FUZZ_CRASHES), std::end(FUZZ_CRASHES),
                                  [&](const FuzzCrash &crash) { return name == crash.file; });
        EXPECT_TRUE(listed) << name << " has no expected report in fuzz_crash_test.cpp";
    }
}
