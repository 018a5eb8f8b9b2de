// A server of the tests' own in this process: the real Server on a free port of the loopback,
// its database in a fresh folder, its event loop on a thread, its clock the test's, its log
// lines kept. Also games set up by test clients, and the folder helpers the server tests share.
#pragma once

#include "server/server.h"
#include "tests/server/test_client.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A fresh folder, removed with all it holds at the end.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
};

class RunningServer
{
public:
    // The options the tests start from: port 0, the database in the server's folder.
    static ServerOptions defaults();

    explicit RunningServer(ServerOptions options = defaults());
    ~RunningServer() { stop(); }
    RunningServer(const RunningServer &) = delete;
    RunningServer &operator=(const RunningServer &) = delete;

    unsigned short port() const { return port_; }
    const std::filesystem::path &database() const { return database_; }
    // The server's clock, in seconds since the epoch: starts at a fixed moment.
    void advance(std::int64_t seconds) { now_ += seconds; }
    std::int64_t now() const { return now_; }
    // Runs the sweep on the server's loop and waits for it.
    void sweep();
    std::vector<std::string> log() const;
    // Stops the server and waits for its loop to end; the destructor does it too.
    void stop();

private:
    TempDir dir_;
    std::filesystem::path database_;
    std::atomic<std::int64_t> now_{1'800'000'000};
    boost::asio::io_context io_;
    std::unique_ptr<Server> server_;
    unsigned short port_ = 0;
    std::thread loop_;
    mutable std::mutex logMutex_;
    std::vector<std::string> log_;
};

// A game under way: its two players, told apart by colour once the draw is made.
struct Players
{
    std::string game;
    std::unique_ptr<TestClient> black, white;
    std::string blackSecret, whiteSecret;
};

// The messages a client sends; a join without a secret takes a free seat or watches.
std::string join(const std::string &game, const std::string &secret = "");
std::string move(int row, int col, int n);
// A create padded with an unknown field to exactly `size` bytes.
std::string padded(std::size_t size);

// Makes a game on `client`'s connection: its "created" answer (the state that follows is read).
nlohmann::json createGame(TestClient &client);

// Makes a game and joins it: both players connected, both told their colours.
Players startGame(unsigned short port);

// Joins `game` with a seat's `secret` (as a reloaded page does) or none, on a new connection; the
// answer must give `role` (a watcher is never told a secret), and the state that follows is kept
// in `state` when asked for.
std::unique_ptr<TestClient> joinAs(unsigned short port, const std::string &game,
                                   const std::string &role, const std::string &secret = "",
                                   nlohmann::json *state = nullptr);

// A game of `moves` moves (fivelessMoves, the n-th at `now` + n) written into `store`: its first
// seat `a`'s, its second `b`'s, black the one `blackSeat` (0 or 1) names.
void writeGame(Store &store, const std::string &game, const std::string &a, const std::string &b,
               int blackSeat, int moves, std::int64_t now);

// A game of `moves` moves written straight into the server's database, as if played before, and
// its players joined to it with their secrets; black to move when `moves` is even.
Players storedGame(RunningServer &server, int moves);

// Plays the moves alternately from move `n` (black's when even), each acknowledged by both
// players; false (and test failures) when one is not.
bool playMoves(Players &players, const std::vector<std::pair<int, int>> &moves, int n = 0);

// Black, to move at move `n` in a game that left rows 3 and 4 empty from column 0 to 4, makes five
// along row 3 while white plays row 4; the players have heard every move but the last.
void blackWinsAlongRow3(Players &players, int n);

// Runs SQL on the server's database from a connection of the test's own.
void onDatabase(const std::filesystem::path &database, const std::string &sql);

// Black's and white's moves, alternating, of a game that never makes five (the colouring by
// ((2 * row + col) / 2) % 2), as (row, col).
std::vector<std::pair<int, int>> fivelessMoves(int count);

// `text` with every key replaced by its value.
std::string replaced(std::string text,
                     const std::vector<std::pair<std::string, std::string>> &replacements);

std::string fileText(const std::filesystem::path &path);
