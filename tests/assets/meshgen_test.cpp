// Tests of the mesh generator: what it writes is exactly what is committed in assets/, and the
// files are plain ASCII STL with line feeds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace
{

const char *const meshFiles[] = {"plane.STL", "lines.STL", "circle.STL", "black wins.STL",
                                 "white wins.STL"};

std::string readBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the generator into a fresh scratch folder and returns the folder.
std::filesystem::path generateIntoScratch()
{
    std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "meshgen_output";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::string command =
        std::string("\"") + MESHGEN_PATH + "\" \"" + folder.string() + "\" > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return folder;
}

TEST(MeshGenerator, WritesExactlyTheCommittedFiles)
{
    std::filesystem::path folder = generateIntoScratch();
    for (const char *name : meshFiles)
    {
        SCOPED_TRACE(name);
        std::string written = readBytes(folder / name);
        ASSERT_FALSE(written.empty());
        EXPECT_TRUE(written == readBytes(std::filesystem::path(GOMOKU_ASSETS_DIR) / name))
            << "assets/ is stale: rebuild the target `meshes` and commit the result";
    }
    std::filesystem::remove_all(folder);
}

TEST(MeshGenerator, RefusesToRunWithoutAnOutputFolder)
{
    std::string command = std::string("\"") + MESHGEN_PATH + "\" 2> /dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
}

TEST(MeshFiles, AreAsciiStlWithLineFeedsOnly)
{
    for (const char *name : meshFiles)
    {
        SCOPED_TRACE(name);
        std::string bytes = readBytes(std::filesystem::path(GOMOKU_ASSETS_DIR) / name);
        ASSERT_GT(bytes.size(), 20u);
        EXPECT_EQ(bytes.rfind("solid ", 0), 0u);
        std::string solidName = bytes.substr(6, bytes.find('\n') - 6);
        EXPECT_FALSE(solidName.empty());
        std::string ending = "endsolid " + solidName + "\n";
        ASSERT_GE(bytes.size(), ending.size());
        EXPECT_EQ(bytes.substr(bytes.size() - ending.size()), ending);
        EXPECT_EQ(bytes.find('\r'), std::string::npos);
        for (char c : bytes)
        {
            ASSERT_TRUE(c == '\n' || (c >= ' ' && c <= '~')) << "byte " << int(c);
        }
    }
}

} // namespace
