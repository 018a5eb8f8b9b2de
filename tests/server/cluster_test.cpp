// Three real servers on one PostgreSQL and one Redis, which the test starts itself: a game whose
// players and watcher came to three different servers is one game; killed with SIGKILL, the
// server carrying it loses nothing acknowledged, and its players go on through the others; seeks
// on two servers meet; /live on any server lists every server's games. Then the same three behind
// nginx, as docs/server.md configures it, with the carrier killed mid-game.
#include "tests/server/postgres.h"
#include "tests/server/process.h"
#include "tests/server/server_fixture.h"

#include <fstream>
#include <thread>

#include <gtest/gtest.h>

using nlohmann::json;
using Strings = std::vector<std::string>;

namespace
{

TestPostgres &postgres()
{
    static TestPostgres cluster;
    return cluster;
}

// A Redis of the test's own, on a Unix socket in the test's folder, keeping nothing on disk.
class TestRedis
{
public:
    explicit TestRedis(const std::filesystem::path &dir) : dir_(dir), socket_(dir / "redis.sock")
    {
        start();
    }
    std::string address() const { return socket_.string(); }

    void start()
    {
        process_ = std::make_unique<Process>(
            "/usr/bin/redis-server",
            std::vector<std::string>{"--port", "0", "--unixsocket", socket_.string(), "--save", "",
                                     "--appendonly", "no", "--dir", dir_.string()},
            dir_ / "redis.log");
        for (int i = 0; i < 200 && !std::filesystem::exists(socket_); ++i)
        {
            std::this_thread::sleep_for(25ms);
        }
        if (!std::filesystem::exists(socket_))
        {
            throw std::runtime_error("redis-server did not start: " + fileText(dir_ / "redis.log"));
        }
    }
    // Killed as a crash would, everything in it lost.
    void kill()
    {
        process_->end(SIGKILL);
        process_.reset();
        std::filesystem::remove(socket_);
    }

private:
    std::filesystem::path dir_;
    std::filesystem::path socket_;
    std::unique_ptr<Process> process_;
};

struct Servers
{
    TempDir dir;
    std::string database = postgres().freshDatabase();
    TestRedis redis{dir.path()};
    std::map<std::string, std::unique_ptr<ServerProcess>> running;

    Servers()
    {
        for (const char *name : {"a", "b", "c"})
        {
            start(name);
        }
    }
    void start(const std::string &name)
    {
        running[name] = std::make_unique<ServerProcess>(
            Strings{"--name", name, "--db", database, "--redis", redis.address(), "--port", "0"},
            dir.path() / (name + ".log"));
    }
    unsigned short port(const std::string &name) { return running.at(name)->port(); }
    std::string log(const std::string &name) { return fileText(dir.path() / (name + ".log")); }
};

// The next message that is not news of who is there or watching.
json next(TestClient &client, const std::string &type, std::chrono::milliseconds timeout = 3s)
{
    for (;;)
    {
        const auto message = client.receive(timeout);
        if (!message)
        {
            ADD_FAILURE() << "no " << type << " came";
            return json::object();
        }
        const std::string got = message->value("type", "");
        if (got == "presence" || got == "watchers")
        {
            continue;
        }
        EXPECT_EQ(got, type) << message->dump();
        return *message;
    }
}

// Joins `game` at `port` with a seat's secret, as a page reconnecting does: again after a short
// wait while the answer does not come (the servers are still finding out which of them stopped).
std::unique_ptr<TestClient> rejoin(unsigned short port, const std::string &game,
                                   const std::string &secret, json *state)
{
    for (int attempt = 0; attempt < 12; ++attempt)
    {
        auto client =
            std::make_unique<TestClient>(port, TestClient::Options{.target = "/ws?game=" + game});
        client->send(join(game, secret));
        const auto answer = client->receive(1500ms);
        if (answer && answer->value("type", "") == "joined")
        {
            *state = next(*client, "state");
            return client;
        }
        std::this_thread::sleep_for(500ms);
    }
    ADD_FAILURE() << "could not join " << game << " again";
    return nullptr;
}

// A game made at `creator` and joined at `joiner`, the players told apart by colour.
Players startAcross(unsigned short creator, unsigned short joiner)
{
    Players players;
    players.black = std::make_unique<TestClient>(creator);
    const json created = createGame(*players.black);
    players.game = created.value("game", "");
    players.white = std::make_unique<TestClient>(
        joiner, TestClient::Options{.target = "/ws?game=" + players.game});
    players.white->send(join(players.game));
    const json joined = next(*players.white, "joined");
    next(*players.white, "state");
    players.blackSecret = created.value("secret", "");
    players.whiteSecret = joined.value("secret", "");
    if (next(*players.black, "state").value("you", "") == "white")
    {
        std::swap(players.black, players.white);
        std::swap(players.blackSecret, players.whiteSecret);
    }
    return players;
}

// Moves from `n` on, each heard by both players.
void play(Players &players, const std::vector<std::pair<int, int>> &moves, int n)
{
    for (const auto &[row, col] : moves)
    {
        TestClient &mover = n % 2 == 0 ? *players.black : *players.white;
        mover.send(move(row, col, n));
        for (TestClient *client : {players.black.get(), players.white.get()})
        {
            const json moved = next(*client, "moved");
            EXPECT_EQ(moved.value("n", -1), n) << moved.dump();
        }
        ++n;
    }
}

json liveAt(unsigned short port)
{
    const std::string answer = rawHttp(port, "GET /live.json HTTP/1.0\r\n\r\n");
    const std::size_t body = answer.find("\r\n\r\n");
    return body == std::string::npos ? json()
                                     : json::parse(answer.substr(body + 4), nullptr, false);
}

TEST(Cluster, OneGameOnThreeServersOutlivesTheOneCarryingIt)
{
    ASSERT_TRUE(std::filesystem::exists("/usr/bin/redis-server"))
        << "redis-server is not installed: tools/setup.sh installs it";
    Servers servers;
    // Black or white made it at a, the other joined at b, and a watcher came to c.
    Players players = startAcross(servers.port("a"), servers.port("b"));
    ASSERT_EQ(players.game.substr(0, 2), "a-");
    json watched;
    auto watcher = std::make_unique<TestClient>(servers.port("c"));
    watcher->send(join(players.game));
    EXPECT_EQ(next(*watcher, "joined").value("role", ""), "watcher");
    next(*watcher, "state");
    play(players, {{9, 9}, {10, 9}, {9, 10}}, 0);
    for (int n = 0; n < 3; ++n)
    {
        EXPECT_EQ(next(*watcher, "moved").value("n", -1), n);
    }
    // A move out of turn, from either server, is refused by the game's one referee.
    players.black->send(move(0, 0, 3));
    EXPECT_EQ(next(*players.black, "error").value("code", ""), "not-your-turn");

    // Every server lists the game, carried by a, with its moves.
    for (const char *name : {"a", "b", "c"})
    {
        json live;
        for (int i = 0; i < 40; ++i)
        {
            live = liveAt(servers.port(name));
            if (live.is_object() && live["games"].size() == 1 && live["games"][0]["moves"] == 3)
            {
                break;
            }
            std::this_thread::sleep_for(100ms);
        }
        ASSERT_TRUE(live.is_object()) << name;
        ASSERT_EQ(live["games"].size(), 1u) << name << ": " << live.dump();
        EXPECT_EQ(live["games"][0]["game"], players.game);
        EXPECT_EQ(live["games"][0]["moves"], 3);
        EXPECT_EQ(live["games"][0]["watchers"], 1);
    }

    // a is killed: the clients handed to it are let go, and reconnect elsewhere.
    servers.running.at("a")->end(SIGKILL);
    EXPECT_TRUE(players.black->closed(8s));
    EXPECT_TRUE(players.white->closed(8s)) << "b kept a client handed to a server that is gone";
    EXPECT_TRUE(watcher->closed(8s)) << "c kept a client handed to a server that is gone";
    players.black.reset(), players.white.reset(), watcher.reset();
    json state;
    players.black = rejoin(servers.port("c"), players.game, players.blackSecret, &state);
    ASSERT_TRUE(players.black);
    EXPECT_EQ(state["moves"], json::parse("[[9,9],[10,9],[9,10]]"));
    EXPECT_EQ(state["you"], "black");
    players.white = rejoin(servers.port("b"), players.game, players.whiteSecret, &state);
    ASSERT_TRUE(players.white);
    EXPECT_EQ(state["you"], "white");
    EXPECT_EQ(state["moves"].size(), 3u);
    play(players, {{10, 10}, {9, 11}, {10, 11}, {9, 12}, {10, 12}}, 3);
    players.black->send(move(9, 13, 8));
    for (TestClient *client : {players.black.get(), players.white.get()})
    {
        next(*client, "moved");
        EXPECT_EQ(next(*client, "state")["winner"], "black");
    }
    // Started again, a carries games as before, this one too.
    servers.start("a");
    json after;
    auto late = joinAs(servers.port("a"), players.game, "watcher", "", &after);
    EXPECT_EQ(after["moves"].size(), 9u);
    EXPECT_EQ(after["winner"], "black");
}

TEST(Cluster, SeeksOnTwoServersMeet)
{
    Servers servers;
    TestClient alice(servers.port("a")), bob(servers.port("b"));
    alice.send(R"({"type":"hello","name":"alice"})");
    bob.send(R"({"type":"hello","name":"bob"})");
    EXPECT_EQ(next(alice, "player")["name"], "alice");
    EXPECT_EQ(next(bob, "player")["name"], "bob");
    alice.send(R"({"type":"seek","rule":"renju"})");
    EXPECT_EQ(next(alice, "seeking")["rule"], "renju");
    bob.send(R"({"type":"seek","rule":"renju"})");
    const json bobPaired = next(bob, "paired");
    const json alicePaired = next(alice, "paired");
    ASSERT_EQ(bobPaired["game"], alicePaired["game"]);
    const std::string game = bobPaired.value("game", "");
    // Each joins on the connection it has, at its own server: one game, refereed in one place.
    alice.send(join(game, alicePaired.value("secret", "")));
    bob.send(join(game, bobPaired.value("secret", "")));
    const std::string aliceRole = next(alice, "joined").value("role", "");
    const std::string bobRole = next(bob, "joined").value("role", "");
    EXPECT_NE(aliceRole, bobRole);
    EXPECT_EQ(next(alice, "state")["rule"], "renju");
    next(bob, "state");
    TestClient &black = aliceRole == "black" ? alice : bob;
    TestClient &white = aliceRole == "black" ? bob : alice;
    black.send(move(9, 9, 0));
    EXPECT_EQ(next(black, "moved")["colour"], "black");
    EXPECT_EQ(next(white, "moved")["colour"], "black");
}

TEST(Cluster, RedisKilledAndStartedAgainDelaysMovesAndLosesNone)
{
    Servers servers;
    Players players = startAcross(servers.port("a"), servers.port("b"));
    play(players, {{9, 9}, {10, 9}, {9, 10}}, 0);
    servers.redis.kill();
    std::this_thread::sleep_for(1s);
    servers.redis.start();
    // What the servers held in Redis is gone, and with it where each game is carried: every
    // client is let go, comes back, and the game is where it stood.
    EXPECT_TRUE(players.black->closed(8s));
    EXPECT_TRUE(players.white->closed(8s));
    players.black.reset(), players.white.reset();
    json state;
    players.black = rejoin(servers.port("b"), players.game, players.blackSecret, &state);
    ASSERT_TRUE(players.black);
    players.white = rejoin(servers.port("a"), players.game, players.whiteSecret, &state);
    ASSERT_TRUE(players.white);
    EXPECT_EQ(state["moves"], json::parse("[[9,9],[10,9],[9,10]]"));
    play(players, {{10, 10}, {9, 11}}, 3);
    for (const char *name : {"a", "b", "c"})
    {
        EXPECT_NE(rawHttp(servers.port(name), "GET /healthz HTTP/1.0\r\n\r\n").find("\r\n\r\nok"),
                  std::string::npos)
            << name << " stopped with Redis: " << servers.log(name);
    }
}

// @DIR@ stands for the test's folder, @PORT@ for nginx's port, @SERVERS@ for the servers' lines.
const std::string NGINX_CONFIGURATION = R"(pid @DIR@/nginx.pid;
worker_processes 1;
events { worker_connections 256; }
http {
    access_log off;
    client_body_temp_path @DIR@/client_body;
    proxy_temp_path @DIR@/proxy;
    fastcgi_temp_path @DIR@/fastcgi;
    uwsgi_temp_path @DIR@/uwsgi;
    scgi_temp_path @DIR@/scgi;
    upstream gomoku { @SERVERS@ }
    server {
        listen 127.0.0.1:@PORT@;
        location / {
            proxy_pass http://gomoku;
            proxy_http_version 1.1;
            proxy_set_header Upgrade $http_upgrade;
            proxy_set_header Connection "upgrade";
            proxy_set_header Host $http_host;
            proxy_set_header X-Real-IP $remote_addr;
            proxy_next_upstream error timeout;
            proxy_connect_timeout 2s;
        }
    }
}
)";

TEST(Cluster, BehindNginxAGameOutlivesItsServer)
{
    const std::filesystem::path nginx = "/usr/sbin/nginx";
    ASSERT_TRUE(std::filesystem::exists(nginx))
        << "nginx is not installed: tools/setup.sh installs nginx-light";
    Servers servers;
    std::string lines;
    for (const char *name : {"a", "b", "c"})
    {
        lines += "server 127.0.0.1:" + std::to_string(servers.port(name)) +
                 " max_fails=1 fail_timeout=30s; ";
    }
    const unsigned short port = freePort();
    const auto &dir = servers.dir.path();
    std::ofstream(dir / "nginx.conf") << replaced(
        NGINX_CONFIGURATION,
        {{"@DIR@", dir.string()}, {"@PORT@", std::to_string(port)}, {"@SERVERS@", lines}});
    Process proxy(nginx,
                  {"-p", dir.string(), "-c", (dir / "nginx.conf").string(), "-e",
                   (dir / "error.log").string(), "-g", "daemon off;"},
                  dir / "nginx.out");
    const auto up = [port]
    {
        return rawHttp(port, "GET /healthz HTTP/1.0\r\n\r\n", 200ms).find("\r\n\r\nok") !=
               std::string::npos;
    };
    for (int i = 0; i < 100 && !up(); ++i)
    {
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_TRUE(up()) << "nginx did not answer: " << fileText(dir / "error.log");

    Players players = startAcross(port, port);
    play(players, {{9, 9}, {10, 9}, {9, 10}, {10, 10}}, 0);
    const std::string carrier = players.game.substr(0, 1);
    servers.running.at(carrier)->end(SIGKILL);
    // Both reconnect through nginx, which finds the servers still there, and play on.
    json state;
    players.black.reset(), players.white.reset();
    players.black = rejoin(port, players.game, players.blackSecret, &state);
    ASSERT_TRUE(players.black);
    EXPECT_EQ(state["moves"].size(), 4u);
    players.white = rejoin(port, players.game, players.whiteSecret, &state);
    ASSERT_TRUE(players.white);
    EXPECT_EQ(state["moves"], json::parse("[[9,9],[10,9],[9,10],[10,10]]"));
    play(players, {{9, 11}, {10, 11}, {9, 12}, {10, 12}}, 4);
    players.black->send(move(9, 13, 8));
    for (TestClient *client : {players.black.get(), players.white.get()})
    {
        next(*client, "moved");
        EXPECT_EQ(next(*client, "state")["winner"], "black");
    }
}

} // namespace
