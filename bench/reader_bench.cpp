// Reader throughput: loadStl against assimp's STL importer (and plain stream extraction, the way
// the reader used to work) on generated million-facet files, each read in a child process of its
// own so that its peak memory can be told apart.
//
//   reader_bench generate DIR FACETS   writes DIR/exponent.STL and DIR/short.STL
//   reader_bench compare DIR ROUNDS    reads both files ROUNDS times, the readers interleaved
//   reader_bench ours|assimp|stream FILE   one read; prints seconds, facets and memory
#include "model/stl_reader.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <locale>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace
{

// ---------------------------------------------------------------------------------------------
// Test files.

// A float in the style of an exporter: "%e", or a short decimal such as "-12.5".
void appendNumber(std::string &out, float value, bool exponent)
{
    char text[32];
    int length = exponent ? std::snprintf(text, sizeof text, "%e", static_cast<double>(value))
                          : std::snprintf(text, sizeof text, "%.1f", static_cast<double>(value));
    out.append(text, static_cast<std::size_t>(length));
}

void appendTriple(std::string &out, const float (&v)[3], bool exponent)
{
    for (int i = 0; i < 3; ++i)
    {
        out += ' ';
        appendNumber(out, v[i], exponent);
    }
    out += '\n';
}

void writeStl(const std::filesystem::path &path, long facets, bool exponent)
{
    std::mt19937 random(exponent ? 1u : 2u);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
    {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::string chunk = "solid generated\n";
    for (long i = 0; i < facets; ++i)
    {
        float v[3][3];
        for (auto &vertex : v)
        {
            for (float &c : vertex)
            {
                c = coordinate(random);
            }
        }
        float normal[3];
        facetNormal(v[0], v[1], v[2], normal);
        float shownNormal[3] = {normal[0], normal[1], normal[2]};
        chunk += "  facet normal";
        appendTriple(chunk, shownNormal, exponent);
        chunk += "    outer loop\n";
        for (auto &vertex : v)
        {
            chunk += "      vertex";
            appendTriple(chunk, vertex, exponent);
        }
        chunk += "    endloop\n  endfacet\n";
        if (chunk.size() > (1u << 20))
        {
            std::fwrite(chunk.data(), 1, chunk.size(), file);
            chunk.clear();
        }
    }
    chunk += "endsolid generated\n";
    std::fwrite(chunk.data(), 1, chunk.size(), file);
    std::fclose(file);
}

// ---------------------------------------------------------------------------------------------
// One read, in this process.

long maxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The reader as it was first written: formatted extraction of every word and number.
long readWithStreamExtraction(const char *fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    in.imbue(std::locale::classic());
    char buffer[256];
    in.getline(buffer, 256);
    std::vector<Facet> facets;
    for (;;)
    {
        in >> std::setw(256) >> buffer;
        if (in.fail() || std::strncmp(buffer, "endsolid", 8) == 0)
        {
            break;
        }
        Facet facet;
        in >> std::setw(256) >> buffer >> facet.normal[0] >> facet.normal[1] >> facet.normal[2];
        in >> std::setw(256) >> buffer >> std::setw(256) >> buffer;
        for (float *v : {facet.v1, facet.v2, facet.v3})
        {
            in >> std::setw(256) >> buffer >> v[0] >> v[1] >> v[2];
        }
        in >> std::setw(256) >> buffer >> std::setw(256) >> buffer;
        if (!in.good())
        {
            return -1;
        }
        facetNormal(facet.v1, facet.v2, facet.v3, facet.normal);
        facets.push_back(facet);
    }
    Facet *array = new Facet[facets.size()];
    std::copy(facets.begin(), facets.end(), array);
    long count = static_cast<long>(facets.size());
    facets = {};
    delete[] array;
    return count;
}

long readWithAssimp(const char *fileName)
{
    Assimp::Importer importer;
    const aiScene *scene = importer.ReadFile(fileName, 0);
    if (scene == nullptr)
    {
        std::fprintf(stderr, "assimp: %s\n", importer.GetErrorString());
        return -1;
    }
    long faces = 0;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i)
    {
        faces += scene->mMeshes[i]->mNumFaces;
    }
    return faces;
}

long readWithLoadStl(const char *fileName)
{
    std::int32_t count = 0;
    Facet *facets = loadStl(fileName, &count);
    if (facets == nullptr)
    {
        return -1;
    }
    delete[] facets;
    return count;
}

int readOnce(const std::string &reader, const char *fileName)
{
    long before = maxRssKb();
    auto start = std::chrono::steady_clock::now();
    long facets = reader == "ours"     ? readWithLoadStl(fileName)
                  : reader == "assimp" ? readWithAssimp(fileName)
                                       : readWithStreamExtraction(fileName);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // One line for the parent: seconds, facets, peak resident kB, resident kB before reading.
    std::printf("%.6f %ld %ld %ld\n", seconds, facets, maxRssKb(), before);
    return facets < 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// The comparison, each read in a child.

struct Sample
{
    double seconds = 0.0;
    long facets = 0;
    long peakKb = 0;
    long baseKb = 0;
};

Sample readInChild(const std::string &reader, const std::string &fileName)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
    {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::string self = std::filesystem::read_symlink("/proc/self/exe");
    char *argv[] = {self.data(), const_cast<char *>(reader.c_str()),
                    const_cast<char *>(fileName.c_str()), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, self.c_str(), &actions, nullptr, argv, environ) != 0)
    {
        std::perror("posix_spawn");
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string output;
    char chunk[256];
    ssize_t got = 0;
    while ((got = read(pipeEnds[0], chunk, sizeof chunk)) > 0)
    {
        output.append(chunk, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    Sample sample;
    if (std::sscanf(output.c_str(), "%lf %ld %ld %ld", &sample.seconds, &sample.facets,
                    &sample.peakKb, &sample.baseKb) != 4 ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    {
        std::fprintf(stderr, "%s failed on %s\n", reader.c_str(), fileName.c_str());
        std::exit(1);
    }
    return sample;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

void warmPageCache(const std::string &fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)
    {
    }
}

int compare(const std::filesystem::path &folder, int rounds)
{
    const char *readers[] = {"ours", "assimp", "stream"};
    std::printf("%-14s %-8s %9s %9s %10s %12s %12s\n", "file", "reader", "seconds", "MB/s",
                "Mfacets/s", "peak MB", "beyond array");
    for (const char *name : {"exponent.STL", "short.STL"})
    {
        std::string fileName = (folder / name).string();
        double megabytes = static_cast<double>(std::filesystem::file_size(fileName)) / 1e6;
        warmPageCache(fileName);
        std::vector<Sample> samples[3];
        for (int round = 0; round < rounds; ++round)
        {
            for (int r = 0; r < 3; ++r)
            {
                // The old reader is only context: one round of it is enough.
                if (r == 2 && round > 0)
                {
                    continue;
                }
                samples[r].push_back(readInChild(readers[r], fileName));
            }
        }
        double rate[3] = {};
        for (int r = 0; r < 3; ++r)
        {
            std::vector<double> seconds;
            std::vector<double> peaks;
            for (const Sample &s : samples[r])
            {
                seconds.push_back(s.seconds);
                peaks.push_back(static_cast<double>(s.peakKb - s.baseKb) / 1024.0);
            }
            double time = median(seconds);
            long facets = samples[r].front().facets;
            double peak = median(peaks);
            double array = static_cast<double>(facets) * sizeof(Facet) / (1024.0 * 1024.0);
            rate[r] = megabytes / time;
            std::printf("%-14s %-8s %9.3f %9.1f %10.2f %12.1f", name, readers[r], time, rate[r],
                        static_cast<double>(facets) / time / 1e6, peak);
            if (r == 0)
            {
                std::printf(" %12.1f\n", peak - array);
            }
            else
            {
                std::printf(" %12s\n", "-");
            }
        }
        std::printf("%-14s ours/assimp throughput ratio %.2f (%.1f MB file, median of %d "
                    "interleaved rounds)\n",
                    name, rate[0] / rate[1], megabytes, rounds);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "generate" && argc == 4)
    {
        std::filesystem::path folder = argv[2];
        long facets = std::atol(argv[3]);
        writeStl(folder / "exponent.STL", facets, true);
        writeStl(folder / "short.STL", facets, false);
        return 0;
    }
    if (mode == "compare" && argc == 4)
    {
        return compare(argv[2], std::atoi(argv[3]));
    }
    if ((mode == "ours" || mode == "assimp" || mode == "stream") && argc == 3)
    {
        return readOnce(mode, argv[2]);
    }
    std::fprintf(stderr,
                 "usage: %s generate DIR FACETS | compare DIR ROUNDS | ours|assimp|stream FILE\n",
                 argv[0]);
    return 2;
}
