// The in-process server and the games the tests set up.
#include "server/sqlite_store.h"
#include "tests/server/server_fixture.h"

#include <boost/asio/post.hpp>
#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <future>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>

TempDir::TempDir()
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "gomoku3d-server-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
    {
        throw std::runtime_error("cannot make a folder for the test");
    }
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

RunningServer::RunningServer(ServerOptions options)
    : options_(std::move(options)), database_(dir_.path() / "games.sqlite")
{
    options_.port = 0;
    options_.database = database_.string();
    start();
}

void RunningServer::restart(std::int64_t downMs)
{
    stop();
    advanceMs(downMs);
    io_.restart();
    start();
}

void RunningServer::start()
{
    server_ = std::make_unique<Server>(
        io_, options_, [this] { return now_.load(); },
        [this](std::string_view line)
        {
            std::lock_guard<std::mutex> lock(logMutex_);
            log_.emplace_back(line);
        });
    port_ = server_->port();
    loop_ = std::thread([this] { io_.run(); });
}

void RunningServer::sweep(std::int64_t later)
{
    advance(later);
    std::promise<void> done;
    boost::asio::post(io_, [&] { server_->sweep(), done.set_value(); });
    done.get_future().wait();
}

void RunningServer::tick()
{
    std::promise<void> done;
    boost::asio::post(io_, [&] { server_->tick(), done.set_value(); });
    done.get_future().wait();
}

std::vector<std::string> RunningServer::log() const
{
    std::lock_guard<std::mutex> lock(logMutex_);
    return log_;
}

void RunningServer::stop()
{
    if (loop_.joinable())
    {
        boost::asio::post(io_, [this] { server_->stop(); });
        loop_.join();
        server_.reset();
    }
}

std::string join(const std::string &game, const std::string &secret)
{
    nlohmann::json message{{"type", "join"}, {"game", game}};
    if (!secret.empty())
    {
        message["secret"] = secret;
    }
    return message.dump();
}

std::string move(int row, int col, int n)
{
    return nlohmann::json{{"type", "move"}, {"row", row}, {"col", col}, {"n", n}}.dump();
}

std::string undo(int n)
{
    return nlohmann::json{{"type", "undo"}, {"n", n}}.dump();
}

std::string undoAnswer(int n, bool accept)
{
    return nlohmann::json{{"type", "undo-answer"}, {"n", n}, {"accept", accept}}.dump();
}

std::string resign()
{
    return R"({"type":"resign"})";
}

std::string offerDraw(int n)
{
    return nlohmann::json{{"type", "offer-draw"}, {"n", n}}.dump();
}

std::string answerDraw(int n, bool accept)
{
    return nlohmann::json{{"type", "answer-draw"}, {"n", n}, {"accept", accept}}.dump();
}

std::string rematch()
{
    return R"({"type":"rematch"})";
}

std::string padded(std::size_t size)
{
    const std::string head = R"({"type":"create","pad":")", tail = "\"}";
    return head + std::string(size - head.size() - tail.size(), 'x') + tail;
}

std::string choose(const std::string &choice, int n)
{
    return R"({"type":"choose","choice":")" + choice + R"(","n":)" + std::to_string(n) + "}";
}

nlohmann::json createGame(TestClient &client, const std::string &fields)
{
    client.send(fields.empty() ? R"({"type":"create"})" : R"({"type":"create",)" + fields + "}");
    auto created = client.expect("created");
    client.expect("state");
    return created;
}

Players startGame(unsigned short port)
{
    Players players;
    players.black = std::make_unique<TestClient>(port);
    const auto created = createGame(*players.black);
    players.game = created.value("game", "");
    // By the link's address, as a proxy routes it.
    players.white = std::make_unique<TestClient>(
        port, TestClient::Options{.target = "/ws?game=" + players.game});
    players.white->send(join(players.game));
    const auto joined = players.white->expect("joined");
    players.white->expect("state");
    players.blackSecret = created.value("secret", "");
    players.whiteSecret = joined.value("secret", "");
    const std::string creatorColour = players.black->expect("state").value("you", "");
    EXPECT_TRUE(creatorColour == "black" || creatorColour == "white") << creatorColour;
    EXPECT_EQ(joined.value("role", ""), creatorColour == "black" ? "white" : "black");
    if (creatorColour == "white")
    {
        std::swap(players.black, players.white);
        std::swap(players.blackSecret, players.whiteSecret);
    }
    return players;
}

Seats startSeats(unsigned short port, const std::string &fields)
{
    Seats seats;
    seats.first = std::make_unique<TestClient>(port);
    const auto created = createGame(*seats.first, fields);
    seats.game = created.value("game", "");
    seats.firstSecret = created.value("secret", "");
    seats.second =
        std::make_unique<TestClient>(port, TestClient::Options{.target = "/ws?game=" + seats.game});
    seats.second->send(join(seats.game));
    seats.secondSecret = seats.second->expect("joined").value("secret", "");
    const auto joinerState = seats.second->expect("state");
    const auto creatorState = seats.first->expect("state");
    const int creatorPlayer = creatorState.value("player", 0);
    EXPECT_TRUE(creatorPlayer == 1 || creatorPlayer == 2) << creatorState.dump();
    EXPECT_EQ(joinerState.value("player", 0), 3 - creatorPlayer) << joinerState.dump();
    if (creatorPlayer == 2)
    {
        std::swap(seats.first, seats.second);
        std::swap(seats.firstSecret, seats.secondSecret);
    }
    return seats;
}

std::unique_ptr<TestClient> joinAs(unsigned short port, const std::string &game,
                                   const std::string &role, const std::string &secret,
                                   nlohmann::json *state)
{
    auto client =
        std::make_unique<TestClient>(port, TestClient::Options{.target = "/ws?game=" + game});
    client->send(join(game, secret));
    const auto joined = client->expect("joined");
    EXPECT_EQ(joined.value("role", ""), role);
    // A seat's secret comes back as it was sent; a new seat gets one, a watcher none.
    EXPECT_EQ(joined.contains("secret"), role != "watcher") << joined.dump();
    EXPECT_TRUE(secret.empty() || joined.value("secret", "") == secret) << joined.dump();
    const auto next = client->expect("state");
    if (state != nullptr)
    {
        *state = next;
    }
    return client;
}

void writeGame(Store &store, const std::string &game, const std::string &a, const std::string &b,
               int blackSeat, int moves, std::int64_t now)
{
    store.addGame(game, a, now);
    store.takeSecondSeat(game, b, blackSeat, now);
    const auto plan = fivelessMoves(moves);
    for (int n = 0; n < moves; ++n)
    {
        store.addMove(game, n, core::pointOfCell(plan[n].first, plan[n].second), false, now + n);
    }
}

Players storedGame(RunningServer &server, int moves, const std::optional<StoredGame::Undo> &undo,
                   nlohmann::json *blackState, const std::optional<StoredGame::Undo> &refused)
{
    Players players;
    players.game = "local-storedgameaaaaaa";
    players.blackSecret = "0123456789abcdef0123456789abcdef";
    players.whiteSecret = "fedcba9876543210fedcba9876543210";
    {
        SqliteStore sqliteStore(server.database().string(), false);
        Store &store = sqliteStore;
        writeGame(store, players.game, players.blackSecret, players.whiteSecret, 0, moves,
                  server.now());
        store.setUndo(players.game, undo);
        if (refused)
        {
            store.refuseUndo(players.game, *refused);
        }
    }
    nlohmann::json ignored, &state = blackState != nullptr ? *blackState : ignored;
    players.black = joinAs(server.port(), players.game, "black", players.blackSecret, &state);
    EXPECT_EQ(state["moves"].size(), static_cast<std::size_t>(moves));
    players.white = joinAs(server.port(), players.game, "white", players.whiteSecret);
    players.black->expect("presence");
    return players;
}

bool playMoves(Players &players, const std::vector<std::pair<int, int>> &moves, int n)
{
    for (const auto &[row, col] : moves)
    {
        TestClient &mover = n % 2 == 0 ? *players.black : *players.white;
        mover.send(move(row, col, n));
        for (TestClient *player : {players.black.get(), players.white.get()})
        {
            const auto moved = player->expect("moved");
            const std::vector<int> got = {moved.value("n", -1), moved.value("row", -1),
                                          moved.value("col", -1)};
            EXPECT_EQ(got, (std::vector<int>{n, row, col})) << "move " << n << ": " << moved.dump();
            if (got != std::vector<int>{n, row, col})
            {
                return false;
            }
        }
        ++n;
    }
    return true;
}

void fiveAlongRow(Players &players, int n, int row)
{
    std::vector<std::pair<int, int>> moves;
    for (int col = 0; col < 4; ++col)
    {
        moves.insert(moves.end(), {{row, col}, {row + 1, col}});
    }
    ASSERT_TRUE(playMoves(players, moves, n));
    (n % 2 == 0 ? players.black : players.white)->send(move(row, 4, n + 8));
}

void onDatabase(const std::filesystem::path &database, const std::string &sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 2000);
    char *error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error != nullptr ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

std::vector<std::pair<int, int>> fivelessMoves(int count)
{
    std::vector<std::pair<int, int>> colour[2];
    for (int row = 0; row < 18; ++row)
    {
        for (int col = 0; col < 18; ++col)
        {
            colour[((2 * row + col) / 2) % 2].emplace_back(row, col);
        }
    }
    std::vector<std::pair<int, int>> moves;
    for (int i = 0; i < count; ++i)
    {
        moves.push_back(colour[i % 2][i / 2]);
    }
    return moves;
}

std::string replaced(std::string text,
                     const std::vector<std::pair<std::string, std::string>> &replacements)
{
    for (const auto &[key, value] : replacements)
    {
        for (std::size_t at; (at = text.find(key)) != std::string::npos;)
        {
            text.replace(at, key.size(), value);
        }
    }
    return text;
}

std::string fileText(const std::filesystem::path &path)
{
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}
