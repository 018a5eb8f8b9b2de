// The real Server in this process on a free loopback port, its database in a fresh folder, its
// clock the test's; games set up by test clients; the helpers the server tests share.
#pragma once

#include "server/server.h"
#include "tests/server/test_client.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
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

// The server on port 0 with its database in its own folder, whatever `options` say of those.
class RunningServer
{
public:
    explicit RunningServer(ServerOptions options = {});
    ~RunningServer() { stop(); }
    RunningServer(const RunningServer &) = delete;
    RunningServer &operator=(const RunningServer &) = delete;

    unsigned short port() const { return port_; }
    const std::filesystem::path &database() const { return database_; }
    void advance(std::int64_t seconds) { now_ += seconds * 1000; }
    void advanceMs(std::int64_t ms) { now_ += ms; }
    std::int64_t now() const { return now_ / 1000; }
    std::int64_t nowMs() const { return now_; }
    // Runs the clocks' check on the server's loop now, and waits for it.
    void tick();
    // Moves the clock on by `later` seconds, then runs the sweep on the server's loop and waits
    // for it.
    void sweep(std::int64_t later);
    std::vector<std::string> log() const;
    // Stops the server and waits for its loop to end.
    void stop();
    // Stops the server, lets `downMs` pass, and starts it again on the same database and
    // options, on another free port.
    void restart(std::int64_t downMs);

private:
    void start();

    ServerOptions options_;
    TempDir dir_;
    std::filesystem::path database_;
    std::atomic<std::int64_t> now_{1'800'000'000'000}; // milliseconds
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
std::string undo(int n);
std::string undoAnswer(int n, bool accept);
std::string choose(const std::string &choice, int n);
std::string resign();
std::string offerDraw(int n);
std::string answerDraw(int n, bool accept);
std::string rematch();
// A create padded with an unknown field to exactly `size` bytes.
std::string padded(std::size_t size);

// Makes a game on `client`'s connection: its "created" answer (the state that follows is read).
// `fields`: more of the create message, such as R"("rule":"renju")".
nlohmann::json createGame(TestClient &client, const std::string &fields = "");

// A game under way told apart by who opens: the first player (black's first stone, and with
// swap2 the first three) and the second, as the draw made them.
struct Seats
{
    std::string game;
    std::unique_ptr<TestClient> first, second;
    std::string firstSecret, secondSecret;
};
// Makes a game with the create's `fields` and joins it: both players have heard the draw.
Seats startSeats(unsigned short port, const std::string &fields);

// Makes a game and joins it through the link's address: both players told their colours.
Players startGame(unsigned short port);

// Joins `game` on a new connection, with a seat's `secret` or none; the answer must give `role`
// (and a secret unless watching); the state that follows goes to `state` when asked for.
std::unique_ptr<TestClient> joinAs(unsigned short port, const std::string &game,
                                   const std::string &role, const std::string &secret = "",
                                   nlohmann::json *state = nullptr);

// Writes a game of `moves` fivelessMoves (the n-th at `now` + n) into `store`: seats `a` and
// `b`, black the one `blackSeat` (0 or 1) names.
void writeGame(Store &store, const std::string &game, const std::string &a, const std::string &b,
               int blackSeat, int moves, std::int64_t now);

// A game of `moves` moves (seat 0 black's), the request to take one back `undo` names and the
// refusal `refused` names, written into the server's database; both players joined to it, and
// the state black is sent kept in `blackState`.
Players storedGame(RunningServer &server, int moves,
                   const std::optional<StoredGame::Undo> &undo = std::nullopt,
                   nlohmann::json *blackState = nullptr,
                   const std::optional<StoredGame::Undo> &refused = std::nullopt);

// Plays the moves alternately from move `n` (black's when even), each acknowledged by both
// players; false (and test failures) when one is not.
bool playMoves(Players &players, const std::vector<std::pair<int, int>> &moves, int n = 0);

// From move `n`, the side to move makes five along `row` while the other plays `row` + 1, in
// columns 0 to 4; both players have heard every move but the last.
void fiveAlongRow(Players &players, int n, int row);

void onDatabase(const std::filesystem::path &database, const std::string &sql);

// Alternating black and white moves that never make five (colour ((2 * row + col) / 2) % 2).
std::vector<std::pair<int, int>> fivelessMoves(int count);

// `text` with every key replaced by its value.
std::string replaced(std::string text,
                     const std::vector<std::pair<std::string, std::string>> &replacements);

std::string fileText(const std::filesystem::path &path);
