// Meeting strangers: players with names of their own (checked: none may pass for another's),
// seeks paired by rule, clock and rating band, colours drawn, the players who leave games
// unfinished paired last; a paired game is rated by Glicko-2 once, before anyone hears of its
// end; the list of live games with the number watching.
#include "server/sqlite_store.h"
#include "server/ids.h"
#include "server/players.h"
#include "server/rating.h"
#include "tests/server/server_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <thread>

using nlohmann::json;

namespace
{

std::string hello(const std::string &field, const std::string &value)
{
    return json{{"type", "hello"}, {field, value}}.dump();
}

// A connection that has said hello with a new name: the player message's fields.
json newPlayer(TestClient &client, const std::string &name)
{
    client.send(hello("name", name));
    return client.expect("player");
}

std::string seekFor(const std::string &rule, const std::string &clock, int band = -1)
{
    json message{{"type", "seek"}, {"rule", rule}};
    if (!clock.empty())
    {
        message["clock"] = clock;
    }
    if (band >= 0)
    {
        message["band"] = band;
    }
    return message.dump();
}

// A player with `rating` written into the database, and a connection that is it.
std::unique_ptr<TestClient> ratedPlayer(RunningServer &server, const std::string &name,
                                        double rating, int abandoned = 0)
{
    const std::string secret = newSecret();
    {
        SqliteStore sqliteStore(server.database().string(), false);
        Store &store = sqliteStore;
        StoredPlayer player{newSecret().substr(0, 16), secret, name,
                            {rating, 60, 0.06},        10,     abandoned};
        EXPECT_TRUE(store.addPlayer(player, foldedName(name), server.now()));
    }
    auto client = std::make_unique<TestClient>(server.port());
    client->send(hello("secret", secret));
    EXPECT_EQ(client->expect("player")["name"], name);
    return client;
}

// A seat taken with its secret, whichever colour it has: the state that follows in `state`.
std::unique_ptr<TestClient> seatIn(unsigned short port, const std::string &game,
                                   const std::string &secret, json *state = nullptr)
{
    auto client = std::make_unique<TestClient>(port);
    client->send(join(game, secret));
    const json joined = client->expect("joined");
    EXPECT_TRUE(joined["role"] == "black" || joined["role"] == "white") << joined.dump();
    const json next = client->expect("state");
    if (state != nullptr)
    {
        *state = next;
    }
    return client;
}

// Whether `client` hears nothing for a moment.
bool quiet(TestClient &client)
{
    return !client.receive(std::chrono::milliseconds(150)).has_value();
}

} // namespace

TEST(PlayerNames, ArePlainAndPassForNobodyElse)
{
    const struct
    {
        const char *name;
        bool valid;
    } names[] = {
        {"Bo", true},
        {"Ann-Marie O.Neil", true},
        {"x_9", true},
        {"B", false},
        {"abcdefghijklmnopqrstu", false},
        {"two  spaces", false},
        {" lead", false},
        {"trail-", false},
        {"Zoë", false},
        {"<script>", false},
        {"a\nb", false},
        {"Admin", false},
        {"adm1n", false},
        {"Server", false},
        {"GoMoKu3D", false},
    };
    for (const auto &c : names)
    {
        std::string why;
        EXPECT_EQ(validPlayerName(c.name, &why), c.valid) << c.name << ": " << why;
        EXPECT_EQ(why.empty(), c.valid) << c.name;
    }
    const std::pair<const char *, const char *> alike[] = {
        {"bob", "B0B"}, {"Lily", "1ily"}, {"Ann Lee", "ann_lee"}, {"iris", "|rls"}};
    for (const auto &[a, b] : alike)
    {
        EXPECT_EQ(foldedName(a), foldedName(b)) << a << " and " << b;
    }
    EXPECT_NE(foldedName("bob"), foldedName("rob"));
}

// A hello makes a player of a new name, or is the player whose secret it gives; a name taken,
// or one that would pass for it, is refused, as are names that may not be a player's.
TEST(Pairing, AHelloMakesAPlayerOrFindsItsSecret)
{
    RunningServer server;
    TestClient first(server.port());
    const json made = newPlayer(first, "Alice");
    EXPECT_EQ(made["name"], "Alice");
    EXPECT_EQ(made["rating"], 1500);
    EXPECT_EQ(made["deviation"], 350);
    ASSERT_TRUE(validSecret(made.value("secret", "")));
    const struct
    {
        std::string message;
        const char *answer; // "player", or the error's code
    } cases[] = {
        {hello("name", "alice"), "name-taken"},
        {hello("name", "AL1CE"), "name-taken"},
        {hello("name", "A"), "bad-name"},
        {hello("name", "root<b>"), "bad-name"},
        {R"({"type":"hello","name":7})", "bad-name"},
        {R"({"type":"hello"})", "bad-field"},
        {hello("secret", "0123456789abcdef0123456789abcdef"), "no-such-player"},
        {hello("secret", "not a secret"), "bad-field"},
        {hello("secret", made["secret"]), "player"},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.message);
        TestClient client(server.port());
        client.send(c.message);
        const json answer = client.receive().value_or(json());
        if (std::string(c.answer) == "player")
        {
            EXPECT_EQ(answer["type"], "player");
            EXPECT_EQ(answer["name"], "Alice");
            EXPECT_EQ(answer["secret"], made["secret"]);
        }
        else
        {
            EXPECT_EQ(answer["type"], "error");
            EXPECT_EQ(answer["code"], c.answer);
        }
    }
}

// Two seeks of the same rule and clock make one game with a seat for each; the colours are
// drawn; its states name both players and their ratings.
TEST(Pairing, TwoSeeksThatFitMakeAGameForBoth)
{
    RunningServer server;
    TestClient alice(server.port()), bob(server.port());
    newPlayer(alice, "Alice");
    newPlayer(bob, "Bob");
    TestClient nobody(server.port());
    nobody.send(seekFor("renju", "3+2"));
    EXPECT_EQ(nobody.expect("error")["code"], "no-player");
    alice.send(seekFor("renju", "3+2"));
    EXPECT_EQ(alice.expect("seeking"),
              (json{{"type", "seeking"}, {"rule", "renju"}, {"clock", "3+2"}}));
    bob.send(seekFor("renju", "3+2"));
    const json forAlice = alice.expect("paired"), forBob = bob.expect("paired");
    ASSERT_EQ(forAlice["game"], forBob["game"]);
    EXPECT_NE(forAlice["secret"], forBob["secret"]);
    const std::string game = forAlice["game"];
    json aliceState, bobState;
    auto a = seatIn(server.port(), game, forAlice["secret"], &aliceState);
    auto b = seatIn(server.port(), game, forBob["secret"], &bobState);
    EXPECT_NE(aliceState["you"], bobState["you"]);
    EXPECT_EQ(aliceState["rule"], "renju");
    EXPECT_EQ(aliceState["clock"]["control"], "3+2");
    const json &players = aliceState["players"];
    EXPECT_EQ(players[aliceState.value("you", "")]["name"], "Alice");
    EXPECT_EQ(players[bobState.value("you", "")]["name"], "Bob");
    EXPECT_EQ(players["black"]["rating"], 1500);
    EXPECT_EQ(server.log().empty(), false);
}

// What does not fit waits: another rule, another clock, a rating outside either band, the same
// player twice; a cancelled seek and a closed connection's are gone.
TEST(Pairing, SeeksThatDoNotFitWait)
{
    const struct
    {
        const char *name;
        double ratings[2];
        std::string seeks[2];
        bool paired;
    } cases[] = {
        {"the same",
         {1500, 1500},
         {seekFor("freestyle", "5+3"), seekFor("freestyle", "5+3")},
         true},
        {"another rule",
         {1500, 1500},
         {seekFor("freestyle", "5+3"), seekFor("renju", "5+3")},
         false},
        {"another clock",
         {1500, 1500},
         {seekFor("freestyle", "5+3"), seekFor("freestyle", "3+2")},
         false},
        {"a clock and none",
         {1500, 1500},
         {seekFor("freestyle", "5+3"), seekFor("freestyle", "")},
         false},
        {"within both bands",
         {1500, 1690},
         {seekFor("freestyle", "", 200), seekFor("freestyle", "", 200)},
         true},
        {"outside the first's band",
         {1500, 1800},
         {seekFor("freestyle", "", 200), seekFor("freestyle", "")},
         false},
        {"outside the second's band",
         {1500, 1800},
         {seekFor("freestyle", ""), seekFor("freestyle", "", 200)},
         false},
        {"no bands", {1000, 2400}, {seekFor("freestyle", ""), seekFor("freestyle", "")}, true},
    };
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.name);
        RunningServer server;
        auto first = ratedPlayer(server, "First", c.ratings[0]);
        auto second = ratedPlayer(server, "Second", c.ratings[1]);
        first->send(c.seeks[0]);
        first->expect("seeking");
        second->send(c.seeks[1]);
        if (c.paired)
        {
            EXPECT_EQ(second->expect("paired")["game"], first->expect("paired")["game"]);
        }
        else
        {
            second->expect("seeking");
            EXPECT_TRUE(quiet(*first));
        }
    }

    RunningServer server;
    auto one = ratedPlayer(server, "One", 1500);
    one->send(seekFor("freestyle", ""));
    one->expect("seeking");
    one->send(seekFor("freestyle", "")); // the same player again: its own seek is replaced
    one->expect("seeking");
    one->send(R"({"type":"cancel-seek"})");
    one->expect("seek-cancelled");
    auto two = ratedPlayer(server, "Two", 1500);
    two->send(seekFor("freestyle", ""));
    two->expect("seeking");
    two.reset(); // gone: its seek with it
    auto three = ratedPlayer(server, "Three", 1500);
    three->send(seekFor("freestyle", ""));
    three->expect("seeking");
    EXPECT_TRUE(quiet(*one));
}

// Of the seeks that fit, the players who leave games unfinished are paired last.
TEST(Pairing, WhoLeavesGamesUnfinishedIsPairedLast)
{
    // The two waiting do not fit each other (the keeper's band is too narrow for the leaver),
    // and both fit the newcomer; the leaver has waited longer.
    RunningServer server;
    auto leaver = ratedPlayer(server, "Leaver", 1500, 3);
    auto keeper = ratedPlayer(server, "Keeper", 1700, 0);
    leaver->send(seekFor("freestyle", "3+2"));
    leaver->expect("seeking");
    keeper->send(seekFor("freestyle", "3+2", 100));
    keeper->expect("seeking");
    auto newcomer = ratedPlayer(server, "Newcomer", 1650);
    newcomer->send(seekFor("freestyle", "3+2"));
    EXPECT_EQ(newcomer->expect("paired")["game"], keeper->expect("paired")["game"]);
    EXPECT_TRUE(quiet(*leaver));
}

// A paired game's end moves both ratings by Glicko-2, once, stored with the players, and the
// final state shows them; a game by link moves nothing.
TEST(Pairing, ARatedGameMovesBothRatingsOnce)
{
    RunningServer server;
    auto alice = ratedPlayer(server, "Alice", 1600);
    auto bob = ratedPlayer(server, "Bob", 1450);
    alice->send(seekFor("freestyle", ""));
    alice->expect("seeking");
    bob->send(seekFor("freestyle", ""));
    const std::string game = bob->expect("paired")["game"];
    const json aliceSeat = alice->expect("paired");
    const json bobSeat = bob->receive().value_or(json()); // nothing more: the seat came above
    EXPECT_TRUE(bobSeat.is_null());
    // Joined as their seats; Alice resigns whatever her colour.
    json state;
    auto aliceGame = seatIn(server.port(), game, aliceSeat["secret"], &state);
    const std::string aliceColour = state["you"];
    aliceGame->send(R"({"type":"resign"})");
    const json end = aliceGame->expect("state");
    EXPECT_EQ(end["ending"], "resignation");
    const server::Rating a{1600, 60, 0.06}, b{1450, 60, 0.06};
    const server::Rating aliceAfter = server::afterPeriod(a, {{b, 0.0}});
    const server::Rating bobAfter = server::afterPeriod(b, {{a, 1.0}});
    const std::string bobColour = aliceColour == "black" ? "white" : "black";
    EXPECT_EQ(end["players"][aliceColour]["rating"], std::lround(aliceAfter.rating));
    EXPECT_EQ(end["players"][bobColour]["rating"], std::lround(bobAfter.rating));
    EXPECT_LT(aliceAfter.rating, 1600);
    EXPECT_GT(bobAfter.rating, 1450);
    // Stored; and a server started again on the game rates it no more.
    server.restart(1000);
    json again;
    auto back = seatIn(server.port(), game, aliceSeat["secret"], &again);
    EXPECT_EQ(again["players"][aliceColour]["rating"], std::lround(aliceAfter.rating));
    server.stop();
    SqliteStore sqliteStore(server.database().string(), false);
    Store &store = sqliteStore;
    StoredGame stored;
    ASSERT_EQ(store.load(game, stored), Lookup::Found);
    EXPECT_EQ(stored.rated, 2);
    const auto alicePlayer = store.player(stored.players[0]);
    const auto bobPlayer = store.player(stored.players[1]);
    ASSERT_TRUE(alicePlayer && bobPlayer);
    EXPECT_NEAR(alicePlayer->rating.rating + bobPlayer->rating.rating,
                aliceAfter.rating + bobAfter.rating, 1e-6);
    EXPECT_EQ(alicePlayer->games + bobPlayer->games, 22);
}

// The live games: each with its players and ratings (a game by link with none), rule, clock and
// the number watching, on /live.json and the page /live; the players hear the watchers' count.
TEST(Pairing, TheLiveGamesAreListedWithTheirWatchers)
{
    ServerOptions options;
    options.tickInterval = std::chrono::hours(1); // the tests' ticks alone
    RunningServer server(options);
    Players byLink = startGame(server.port());
    auto watcher = joinAs(server.port(), byLink.game, "watcher");
    // The players hear of it once the count has held for a moment.
    server.tick();
    EXPECT_TRUE(quiet(*byLink.black));
    server.advanceMs(Hub::WATCHERS_DELAY_MS);
    server.tick();
    EXPECT_EQ(byLink.black->expect("presence")["watchers"], 1);
    EXPECT_EQ(byLink.white->expect("presence")["watchers"], 1);
    EXPECT_TRUE(quiet(*watcher));
    const auto body = [&](const std::string &path)
    {
        const std::string answer = rawHttp(
            server.port(), "GET " + path + " HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
        const std::size_t at = answer.find("\r\n\r\n");
        return at == std::string::npos ? std::string() : answer.substr(at + 4);
    };
    const json live = json::parse(body("/live.json"), nullptr, false);
    ASSERT_TRUE(live.is_object()) << body("/live.json");
    ASSERT_EQ(live["games"].size(), 1u);
    EXPECT_EQ(live["games"][0]["game"], byLink.game);
    EXPECT_EQ(live["games"][0]["watchers"], 1);
    EXPECT_EQ(live["games"][0]["clock"], nullptr);
    EXPECT_FALSE(live["games"][0].contains("black"));
    // A paired game, and a name that would be markup if it were not escaped.
    auto alice = ratedPlayer(server, "Al.ice", 1500);
    auto bob = ratedPlayer(server, "Bob", 1500);
    alice->send(seekFor("renju", "5+3"));
    alice->expect("seeking");
    bob->send(seekFor("renju", "5+3"));
    const std::string paired = bob->expect("paired")["game"];
    const json seat = alice->expect("paired");
    auto seated = seatIn(server.port(), paired, seat["secret"]);
    const json again = json::parse(body("/live.json"), nullptr, false);
    ASSERT_EQ(again["games"].size(), 2u);
    const json &entry = again["games"][again["games"][0]["game"] == paired ? 0 : 1];
    EXPECT_EQ(entry["rule"], "renju");
    EXPECT_EQ(entry["clock"], "5+3");
    EXPECT_EQ(std::set<std::string>({entry["black"]["name"], entry["white"]["name"]}),
              std::set<std::string>({"Al.ice", "Bob"}));
    const std::string page = body("/live");
    EXPECT_NE(page.find("<a href=\"/?game=" + byLink.game + "\">Friends, by link</a>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("/?game=" + paired), std::string::npos);
    EXPECT_NE(page.find("Renju</td><td>5+3</td>"), std::string::npos);
    watcher.reset();
    // Gone and back before the moment is over: nothing to tell.
    watcher = joinAs(server.port(), byLink.game, "watcher");
    server.advanceMs(Hub::WATCHERS_DELAY_MS);
    server.tick();
    EXPECT_TRUE(quiet(*byLink.black));
    watcher.reset();
    seated.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the close reaches the server
    server.advanceMs(Hub::WATCHERS_DELAY_MS);
    server.tick();
    EXPECT_EQ(byLink.black->expect("presence")["watchers"], 0);
}

// Players and seeks are limited per address, as games are.
TEST(Pairing, PlayersAndSeeksAreLimitedByAddress)
{
    ServerOptions options;
    options.limits.playersPerAddressPerHour = 2;
    options.limits.seeksPerAddressPerHour = 3;
    RunningServer server(options);
    TestClient client(server.port());
    newPlayer(client, "One");
    newPlayer(client, "Two");
    client.send(hello("name", "Three"));
    EXPECT_EQ(client.expect("error")["code"], "too-many-players");
    for (int i = 0; i < 3; ++i)
    {
        client.send(seekFor("freestyle", ""));
        client.expect("seeking");
    }
    client.send(seekFor("freestyle", ""));
    EXPECT_EQ(client.expect("error")["code"], "rate-limited");
    server.advance(3600);
    client.send(hello("name", "Three"));
    EXPECT_EQ(client.expect("player")["name"], "Three");
}
