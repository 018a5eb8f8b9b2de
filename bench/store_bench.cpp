// The database's share of a move: Store::addMove timed one commit at a time, as the server's
// event loop makes them, with synchronous=NORMAL and with --durable (FULL). Every commit holds up
// the whole loop for its time, so its slowest ones (those that checkpoint the log into the
// database) are what other games would feel.
//
//   store_bench FOLDER MOVES
//
// Prints "key value" lines for each mode: commits a second, the median, 99th and 99.9th
// percentiles and the slowest commit in milliseconds, and how many took over 5 ms.
#include "server/sqlite_store.h"
#include "server/store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: store_bench FOLDER MOVES\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const int moves = std::stoi(argv[2]);
    for (const bool durable : {false, true})
    {
        const auto file = folder / (durable ? "durable.sqlite" : "normal.sqlite");
        std::filesystem::remove(file);
        SqliteStore sqliteStore(file.string(), durable);
        Store &store = sqliteStore;
        // Games of 300 moves each, as the server writes them.
        std::vector<double> ms;
        const auto start = std::chrono::steady_clock::now();
        std::string game;
        for (int i = 0; i < moves; ++i)
        {
            const int n = i % 300;
            if (n == 0)
            {
                game =
                    "bench-" + std::string(16 - std::to_string(i).size(), 'a') + std::to_string(i);
                // Digits are not base32, but the store takes any id it is given.
                store.addGame(game, "0123456789abcdef0123456789abcdef", 0);
                store.takeSecondSeat(game, "fedcba9876543210fedcba9876543210", 0, 0);
            }
            const auto before = std::chrono::steady_clock::now();
            store.addMove(game, n, core::pointOfCell(n / 18, n % 18), false, 0);
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before)
                    .count());
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::sort(ms.begin(), ms.end());
        const char *mode = durable ? "full" : "normal";
        std::printf("%s_commits_per_second %.0f\n", mode, moves / seconds);
        std::printf("%s_commit_p50_ms %.3f\n%s_commit_p99_ms %.3f\n%s_commit_p999_ms %.3f\n", mode,
                    ms[ms.size() / 2], mode, ms[ms.size() * 99 / 100], mode,
                    ms[ms.size() * 999 / 1000]);
        std::printf("%s_commit_max_ms %.2f\n%s_commits_over_5_ms %ld\n", mode, ms.back(), mode,
                    static_cast<long>(ms.end() - std::upper_bound(ms.begin(), ms.end(), 5.0)));
    }
    return 0;
}
