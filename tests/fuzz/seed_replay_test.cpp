// Replays every fuzzing seed, every reader fixture and every shipped mesh through the reader's
// invariant check, so what the fuzzer starts from is checked on every ordinary test run.
#include "tests/fuzz/reader_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

std::vector<std::filesystem::path> filesIn(const char *directory)
{
    std::vector<std::filesystem::path> files;
    std::error_code missing;
    for (const auto &entry : std::filesystem::directory_iterator(directory, missing))
    {
        if (entry.is_regular_file())
        {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string contentsOf(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void expectInvariantsOnEach(const std::vector<std::filesystem::path> &files)
{
    for (const auto &file : files)
    {
        SCOPED_TRACE(file.string());
        EXPECT_EQ(readerFaultsOn(contentsOf(file)), "");
    }
}

} // namespace

TEST(ReaderInvariants, HoldOnEveryHandmadeSeed)
{
    std::vector<std::filesystem::path> seeds = filesIn(FUZZ_SEED_DIR);
    ASSERT_FALSE(seeds.empty()) << "no seeds in " << FUZZ_SEED_DIR;
    expectInvariantsOnEach(seeds);
}

TEST(ReaderInvariants, HoldOnEveryReaderFixture)
{
    std::vector<std::filesystem::path> fixtures = filesIn(GOMOKU_TEST_DATA_DIR);
    if (fixtures.empty())
    {
        GTEST_SKIP() << "no reader fixtures in " << GOMOKU_TEST_DATA_DIR;
    }
    expectInvariantsOnEach(fixtures);
}

TEST(ReaderInvariants, HoldOnEveryShippedMesh)
{
    std::vector<std::filesystem::path> meshes = filesIn(GOMOKU_ASSETS_DIR);
    if (meshes.empty())
    {
        GTEST_SKIP() << "no meshes in " << GOMOKU_ASSETS_DIR;
    }
    expectInvariantsOnEach(meshes);
}

TEST(ReaderInvariants, HoldOnEdgesOfTheFirstLine)
{
    // A first line of 255 characters is accepted, one of 256 is not; both must end in a model
    // or one report, never anything else.
    std::string longest = "solid" + std::string(250, 'x') + "\nendsolid\n";
    std::string tooLong = "solid" + std::string(251, 'x') + "\nendsolid\n";
    for (const std::string &bytes : {longest, tooLong, std::string("solid"), std::string()})
    {
        SCOPED_TRACE(bytes.size());
        EXPECT_EQ(readerFaultsOn(bytes), "");
    }
}
