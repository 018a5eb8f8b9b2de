// Two servers behind nginx (a process of the test's, its configuration as docs/server.md shows):
// games are made on either, and every connection to a game reaches the server its id names.
#include "tests/server/process.h"
#include "tests/server/server_fixture.h"

#include <fstream>
#include <map>

#include <gtest/gtest.h>

using nlohmann::json;

namespace
{

// @DIR@ stands for the test's folder, @PORT@ for nginx's port, @A@ and @B@ for the servers'.
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
    upstream gomoku_any { server 127.0.0.1:@A@; server 127.0.0.1:@B@; }
    upstream gomoku_a { server 127.0.0.1:@A@; }
    upstream gomoku_b { server 127.0.0.1:@B@; }
    map $arg_game $gomoku_upstream {
        default gomoku_any;
        "~^a-[a-z2-7]{16}$" gomoku_a;
        "~^b-[a-z2-7]{16}$" gomoku_b;
    }
    server {
        listen 127.0.0.1:@PORT@;
        location / {
            proxy_pass http://$gomoku_upstream;
            proxy_http_version 1.1;
            proxy_set_header Upgrade $http_upgrade;
            proxy_set_header Connection "upgrade";
            proxy_set_header Host $http_host;
            proxy_set_header X-Real-IP $remote_addr;
        }
    }
}
)";

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
        << replaced(NGINX_CONFIGURATION, {{"@DIR@", dir.path().string()},
                                          {"@PORT@", std::to_string(port)},
                                          {"@A@", std::to_string(a.port())},
                                          {"@B@", std::to_string(b.port())}});
    Process proxy(nginx,
                  {"-p", dir.path().string(), "-c", (dir.path() / "nginx.conf").string(), "-e",
                   (dir.path() / "error.log").string(), "-g", "daemon off;"},
                  dir.path() / "nginx.out");
    const auto up = [port]
    {
        return rawHttp(port, "GET /healthz HTTP/1.0\r\n\r\n", 200ms).find("\r\n\r\nok") !=
               std::string::npos;
    };
    for (int i = 0; i < 100 && !up(); ++i)
    {
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_TRUE(up()) << "nginx did not answer: " << fileText(dir.path() / "error.log");

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
            json state;
            joinAs(port, players.game, "watcher", "", &state);
            EXPECT_EQ(state["moves"].size(), 2u);
            // Directly: its own server has it, the other has never heard of it.
            joinAs(own, players.game, "watcher");
            TestClient wrong(other);
            wrong.send(join(players.game));
            EXPECT_EQ(wrong.expect("error").value("code", ""), "no-such-game");
        }
    }
    // Stopped with SIGTERM while players and watchers are still connected: a clean stop.
    EXPECT_EQ(a.end(SIGTERM), 0);
    EXPECT_EQ(b.end(SIGTERM), 0);
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
