// The desktop game's online options on the command line: what each good line gives and leaves
// for freeglut, why each bad one is refused, and whether a seek from the start has its player.
#include "app/online_options.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

const std::string GAME = "local-k3m7q2x7bd4hv6tp";
const std::string LINK = "http://127.0.0.1:8080/?game=" + GAME;
const std::string SERVER = "http://127.0.0.1:8080/";

// A line taken: what stays for freeglut, and what the options are ("host:port" of each server,
// "s" before it when secure; "" for none).
struct TakenCase
{
    const char *label;
    std::vector<std::string> line; // after the program's name
    std::vector<std::string> rest = {};
    std::string join = "";
    std::string server = "";
    std::string player = ""; // --name
    std::string clock = "-"; // "-": no --clock
};

const std::vector<TakenCase> TAKEN_CASES = {
    {"None", {}},
    {"OthersStay", {"-geometry", "+10+10", "game.sgf"}, {"-geometry", "+10+10", "game.sgf"}},
    {"Join", {"--join", LINK}, {}, "127.0.0.1:8080"},
    {"PlaySomeone", {"--play-someone", SERVER}, {}, "", "127.0.0.1:8080"},
    {"PlaySomeoneNamed",
     {"--play-someone", SERVER, "--name", "Ann Lee"},
     {},
     "",
     "127.0.0.1:8080",
     "Ann Lee"},
    {"NameFirst", {"--name", "Bo", "--play-someone", "http://h"}, {}, "", "h:80", "Bo"},
    {"AmongFreegluts",
     {"-geometry", "+1+1", "--play-someone", "https://Example.org/play/", "--clock", "03+2",
      "game.sgf"},
     {"-geometry", "+1+1", "game.sgf"},
     "",
     "sExample.org:443",
     "",
     "3+2"},
    {"IPv6NoSlash", {"--play-someone", "http://[::1]:9000"}, {}, "", "[::1]:9000"},
    {"ClockNone", {"--clock", "none", "--join", LINK}, {}, "127.0.0.1:8080", "", "", ""},
    {"JoinWithNameAndClock",
     {"--join", LINK, "--name", "Bo", "--clock", "10+5"},
     {},
     "127.0.0.1:8080",
     "",
     "Bo",
     "10+5"},
    {"ClockLongest",
     {"--play-someone", SERVER, "--clock", "180+60"},
     {},
     "",
     "127.0.0.1:8080",
     "",
     "180+60"},
};

// A line refused, and words its reason has.
struct RefusedCase
{
    const char *label;
    std::vector<std::string> line;
    std::string why;
};

const std::vector<RefusedCase> REFUSED_CASES = {
    // Values missing or wrong.
    {"NoAddress", {"--play-someone"}, "--play-someone needs the server's address"},
    {"AddressIsAnOption", {"--play-someone", "--name", "Ann"}, "--play-someone needs"},
    {"NoName", {"--play-someone", SERVER, "--name"}, "--name needs the name"},
    {"EmptyName", {"--play-someone", SERVER, "--name", ""}, "--name needs the name"},
    {"NoLink", {"--join"}, "--join needs the link"},
    {"AddressWithGame", {"--play-someone", LINK}, "names a game (?game=)"},
    {"AddressOtherScheme",
     {"--play-someone", "ftp://h/"},
     "the address does not start with http://"},
    {"AddressPortZero", {"--play-someone", "http://h:0/"}, "the address's port"},
    {"AddressNoHost", {"--play-someone", "http:///"}, "the address has no host"},
    {"LinkWithoutGame", {"--join", SERVER}, "names no game"},
    {"ClockOneNumber", {"--play-someone", SERVER, "--clock", "3"}, "\"3\" is not a time control"},
    {"ClockTooLong", {"--play-someone", SERVER, "--clock", "181+0"}, "not a time control"},
    {"ClockNoMinutes", {"--play-someone", SERVER, "--clock", "0+5"}, "not a time control"},
    {"ClockIncrementTooLarge", {"--play-someone", SERVER, "--clock", "3+61"}, "not a time control"},
    // Options that do not go together.
    {"JoinAndPlaySomeone", {"--join", LINK, "--play-someone", SERVER}, "give one of them"},
    {"PlaySomeoneTwice",
     {"--play-someone", SERVER, "--play-someone", SERVER},
     "--play-someone is given twice"},
    {"NameTwice",
     {"--name", "Ann", "--play-someone", SERVER, "--name", "Bo"},
     "--name is given twice"},
    {"ClockTwice",
     {"--clock", "3+2", "--play-someone", SERVER, "--clock", "none"},
     "--clock is given twice"},
    {"NameWithoutServer", {"--name", "Ann"}, "--name is for playing online"},
    {"ClockWithoutServer", {"game.psq", "--clock", "3+2"}, "--clock is for playing online"},
};

// The program's command line of `line`, read: true when taken; what stays for freeglut.
bool take(const std::vector<std::string> &line, OnlineOptions *options, std::string *why,
          std::vector<std::string> *rest)
{
    std::vector<std::string> words = {"gomoku3d"};
    words.insert(words.end(), line.begin(), line.end());
    std::vector<char *> argv;
    for (std::string &word : words)
    {
        argv.push_back(word.data());
    }
    int argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);
    const bool taken = takeOnlineArguments(&argc, argv.data(), options, why);
    rest->assign(argv.begin() + 1, argv.begin() + argc);
    return taken;
}

std::string described(const GameLink &link)
{
    return (link.secure ? "s" : "") + link.host + ":" + std::to_string(link.port);
}
std::string described(const std::optional<GameLink> &link)
{
    return link ? described(*link) : "";
}

TEST(OnlineOptions, EachGoodLineIsTaken)
{
    for (const TakenCase &c : TAKEN_CASES)
    {
        SCOPED_TRACE(c.label);
        OnlineOptions options;
        std::string why;
        std::vector<std::string> rest;
        ASSERT_TRUE(take(c.line, &options, &why, &rest)) << why;
        EXPECT_EQ(rest, c.rest);
        EXPECT_EQ(described(options.join), c.join);
        EXPECT_EQ(described(options.server), c.server);
        if (options.join)
        {
            EXPECT_EQ(options.join->game, GAME);
        }
        if (options.server)
        {
            EXPECT_TRUE(options.server->game.empty());
        }
        const GameLink *address = options.address();
        EXPECT_EQ(address == nullptr ? "" : described(*address),
                  c.join.empty() ? c.server : c.join);
        EXPECT_EQ(options.name, c.player);
        EXPECT_EQ(options.clock.value_or("-"), c.clock);
    }
}

TEST(OnlineOptions, EachBadLineIsRefusedWithItsReason)
{
    for (const RefusedCase &c : REFUSED_CASES)
    {
        SCOPED_TRACE(c.label);
        OnlineOptions options;
        std::string why;
        std::vector<std::string> rest;
        ASSERT_FALSE(take(c.line, &options, &why, &rest));
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        EXPECT_EQ(options.address(), nullptr) << "nothing taken from a line refused";
    }
}

// A seek from the start needs the player kept here or a name for a new one; a name beside a
// kept player is not used, and the player is told so; without a seek, nothing is needed.
TEST(OnlineOptions, ASeekFromTheStartHasItsPlayer)
{
    const std::string where = "/state/gomoku3d/seat-player";
    const struct
    {
        const char *name;
        bool seek;
        std::string newName;
        bool kept;
        bool ready;
        std::string words; // in the reason (refused) or the note (ready); "" none
    } cases[] = {
        {"kept, no name", true, "", true, true, ""},
        {"kept, a name", true, "Bo", true, true, "--name Bo is not used"},
        {"a new player's name", true, "Bo", false, true, ""},
        {"neither", true, "", false, false, "--play-someone needs a player"},
        {"joining, neither", false, "", false, true, ""},
        {"joining, a name", false, "Bo", true, true, ""},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        OnlineOptions options;
        GameLink link;
        std::string why;
        ASSERT_TRUE(parseServerAddress(SERVER, &link, &why));
        (c.seek ? options.server : options.join) = link;
        options.name = c.newName;
        std::string note = "stale";
        why.clear();
        ASSERT_EQ(seekHasPlayer(options, c.kept, where, &why, &note), c.ready);
        const std::string &said = c.ready ? note : why;
        if (c.words.empty())
        {
            EXPECT_EQ(said, "");
        }
        else
        {
            EXPECT_NE(said.find(c.words), std::string::npos) << said;
            EXPECT_NE(said.find(where), std::string::npos) << "says where the player is kept";
        }
        if (!c.ready)
        {
            EXPECT_NE(why.find("--name NAME"), std::string::npos) << "says what to give";
        }
    }
}

} // namespace
