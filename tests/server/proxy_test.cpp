// Two servers behind nginx on the loopback, routed as docs/server.md shows: games are made
// through nginx on either server, and every connection to a game reaches the server whose name
// its id carries. nginx (Debian's nginx-light) runs as an ordinary process of the test, with its
// own configuration in a fresh folder, on free ports.
#include "tests/server/process.h"
#include "tests/server/server_fixture.h"

#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

using nlohmann::json;

namespace
{

std::string nginxConfiguration(const std::filesystem::path &dir, unsigned short port,
                               unsigned short a, unsigned short b)
{
    std::ostringstream conf;
    conf << "pid " << (dir / "nginx.pid").string() << ";\n"
         << "worker_processes 1;\n"
         << "events { worker_connections 256; }\n"
         << "http {\n"
         << "    access_log off;\n";
    for (const char *temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
    {
        conf << "    " << temp << "_temp_path " << (dir / temp).string() << ";\n";
    }
    conf << "    upstream gomoku_any { server 127.0.0.1:" << a << "; server 127.0.0.1:" << b
         << "; }\n"
         << "    upstream gomoku_a { server 127.0.0.1:" << a << "; }\n"
         << "    upstream gomoku_b { server 127.0.0.1:" << b << "; }\n"
         << "    map $arg_game $gomoku_upstream {\n"
         << "        default gomoku_any;\n"
         << "        \"~^a-[a-z2-7]{16}$\" gomoku_a;\n"
         << "        \"~^b-[a-z2-7]{16}$\" gomoku_b;\n"
         << "    }\n"
         << "    server {\n"
         << "        listen 127.0.0.1:" << port << ";\n"
         << "        location / {\n"
         << "            proxy_pass http://$gomoku_upstream;\n"
         << "            proxy_http_version 1.1;\n"
         << "            proxy_set_header Upgrade $http_upgrade;\n"
         << "            proxy_set_header Connection \"upgrade\";\n"
         << "            proxy_set_header Host $http_host;\n"
         << "            proxy_set_header X-Real-IP $remote_addr;\n"
         << "        }\n"
         << "    }\n"
         << "}\n";
    return conf.str();
}

std::string fileText(const std::filesystem::path &path)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST(ServerProxy, eachGameReachesTheServerItsIdNames)
{
    const std::filesystem::path nginx = "/usr/sbin/nginx";
    ASSERT_TRUE(std::filesystem::exists(nginx))
        << "nginx is not installed: tools/setup.sh installs nginx-light";
    TempDir dir;
    ServerProcess a({"--name", "a", "--db", (dir.path() / "a.sqlite").string(), "--port", "0"},
                    dir.path() / "a.log");
    ServerProcess b({"--name", "b", "--db", (dir.path() / "b.sqlite").string(), "--port", "0"},
                    dir.path() / "b.log");
    const unsigned short port = freePort();
    std::ofstream(dir.path() / "nginx.conf")
        << nginxConfiguration(dir.path(), port, a.port(), b.port());
    Process proxy(nginx,
                  {"-p", dir.path().string(), "-c", (dir.path() / "nginx.conf").string(), "-e",
                   (dir.path() / "error.log").string(), "-g", "daemon off;"},
                  dir.path() / "nginx.out");
    bool up = false;
    for (int i = 0; i < 100 && !up; ++i)
    {
        up = rawHttp(port, "GET /healthz HTTP/1.0\r\n\r\n", 200ms).find("\r\n\r\nok") !=
             std::string::npos;
        if (!up)
        {
            std::this_thread::sleep_for(50ms);
        }
    }
    ASSERT_TRUE(up) << "nginx did not answer: " << fileText(dir.path() / "error.log");

    // Games made through nginx land on both servers.
    std::map<std::string, std::vector<Players>> byServer;
    for (int i = 0; i < 8; ++i)
    {
        Players players = startGame(port);
        ASSERT_FALSE(players.game.empty());
        byServer[std::string(players.game.substr(0, players.game.find('-')))].push_back(
            std::move(players));
    }
    ASSERT_EQ(byServer.size(), 2u) << "the games were not shared between the servers";
    ASSERT_EQ(byServer.count("a") + byServer.count("b"), 2u);
    for (auto &[name, games] : byServer)
    {
        const unsigned short own = name == "a" ? a.port() : b.port();
        const unsigned short other = name == "a" ? b.port() : a.port();
        for (Players &players : games)
        {
            SCOPED_TRACE(players.game);
            // Through nginx, by the link's address: the game's own server answers, and play goes on.
            EXPECT_TRUE(playMoves(players, {{9, 9}, {9, 10}}));
            TestClient::Options options;
            options.target = "/ws?game=" + players.game;
            TestClient watcher(port, options);
            watcher.send(json{{"type", "join"}, {"game", players.game}});
            EXPECT_EQ(watcher.expect("joined").value("role", ""), "watcher");
            EXPECT_EQ(watcher.expect("state")["moves"].size(), 2u);
            // Directly: its own server has it, the other has never heard of it.
            TestClient direct(own), wrong(other);
            direct.send(json{{"type", "join"}, {"game", players.game}});
            EXPECT_EQ(direct.expect("joined").value("role", ""), "watcher");
            wrong.send(json{{"type", "join"}, {"game", players.game}});
            EXPECT_EQ(wrong.expect("error").value("code", ""), "no-such-game");
        }
    }
    // Stopped with SIGTERM while players and watchers are still connected: a clean stop.
    EXPECT_EQ(a.stop(), 0);
    EXPECT_EQ(b.stop(), 0);
    // Each server's log names its own games only.
    for (const auto &[name, games] : byServer)
    {
        const std::string own = fileText(dir.path() / (name + ".log"));
        const std::string other = fileText(dir.path() / (name == "a" ? "b.log" : "a.log"));
        for (const Players &players : games)
        {
            EXPECT_NE(own.find("game " + players.game + " joined"), std::string::npos);
            EXPECT_EQ(other.find(players.game), std::string::npos);
        }
    }
}

} // namespace
