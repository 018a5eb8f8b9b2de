// The five meshes in assets/: exactly the bytes the generator writes, and each a closed surface
// facing outward, as back-face culling needs (the GL tests check where the frame puts them).
#include "model/model_table.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <numeric>
#include <string>
#include <vector>

namespace
{

const std::filesystem::path ASSETS = GOMOKU_ASSETS_DIR;

std::string bytesOf(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Meshes, AreWhatTheGeneratorWrites)
{
    std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "meshgen_output";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::string command = "\"" MESHGEN_PATH "\" \"" + folder.string() + "\" > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char *name : modelFileNames)
    {
        std::string committed = bytesOf(ASSETS / name); // an empty one reads no facets below
        EXPECT_TRUE(bytesOf(folder / name) == committed)
            << name << ": assets/ is stale: rebuild the target `meshes` and commit the result";
        EXPECT_EQ(committed.find('\r'), std::string::npos) << name << ": line feeds only";
    }
    std::filesystem::remove_all(folder);
}

using Corner = std::array<float, 3>;
using Edge = std::pair<Corner, Corner>;

// Each file reads without a report; every edge is walked once each way (closed, wound alike); each
// piece (facets joined through edges: a letter, a grid line) encloses a positive volume (outward).
TEST(Meshes, AreClosedAndFaceOutward)
{
    for (const char *name : modelFileNames)
    {
        SCOPED_TRACE(name);
        testing::internal::CaptureStdout();
        std::int32_t count = 0;
        Facet *facets = loadStl((ASSETS / name).string().c_str(), &count);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_GT(count, 0);
        std::map<Edge, std::size_t> walkedBy; // directed edge -> the facet that walks it
        for (std::size_t i = 0; i < std::size_t(count); ++i)
        {
            const Facet &f = facets[i];
            EXPECT_TRUE(f.normal[0] != 0.0f || f.normal[1] != 0.0f || f.normal[2] != 0.0f);
            Corner a{f.v1[0], f.v1[1], f.v1[2]}, b{f.v2[0], f.v2[1], f.v2[2]},
                c{f.v3[0], f.v3[1], f.v3[2]};
            for (Edge e : {Edge{a, b}, Edge{b, c}, Edge{c, a}})
                EXPECT_TRUE(walkedBy.emplace(e, i).second) << "an edge walked twice the same way";
        }
        std::vector<std::size_t> piece(std::size_t(count), 0);
        std::iota(piece.begin(), piece.end(), 0);
        auto root = [&](std::size_t i)
        {
            while (piece[i] != i)
                i = piece[i] = piece[piece[i]];
            return i;
        };
        for (const auto &[edge, i] : walkedBy)
        {
            auto back = walkedBy.find({edge.second, edge.first});
            ASSERT_TRUE(back != walkedBy.end()) << "an edge walked one way only";
            piece[root(i)] = root(back->second);
        }
        std::map<std::size_t, double> volume; // six times each piece's signed volume
        for (std::size_t i = 0; i < std::size_t(count); ++i)
        {
            const float *a = facets[i].v1, *b = facets[i].v2, *c = facets[i].v3;
            volume[root(i)] += double(a[0]) * (double(b[1]) * c[2] - double(b[2]) * c[1]) -
                               double(a[1]) * (double(b[0]) * c[2] - double(b[2]) * c[0]) +
                               double(a[2]) * (double(b[0]) * c[1] - double(b[1]) * c[0]);
        }
        for (const auto &entry : volume)
            EXPECT_GT(entry.second, 0.0) << "a piece turned inside out";
        delete[] facets;
    }
}

} // namespace
