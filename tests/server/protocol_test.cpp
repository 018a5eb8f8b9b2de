// The server's protocol over a real socket, with the tests' own client: a table of messages,
// hostile ones most of all, each sent by someone in a given place in a game, with the server's
// answers, what the others in that game hear, whether the connection is closed, and that a game
// beside it notices nothing. Then what a table cannot hold: a flood, a slow reader, many games
// from one address, a failing database, presence and resuming, a whole game, the sweep.
#include "tests/server/server_fixture.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using nlohmann::json;
using Strings = std::vector<std::string>;

namespace
{

// Who sends the row's messages.
enum class Subject
{
    Newcomer, // a connection in no game
    Waiting,  // the creator of a game nobody has joined
    Black,    // in a game with black's and white's first stones on (9, 9) and (9, 10)
    White,    // the same game: black is to move
    Watcher,  // the same game's watcher
    Finished, // black, in a game black has won
};

struct Row
{
    std::string name;
    Subject subject;
    Strings send; // $GAME, $BLACK and $WHITE stand for the game and its secrets
    // Each answer as TYPE, or TYPE:DETAIL, the detail being an error's code, a joined's role, a
    // state's "you" or a moved's colour.
    Strings answers;
    Strings othersHear = {}; // what black, white and the watcher hear
    int closeCode = 0;       // 0: the connection stays open
};

const std::string OTHER_GAME = "local-aaaaaaaaaaaaaaaa";
const std::string BAD_SECRET = "00000000000000000000000000000000";

std::string move(int row, int col, int n)
{
    return json{{"type", "move"}, {"row", row}, {"col", col}, {"n", n}}.dump();
}

std::string join(const std::string &game, const std::string &secret = "")
{
    json message{{"type", "join"}, {"game", game}};
    if (!secret.empty())
    {
        message["secret"] = secret;
    }
    return message.dump();
}

const std::string CREATE = R"({"type":"create"})";

std::string padded(std::size_t size)
{
    const std::string head = R"({"type":"create","pad":")", tail = "\"}";
    return head + std::string(size - head.size() - tail.size(), 'x') + tail;
}

constexpr int POLICY = 1008; // WebSocket close code: the server's policy
constexpr int NOT_UTF8 = 1007;

using enum Subject;

const std::vector<Row> ROWS = {
    {"create", Newcomer, {CREATE}, {"created", "state:waiting"}},
    {"create at the size limit", Newcomer, {padded(4096)}, {"created", "state:waiting"}},
    {"create in a binary frame", Newcomer, {"binary:" + CREATE}, {"created", "state:waiting"}},
    {"one byte over the limit", Newcomer, {padded(4097)}, {"error:too-large"}, {}, POLICY},
    {"a megabyte", Newcomer, {padded(1 << 20)}, {"error:too-large"}, {}, POLICY},
    {"a game's player sends too much",
     Black,
     {padded(5000)},
     {"error:too-large"},
     {"presence"},
     POLICY},
    {"not JSON", Newcomer, {"hello"}, {"error:bad-json"}},
    {"malformed twice", Newcomer, {"{", "}"}, {"error:bad-json", "error:bad-json"}},
    {"malformed three times",
     Newcomer,
     {"{", "[1,]", "{\"type\":}"},
     {"error:bad-json", "error:bad-json", "error:bad-json"},
     {},
     POLICY},
    {"not UTF-8", Newcomer, {"{\"type\":\"\xc3\x28\"}"}, {}, {}, NOT_UTF8},
    {"no type", Newcomer, {R"({"game":"$GAME"})"}, {"error:bad-field"}},
    {"join a game that is not there", Newcomer, {join(OTHER_GAME)}, {"error:no-such-game"}},
    {"join another server's game",
     Newcomer,
     {join("elsewhere-aaaaaaaaaaaaaaaa")},
     {"error:no-such-game"}},
    {"join with a secret of no seat", Newcomer, {join("$GAME", BAD_SECRET)}, {"error:bad-field"}},
    {"join a game under way: watch",
     Newcomer,
     {join("$GAME")},
     {"joined:watcher", "state:watcher"}},
    {"join with black's secret: black, in a second tab",
     Newcomer,
     {join("$GAME", "$BLACK")},
     {"joined:black", "state:black"}},
    {"black takes white's seat on its own connection",
     Black,
     {join("$GAME", "$WHITE")},
     {"joined:white", "state:white"},
     {"presence"}},
    {"join its own game again",
     White,
     {join("$GAME")},
     {"joined:watcher", "state:watcher"},
     {"presence"}},
    {"move in no game", Newcomer, {move(0, 0, 0)}, {"error:not-a-player"}},
    {"move before anyone has joined", Waiting, {move(0, 0, 0)}, {"error:not-your-turn"}},
    {"black moves", Black, {move(0, 0, 2)}, {"moved:black"}, {"moved:black"}},
    {"black's move sent twice",
     Black,
     {move(0, 0, 2), move(0, 0, 2)},
     {"moved:black", "error:stale"},
     {"moved:black"}},
    {"a count behind the board", Black, {move(0, 0, 1)}, {"error:stale"}},
    {"a count ahead of the board", Black, {move(0, 0, 3)}, {"error:stale"}},
    {"on an occupied point", Black, {move(9, 10, 2)}, {"error:occupied"}},
    {"row 18", Black, {move(18, 0, 2)}, {"error:off-board"}},
    {"column -3", Black, {move(0, -3, 2)}, {"error:off-board"}},
    {"half a row", Black, {R"({"type":"move","row":2.5,"col":0,"n":2})"}, {"error:bad-field"}},
    {"white out of turn", White, {move(0, 0, 2)}, {"error:not-your-turn"}},
    {"a move for the other seat, by a watcher", Watcher, {move(0, 0, 2)}, {"error:not-a-player"}},
    {"a move after the five", Finished, {move(0, 0, 11)}, {"error:game-over"}},
};

std::string substituted(std::string text, const Players &players)
{
    for (const auto &[key, value] : {std::pair<std::string, std::string>{"$GAME", players.game},
                                     {"$BLACK", players.blackSecret},
                                     {"$WHITE", players.whiteSecret}})
    {
        for (std::size_t at; (at = text.find(key)) != std::string::npos;)
        {
            text.replace(at, key.size(), value);
        }
    }
    return text;
}

// TYPE or TYPE:DETAIL for a message, as the rows write them.
std::string summary(const json &message)
{
    const std::string type = message.value("type", "?");
    for (const char *detail : {"code", "role", "you", "colour"})
    {
        if (message.contains(detail))
        {
            return type + ":" + message[detail].get<std::string>();
        }
    }
    return type;
}

// The `expected` messages a client is to get, however slow the machine, and any more that come
// within a short wait after them, summarised.
Strings heard(TestClient &client, std::size_t expected, std::chrono::milliseconds after = 20ms)
{
    Strings got;
    while (const auto message = client.receive(got.size() < expected ? 5000ms : after))
    {
        got.push_back(summary(*message));
    }
    return got;
}

class ServerProtocol : public ::testing::Test
{
protected:
    RunningServer server;
};

TEST_F(ServerProtocol, theTableOfMessagesAndAnswers)
{
    Players beside = startGame(server.port()); // a game that must notice nothing
    int besideStones = 0;
    for (const Row &row : ROWS)
    {
        SCOPED_TRACE(row.name);
        Players players = startGame(server.port());
        ASSERT_TRUE(playMoves(players, {{9, 9}, {9, 10}}));
        TestClient watcher(server.port());
        watcher.send(join(players.game));
        watcher.expect("joined");
        watcher.expect("state");
        std::unique_ptr<TestClient> owned;
        TestClient *subject = nullptr;
        switch (row.subject)
        {
        case Subject::Newcomer:
            subject = (owned = std::make_unique<TestClient>(server.port())).get();
            break;
        case Subject::Waiting:
            subject = (owned = std::make_unique<TestClient>(server.port())).get();
            createGame(*subject);
            break;
        case Subject::Black:
            subject = players.black.get();
            break;
        case Subject::White:
            subject = players.white.get();
            break;
        case Subject::Watcher:
            subject = &watcher;
            break;
        case Subject::Finished:
            subject = players.black.get();
            blackWinsAlongRow3(players, 2);
            EXPECT_EQ(heard(watcher, 10).size(), 10u); // nine moves and the state at the end
            for (TestClient *c : {players.black.get(), players.white.get()})
            {
                c->expect("moved"), c->expect("state");
            }
            break;
        }
        for (const std::string &text : row.send)
        {
            const bool binary = text.rfind("binary:", 0) == 0;
            subject->send(substituted(binary ? text.substr(7) : text, players), binary);
        }
        EXPECT_EQ(heard(*subject, row.answers.size()), row.answers);
        for (TestClient *other : {players.black.get(), players.white.get(), &watcher})
        {
            if (other != subject)
            {
                EXPECT_EQ(heard(*other, row.othersHear.size(), 10ms), row.othersHear);
            }
        }
        if (row.closeCode != 0)
        {
            EXPECT_TRUE(subject->closed()) << "the connection stayed open";
            EXPECT_EQ(subject->closeCode(), row.closeCode);
        }
        else
        {
            EXPECT_FALSE(subject->isClosed());
            subject->send(R"({"type":"what"})");
            EXPECT_EQ(heard(*subject, 1), Strings{"error:unknown-type"});
        }
        // The game beside goes on as if nothing had happened.
        const auto next = fivelessMoves(besideStones + 1).back();
        ASSERT_TRUE(playMoves(beside, {next}, besideStones++));
        EXPECT_TRUE(heard(*beside.black, 0, 0ms).empty() && heard(*beside.white, 0, 0ms).empty());
    }
}

TEST_F(ServerProtocol, aFloodIsRefusedAndClosedWhileTheGameBesideGoesOn)
{
    Players beside = startGame(server.port());
    TestClient flood(server.port());
    for (int i = 0; i < 60; ++i)
    {
        flood.send(R"({"type":"flood"})");
    }
    const auto answers = heard(flood, 0, 5s);
    ASSERT_FALSE(answers.empty());
    // The burst is answered, and then the rate is over: one refusal, and the end.
    const auto answered = std::count(answers.begin(), answers.end(), "error:unknown-type");
    EXPECT_GE(answered, 20);
    EXPECT_LT(answered, 30);
    EXPECT_EQ(answers.back(), "error:rate-limited");
    EXPECT_TRUE(flood.closed());
    EXPECT_EQ(flood.closeCode(), POLICY);
    EXPECT_TRUE(playMoves(beside, {{9, 9}}));
}

TEST_F(ServerProtocol, theRateRefillsAtTenMessagesASecond)
{
    TestClient client(server.port());
    for (int i = 0; i < 20; ++i)
    {
        client.send(R"({"type":"what"})");
    }
    EXPECT_EQ(heard(client, 20).size(), 20u);
    std::this_thread::sleep_for(1s);
    for (int i = 0; i < 9; ++i)
    {
        client.send(R"({"type":"what"})");
    }
    EXPECT_EQ(heard(client, 9, 20ms), Strings(9, "error:unknown-type"));
    EXPECT_FALSE(client.isClosed());
    // The allowance is spent again: a burst beyond it is cut short.
    for (int i = 0; i < 25; ++i)
    {
        client.send(R"({"type":"what"})");
    }
    const auto last = heard(client, 0, 5s);
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(last.back(), "error:rate-limited");
    EXPECT_LT(last.size(), 25u);
    EXPECT_TRUE(client.closed());
}

TEST(ServerLimits, gamesFromOneAddressAreLimitedAndOtherAddressesAreNot)
{
    ServerOptions options = RunningServer::defaults();
    options.behindProxy = true;
    options.limits.gamesPerAddressPerHour = 3;
    RunningServer server(options);
    TestClient::Options fromA, fromB;
    fromA.headers = {{"X-Real-IP", "192.0.2.1"}};
    fromB.headers = {{"X-Real-IP", "192.0.2.2"}};
    TestClient a(server.port(), fromA), b(server.port(), fromB);
    for (int i = 0; i < 3; ++i)
    {
        a.send(CREATE);
        EXPECT_EQ(heard(a, 2), (Strings{"created", "state:waiting"}));
    }
    a.send(CREATE);
    EXPECT_EQ(heard(a, 1), Strings{"error:too-many-games"});
    b.send(CREATE);
    EXPECT_EQ(heard(b, 2), (Strings{"created", "state:waiting"}));
    // The allowance refills over the hour: a third of it, one game.
    server.advance(1200);
    a.send(CREATE);
    a.send(CREATE);
    EXPECT_EQ(heard(a, 3), (Strings{"created", "state:waiting", "error:too-many-games"}));
    EXPECT_FALSE(a.isClosed());
}

TEST(ServerLimits, aClientThatDoesNotReadIsDroppedAndNobodyElseWaits)
{
    RunningServer server;
    // A long game, so that each state is large (about 2.5 KB): stored before anyone asks for it.
    Players players = storedGame(server, 300);
    TestClient::Options options;
    options.receiveBuffer = 4096;
    options.reads = false;
    TestClient sleeper(server.port(), options);
    const std::string joining = join(players.game);
    // Within the rate: every join is answered with the whole game, which the sleeper never reads.
    bool dropped = false;
    for (int i = 0; i < 80 && !dropped; ++i)
    {
        sleeper.send(joining);
        std::this_thread::sleep_for(i < 15 ? 5ms : 105ms);
        const auto log = server.log();
        dropped = std::any_of(log.begin(), log.end(),
                              [](const std::string &line)
                              { return line.find("does not read") != std::string::npos; });
    }
    EXPECT_TRUE(dropped) << "the sleeper was not dropped";
    EXPECT_TRUE(sleeper.closed(5s));
    // The players were never held up, and go on.
    const auto moves = fivelessMoves(302);
    EXPECT_TRUE(playMoves(players, {moves[300], moves[301]}, 300));
}

TEST_F(ServerProtocol, whatTheDatabaseRefusesNobodyHearsOf)
{
    Players players = startGame(server.port());
    ASSERT_TRUE(playMoves(players, {{9, 9}}));
    onDatabase(server.database(), "CREATE TRIGGER full BEFORE INSERT ON moves "
                                  "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    players.white->send(move(9, 10, 1));
    EXPECT_EQ(heard(*players.white, 1), Strings{"error:internal"});
    EXPECT_EQ(heard(*players.black, 0, 20ms), Strings{});
    // Nothing changed: once the database takes it again, the same move goes in as move 1.
    onDatabase(server.database(), "DROP TRIGGER full;");
    EXPECT_TRUE(playMoves(players, {{9, 10}}, 1));

    onDatabase(server.database(), "CREATE TRIGGER full BEFORE INSERT ON games "
                                  "BEGIN SELECT RAISE(ABORT, 'disk full'); END;"
                                  "CREATE TRIGGER seats BEFORE UPDATE ON games "
                                  "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    TestClient creator(server.port());
    creator.send(CREATE);
    EXPECT_EQ(heard(creator, 1), Strings{"error:internal"});
    onDatabase(server.database(), "DROP TRIGGER full;");
    const auto created = createGame(creator);
    TestClient joiner(server.port());
    joiner.send(join(created["game"].get<std::string>()));
    EXPECT_EQ(heard(joiner, 1), Strings{"error:internal"});
    EXPECT_EQ(heard(creator, 0, 20ms), Strings{});
    onDatabase(server.database(), "DROP TRIGGER seats;");
    joiner.send(join(created["game"].get<std::string>()));
    EXPECT_EQ(heard(joiner, 2).size(), 2u);
    EXPECT_EQ(creator.expect("state").value("over", true), false);
}

TEST_F(ServerProtocol, aWholeGameToFiveSeenByEveryone)
{
    Players players = startGame(server.port());
    TestClient watcher(server.port());
    watcher.send(join(players.game));
    EXPECT_FALSE(watcher.expect("joined").contains("secret"));
    watcher.expect("state");
    // White makes five along column 4 while black scatters.
    const std::vector<std::pair<int, int>> moves = {{0, 0}, {5, 4},  {2, 9}, {6, 4},  {0, 17},
                                                    {7, 4}, {17, 0}, {8, 4}, {16, 16}};
    ASSERT_TRUE(playMoves(players, moves));
    EXPECT_EQ(heard(watcher, 9, 20ms).size(), 9u);
    players.white->send(move(9, 4, 9));
    for (TestClient *c : {players.black.get(), players.white.get(), &watcher})
    {
        const auto moved = c->expect("moved");
        EXPECT_EQ(moved.value("colour", ""), "white");
        const auto state = c->expect("state");
        EXPECT_TRUE(state.value("over", false));
        EXPECT_EQ(state.value("winner", ""), "white");
        EXPECT_EQ(state["five"], json::parse("[[5,4],[6,4],[7,4],[8,4],[9,4]]"));
        EXPECT_EQ(state["moves"].size(), 10u);
        EXPECT_EQ(state["moves"][9], json::parse("[9,4]"));
    }
    EXPECT_EQ(watcher.receive(20ms), std::nullopt);
}

TEST_F(ServerProtocol, seatsComeBackWithTheirSecretsAndPresenceIsTold)
{
    TestClient creator(server.port());
    creator.send(CREATE);
    const auto created = creator.expect("created");
    const std::string game = created["game"], creatorSecret = created["secret"];
    EXPECT_EQ(creator.expect("state").value("black", ""), "empty");
    // The creator reloads before anyone has come: the same seat, still waiting.
    TestClient reloaded(server.port());
    reloaded.send(join(game, creatorSecret));
    const auto again = reloaded.expect("joined");
    EXPECT_EQ(again.value("role", ""), "waiting");
    EXPECT_EQ(again.value("secret", ""), creatorSecret);
    EXPECT_EQ(reloaded.expect("state").value("you", ""), "waiting");

    TestClient joiner(server.port());
    joiner.send(join(game));
    const auto joined = joiner.expect("joined");
    const std::string joinerSecret = joined["secret"];
    EXPECT_NE(joinerSecret, creatorSecret);
    const auto state = joiner.expect("state");
    EXPECT_EQ(state.value("black", ""), "present");
    EXPECT_EQ(state.value("white", ""), "present");
    const std::string creatorColour = joined["role"] == "black" ? "white" : "black";
    EXPECT_EQ(creator.expect("state").value("you", ""), creatorColour);
    EXPECT_EQ(reloaded.expect("state").value("you", ""), creatorColour);

    // The joiner loses its connection: away, then back with its secret.
    const std::string joinerColour = joined["role"];
    createGame(joiner); // moves it out of the game
    for (TestClient *c : {&creator, &reloaded})
    {
        EXPECT_EQ(c->expect("presence").value(joinerColour, ""), "away");
    }
    TestClient back(server.port());
    back.send(join(game, joinerSecret));
    EXPECT_EQ(back.expect("joined").value("role", ""), joinerColour);
    EXPECT_EQ(back.expect("state").value(joinerColour, ""), "present");
    for (TestClient *c : {&creator, &reloaded})
    {
        EXPECT_EQ(c->expect("presence").value(joinerColour, ""), "present");
    }
    // One of the creator's two tabs closes: the seat is still held by the other.
    createGame(reloaded);
    EXPECT_EQ(creator.receive(20ms), std::nullopt);
    EXPECT_EQ(back.receive(20ms), std::nullopt);
    // A third person watches, with no secret.
    TestClient third(server.port());
    third.send(join(game));
    const auto watching = third.expect("joined");
    EXPECT_EQ(watching.value("role", ""), "watcher");
    EXPECT_FALSE(watching.contains("secret"));
}

TEST(ServerSweep, gamesExpireOnTheTestsClock)
{
    RunningServer server;
    // Made and never joined; the creator still connected.
    TestClient lonely(server.port());
    const std::string unjoined = createGame(lonely)["game"];
    // Finished: five in nine moves.
    Players finished = startGame(server.port());
    blackWinsAlongRow3(finished, 0);
    finished.black->expect("moved"), finished.black->expect("state");
    // Under way, and left.
    std::string idle;
    {
        Players left = startGame(server.port());
        idle = left.game;
        ASSERT_TRUE(playMoves(left, {{9, 9}}));
    }
    // The answers to a join: two when it is there to watch, one refusal when not.
    auto answers = [&](const std::string &game, std::size_t count)
    {
        TestClient client(server.port());
        client.send(join(game));
        return heard(client, count);
    };
    const Strings watching = {"joined:watcher", "state:watcher"};
    const Strings expired = {"error:expired"};
    const std::int64_t day = 24 * 60 * 60;

    server.advance(day - 1);
    server.sweep();
    EXPECT_EQ(lonely.receive(20ms), std::nullopt);
    server.advance(1);
    server.sweep();
    // A day after it was made, the unjoined game goes, and its creator is told.
    EXPECT_EQ(summary(lonely.expect("error")), "error:expired");
    EXPECT_EQ(answers(unjoined, 1), expired);
    EXPECT_EQ(answers(finished.game, 2), watching);
    EXPECT_EQ(answers(idle, 2), watching);
    // Thirty days after their last move, the finished game and the idle one go too.
    server.advance(29 * day - 2);
    server.sweep();
    EXPECT_EQ(answers(finished.game, 2), watching);
    EXPECT_EQ(answers(idle, 2), watching);
    server.advance(2);
    finished.black.reset(), finished.white.reset();
    server.sweep();
    EXPECT_EQ(answers(finished.game, 1), expired);
    EXPECT_EQ(answers(idle, 1), expired);
    // A year on, even the memory of them goes.
    server.advance(365 * day);
    server.sweep();
    EXPECT_EQ(answers(unjoined, 1), Strings{"error:no-such-game"});
}

TEST(ServerLog, noSecretIsEverWrittenToTheLog)
{
    RunningServer server;
    Strings secrets;
    for (int i = 0; i < 3; ++i)
    {
        Players players = startGame(server.port());
        secrets.push_back(players.blackSecret), secrets.push_back(players.whiteSecret);
        TestClient resumed(server.port());
        resumed.send(join(players.game, players.blackSecret));
        heard(resumed, 2);
        resumed.send(join(players.game, BAD_SECRET));
        resumed.send("{" + players.whiteSecret);
        resumed.send(padded(5000));
        heard(resumed, 3);
    }
    server.stop();
    const auto log = server.log();
    EXPECT_GE(log.size(), 6u);
    for (const std::string &line : log)
    {
        for (const std::string &secret : secrets)
        {
            EXPECT_EQ(line.find(secret), std::string::npos) << line;
        }
    }
}

} // namespace
