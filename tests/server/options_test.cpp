// The server's --public-url: which addresses it takes, and the links to games it then gives in
// "created" and "joined", which the page offers instead of its own address.
#include "server/options.h"
#include "tests/server/server_fixture.h"

#include <gtest/gtest.h>

namespace
{

struct UrlCase
{
    const char *given;
    const char *taken; // nullptr: refused
};

const UrlCase URLS[] = {
    {"http://192.168.1.5:8080/", "http://192.168.1.5:8080/"},
    {"http://192.168.1.5:8080", "http://192.168.1.5:8080/"},
    {"https://play.example.org/five/", "https://play.example.org/five/"},
    {"http://[fe80::1]:8080/", "http://[fe80::1]:8080/"},
    {"https://play.example.org/five", nullptr}, // a path that is not a folder
    {"ftp://example.org/", nullptr},
    {"example.org", nullptr},
    {"http://", nullptr},
    {"http:///games/", nullptr},
    {"http://example.org/?game=x", nullptr},
    {"http://example.org/#top", nullptr},
    {"http://exa mple.org/", nullptr},
    {"http://example.org/\"><script>/", nullptr},
};

TEST(ServerOptions, aPublicUrlIsAnHttpAddressThatALinkCanCarry)
{
    for (const UrlCase &c : URLS)
    {
        SCOPED_TRACE(c.given);
        const auto parsed = parseServerOptions({"--db", "x.sqlite", "--public-url", c.given});
        if (c.taken == nullptr)
        {
            ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
            EXPECT_NE(std::get<std::string>(parsed).find("--public-url"), std::string::npos);
        }
        else
        {
            ASSERT_TRUE(std::holds_alternative<ServerOptions>(parsed));
            EXPECT_EQ(std::get<ServerOptions>(parsed).publicUrl, c.taken);
        }
    }
    const auto long_ = parseServerOptions(
        {"--db", "x.sqlite", "--public-url", "http://" + std::string(200, 'a') + "/"});
    EXPECT_TRUE(std::holds_alternative<std::string>(long_));
}

struct RedisCase
{
    std::vector<std::string> arguments;
    const char *taken; // the Redis address, or nullptr: refused, naming --redis
};

const RedisCase REDIS[] = {
    {{"--db", "postgresql://u@h/games", "--redis", "127.0.0.1:6379"}, "127.0.0.1:6379"},
    {{"--db", "postgres:///games?host=/run/pg", "--redis", "/run/redis/redis.sock"},
     "/run/redis/redis.sock"},
    {{"--db", "games.sqlite", "--redis", "127.0.0.1:6379"}, nullptr}, // nothing shared
    {{"--db", "postgresql://u@h/games", "--redis", "redis://10.0.0.10:6379"}, "10.0.0.10:6379"},
    {{"--db", "postgresql://u@h/games", "--redis", "redis://10.0.0.10:6379/"}, "10.0.0.10:6379"},
    {{"--db", "postgresql://u@h/games", "--redis", "redis://:pw@10.0.0.10:6379"}, nullptr},
    {{"--db", "postgresql://u@h/games", "--redis", "redis://10.0.0.10:6379/2"}, nullptr},
    {{"--db", "postgresql://u@h/games", "--redis", "redis"}, nullptr},
    {{"--db", "postgresql://u@h/games", "--redis", ""}, nullptr},
    {{"--db", "postgresql://u@h/games", "--redis", "/" + std::string(200, 's')}, nullptr},
};

TEST(ServerOptions, redisIsForServersThatShareAPostgresDatabase)
{
    for (const RedisCase &c : REDIS)
    {
        SCOPED_TRACE(c.arguments.back());
        const auto parsed = parseServerOptions(c.arguments);
        if (c.taken == nullptr)
        {
            ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
            EXPECT_NE(std::get<std::string>(parsed).find("--redis"), std::string::npos);
        }
        else
        {
            ASSERT_TRUE(std::holds_alternative<ServerOptions>(parsed));
            EXPECT_EQ(std::get<ServerOptions>(parsed).redis, c.taken);
        }
    }
    EXPECT_TRUE(std::get<ServerOptions>(parseServerOptions({"--db", "x.sqlite"})).redis.empty());
}

TEST(ServerOptions, theLinksToGamesStartWithThePublicUrlAndWithoutItThereAreNone)
{
    for (const std::string url : {"http://10.1.2.3:8080/", ""})
    {
        SCOPED_TRACE(url);
        ServerOptions options;
        options.publicUrl = url;
        RunningServer server(options);
        TestClient creator(server.port());
        const auto created = createGame(creator);
        const std::string game = created.value("game", "");
        EXPECT_EQ(created.value("link", ""), url.empty() ? "" : url + "?game=" + game);
        EXPECT_EQ(created.contains("link"), !url.empty());
        TestClient friend_(server.port());
        friend_.send(join(game));
        const auto joined = friend_.expect("joined");
        EXPECT_EQ(joined.value("link", ""), url.empty() ? "" : url + "?game=" + game);
    }
}

} // namespace
