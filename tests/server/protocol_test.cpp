// The server's protocol over a real socket: a table of messages, hostile ones most of all, each
// from someone in a given place in a game; then the rate, a slow reader, games per address, a
// failing database, presence and resuming, and the sweep.
#include "server/sqlite_store.h"
#include "tests/server/server_fixture.h"

#include <algorithm>
#include <array>
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
    Finished, // white, in a game white has just won along row 4
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

const std::string OTHER_GAME = "local-aaaaaaaaaaaaaaaa", ELSEWHERE = "elsewhere-aaaaaaaaaaaaaaaa";
const std::string BAD_SECRET = "00000000000000000000000000000000";

const std::string CREATE = R"({"type":"create"})";

constexpr int POLICY = 1008; // WebSocket close code: the server's policy
constexpr int NOT_UTF8 = 1007;

using enum Subject;

const Strings CREATED = {"created", "state:waiting"},
              WATCHING = {"joined:watcher", "state:watcher"};
const Strings AS_BLACK = {"joined:black", "state:black"},
              AS_WHITE = {"joined:white", "state:white"};
const std::string TOO_LARGE = "error:too-large", BAD_JSON = "error:bad-json";
const std::string NO_GAME = "error:no-such-game", MOVED = "moved:black", STALE = "error:stale";

const std::vector<Row> ROWS = {
    {"create at the size limit", Newcomer, {padded(4096)}, CREATED},
    {"create in a binary frame", Newcomer, {"binary:" + CREATE}, CREATED},
    {"create under renju with swap2",
     Newcomer,
     {R"({"type":"create","rule":"renju","opening":"swap2"})"},
     CREATED},
    {"create under a rule the server does not know",
     Newcomer,
     {R"({"type":"create","rule":"gomoku"})"},
     {"error:bad-field"}},
    {"create with an opening that is not a word",
     Newcomer,
     {R"({"type":"create","opening":2})"},
     {"error:bad-field"}},
    {"create with an empty opening",
     Newcomer,
     {R"({"type":"create","opening":""})"},
     {"error:bad-field"}},
    {"one byte over the limit", Newcomer, {padded(4097)}, {TOO_LARGE}, {}, POLICY},
    {"a megabyte", Newcomer, {padded(1 << 20)}, {TOO_LARGE}, {}, POLICY},
    {"a player sends too much", Black, {padded(5000)}, {TOO_LARGE}, {"presence"}, POLICY},
    {"not JSON, around a secret", Newcomer, {"{$WHITE"}, {BAD_JSON}},
    {"malformed twice", Newcomer, {"{", "}"}, {BAD_JSON, BAD_JSON}},
    {"malformed thrice", Newcomer, {"{", "[1,]", "{\"type\":}"}, Strings(3, BAD_JSON), {}, POLICY},
    {"not UTF-8", Newcomer, {"{\"type\":\"\xc3\x28\"}"}, {}, {}, NOT_UTF8},
    {"no type", Newcomer, {R"({"game":"$GAME"})"}, {"error:bad-field"}},
    {"join a game that is not there", Newcomer, {join(OTHER_GAME)}, {NO_GAME}},
    {"join another server's game", Newcomer, {join(ELSEWHERE)}, {NO_GAME}},
    {"join with a secret of no seat", Newcomer, {join("$GAME", BAD_SECRET)}, {"error:bad-field"}},
    {"join with black's secret: a second tab", Newcomer, {join("$GAME", "$BLACK")}, AS_BLACK},
    {"black takes white's seat", Black, {join("$GAME", "$WHITE")}, AS_WHITE, {"presence"}},
    {"join its own game again", White, {join("$GAME")}, WATCHING, {"presence"}},
    {"move in no game", Newcomer, {move(0, 0, 0)}, {"error:not-a-player"}},
    {"move before anyone has joined", Waiting, {move(0, 0, 0)}, {"error:not-your-turn"}},
    {"black moves", Black, {move(0, 0, 2)}, {MOVED}, {MOVED}},
    {"black's move sent twice", Black, {move(0, 0, 2), move(0, 0, 2)}, {MOVED, STALE}, {MOVED}},
    {"a count behind the board", Black, {move(0, 0, 1)}, {STALE}},
    {"a count ahead of the board", Black, {move(0, 0, 3)}, {STALE}},
    {"on an occupied point", Black, {move(9, 10, 2)}, {"error:occupied"}},
    {"row 18", Black, {move(18, 0, 2)}, {"error:off-board"}},
    {"column -3", Black, {move(0, -3, 2)}, {"error:off-board"}},
    {"white out of turn", White, {move(0, 0, 2)}, {"error:not-your-turn"}},
    {"a move for the other seat, by a watcher", Watcher, {move(0, 0, 2)}, {"error:not-a-player"}},
    {"a move after the five, out of turn", Finished, {move(0, 0, 12)}, {"error:game-over"}},
    {"take back in no game", Newcomer, {undo(0)}, {"error:not-a-player"}},
    {"a watcher asks to take back", Watcher, {undo(2)}, {"error:not-a-player"}},
    {"a watcher answers", Watcher, {undoAnswer(2, true)}, {"error:not-a-player"}},
    {"take back before anyone has joined", Waiting, {undo(0)}, {"error:nothing-to-undo"}},
    {"take back at a stale count", White, {undo(1)}, {STALE}},
    {"an answer nobody asked for", Black, {undoAnswer(2, true)}, {"error:no-undo-asked"}},
    {"take back after the five", Finished, {undo(12)}, {"error:game-over"}},
    {"resign in no game", Newcomer, {resign()}, {"error:not-a-player"}},
    {"a watcher resigns", Watcher, {resign()}, {"error:not-a-player"}},
    {"resign before anyone has joined", Waiting, {resign()}, {"error:not-your-turn"}},
    {"resign after the five", Finished, {resign()}, {"error:game-over"}},
    {"a draw offered by a watcher", Watcher, {offerDraw(2)}, {"error:not-a-player"}},
    {"a draw offered at a stale count", Black, {offerDraw(3)}, {STALE}},
    {"a draw offered without a count",
     Black,
     {R"({"type":"offer-draw"})", R"({"type":"offer-draw","n":"2"})"},
     {"error:bad-field", "error:bad-field"}},
    {"a draw offered after the five", Finished, {offerDraw(12)}, {"error:game-over"}},
    {"a draw nobody offered, accepted", White, {answerDraw(2, true)}, {"error:no-draw-offered"}},
    {"an answer to a draw with no verdict",
     White,
     {R"({"type":"answer-draw","n":2,"accept":1})", R"({"type":"answer-draw","accept":true})"},
     {"error:bad-field", "error:bad-field"}},
    {"a watcher answers a draw", Watcher, {answerDraw(2, true)}, {"error:not-a-player"}},
    {"a rematch while the game goes on", Black, {rematch()}, {"error:not-over"}},
    {"a rematch from a watcher", Watcher, {rematch()}, {"error:not-a-player"}},
    {"a rematch in no game", Newcomer, {rematch()}, {"error:not-a-player"}},
};

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
    Strings secrets = {beside.blackSecret, beside.whiteSecret};
    for (const Row &row : ROWS)
    {
        SCOPED_TRACE(row.name);
        Players players = startGame(server.port());
        secrets.insert(secrets.end(), {players.blackSecret, players.whiteSecret});
        ASSERT_TRUE(playMoves(players, {{9, 9}, {9, 10}}));
        auto watcher = joinAs(server.port(), players.game, "watcher");
        TestClient newcomer(server.port());
        if (row.subject == Waiting)
        {
            createGame(newcomer);
        }
        if (row.subject == Finished)
        {
            ASSERT_TRUE(playMoves(players, {{0, 17}}, 2));
            fiveAlongRow(players, 3, 4);
            for (int i = 0; i < 9; ++i)
            {
                watcher->expect("moved"); // the moves before the five's last
            }
            for (TestClient *c : {players.black.get(), players.white.get(), watcher.get()})
            {
                EXPECT_EQ(summary(c->expect("moved")), "moved:white");
                // Over, its winner, its five, its 12 moves and the last of them.
                const auto state = c->expect("state");
                EXPECT_EQ(
                    json({state["over"], state["winner"], state["five"], state["moves"].size(),
                          state["moves"][11]}),
                    json::parse(R"([true,"white",[[4,0],[4,1],[4,2],[4,3],[4,4]],12,[4,4]])"));
            }
        }
        const std::array<TestClient *, 6> bySubject = {&newcomer,           &newcomer,
                                                       players.black.get(), players.white.get(),
                                                       watcher.get(),       players.white.get()};
        TestClient *subject = bySubject[static_cast<int>(row.subject)];
        const std::vector<std::pair<std::string, std::string>> names = {
            {"$GAME", players.game},
            {"$BLACK", players.blackSecret},
            {"$WHITE", players.whiteSecret}};
        for (const std::string &text : row.send)
        {
            const bool binary = text.rfind("binary:", 0) == 0;
            subject->send(replaced(binary ? text.substr(7) : text, names), binary);
        }
        EXPECT_EQ(heard(*subject, row.answers.size()), row.answers);
        for (TestClient *other : {players.black.get(), players.white.get(), watcher.get()})
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
            subject->send(R"({"type":"what"})");
            EXPECT_EQ(heard(*subject, 1), Strings{"error:unknown-type"});
        }
        // The game beside goes on as if nothing had happened.
        const auto next = fivelessMoves(besideStones + 1).back();
        ASSERT_TRUE(playMoves(beside, {next}, besideStones++));
        EXPECT_TRUE(heard(*beside.black, 0, 0ms).empty() && heard(*beside.white, 0, 0ms).empty());
    }
    server.stop();
    const auto log = server.log();
    EXPECT_GE(log.size(), ROWS.size());
    for (const std::string &line : log)
    {
        for (const std::string &secret : secrets)
        {
            EXPECT_EQ(line.find(secret), std::string::npos) << line;
        }
    }
}

// Twenty at once, then ten a second; a flood beyond that is refused and closed, and the game
// beside goes on.
TEST_F(ServerProtocol, aBurstOfTwentyThenTenASecondAndAFloodIsClosed)
{
    Players beside = startGame(server.port());
    TestClient client(server.port());
    const auto send = [&](int count)
    {
        for (int i = 0; i < count; ++i)
        {
            client.send(R"({"type":"what"})");
        }
    };
    send(20);
    EXPECT_EQ(heard(client, 20), Strings(20, "error:unknown-type"));
    std::this_thread::sleep_for(1s);
    send(9);
    EXPECT_EQ(heard(client, 9, 20ms), Strings(9, "error:unknown-type"));
    send(60);
    const auto last = heard(client, 0, 5s);
    ASSERT_FALSE(last.empty());
    EXPECT_LT(std::count(last.begin(), last.end(), "error:unknown-type"), 10);
    EXPECT_EQ(last.back(), "error:rate-limited");
    EXPECT_TRUE(client.closed());
    EXPECT_EQ(client.closeCode(), POLICY);
    EXPECT_TRUE(playMoves(beside, {{9, 9}}));
}

TEST(ServerLimits, gamesFromOneAddressAreLimitedAndOtherAddressesAreNot)
{
    ServerOptions options;
    options.behindProxy = true;
    options.limits.gamesPerAddressPerHour = 3;
    RunningServer server(options);
    TestClient a(server.port(), {.headers = {{"X-Real-IP", "192.0.2.1"}}}),
        b(server.port(), {.headers = {{"X-Real-IP", "192.0.2.2"}}});
    for (int i = 0; i < 3; ++i)
    {
        a.send(CREATE);
        EXPECT_EQ(heard(a, 2), CREATED);
    }
    a.send(CREATE);
    EXPECT_EQ(heard(a, 1), Strings{"error:too-many-games"});
    b.send(CREATE);
    EXPECT_EQ(heard(b, 2), CREATED);
    // The allowance refills over the hour: a third of it, one game.
    server.advance(1200);
    a.send(CREATE);
    a.send(CREATE);
    EXPECT_EQ(heard(a, 3), (Strings{"created", "state:waiting", "error:too-many-games"}));
    EXPECT_FALSE(a.closed(20ms));
}

TEST(ServerLimits, aClientThatDoesNotReadIsDroppedAndNobodyElseWaits)
{
    RunningServer server;
    // A long game, so that each state is large (about 2.5 KB): stored before anyone asks for it.
    Players players = storedGame(server, 300);
    TestClient sleeper(server.port(), {.receiveBuffer = 4096, .reads = false});
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

// A write the database refuses is answered "internal", others hear nothing, and nothing changed:
// once the database takes writes again, the same request goes through.
TEST_F(ServerProtocol, whatTheDatabaseRefusesNobodyHearsOf)
{
    const auto refusedOnce = [&](const std::string &event, TestClient &client,
                                 const std::string &text, TestClient *bystander)
    {
        onDatabase(server.database(), "CREATE TRIGGER full BEFORE " + event +
                                          " BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
        client.send(text);
        EXPECT_EQ(heard(client, 1), Strings{"error:internal"});
        EXPECT_EQ(heard(*bystander, 0, 20ms), Strings{});
        onDatabase(server.database(), "DROP TRIGGER full;");
    };
    Players players = startGame(server.port());
    ASSERT_TRUE(playMoves(players, {{9, 9}}));
    refusedOnce("INSERT ON moves", *players.white, move(9, 10, 1), players.black.get());
    EXPECT_TRUE(playMoves(players, {{9, 10}}, 1));
    TestClient creator(server.port());
    refusedOnce("INSERT ON games", creator, CREATE, players.black.get());
    const std::string game = createGame(creator)["game"];
    TestClient joiner(server.port());
    refusedOnce("UPDATE ON games", joiner, join(game), &creator);
    joiner.send(join(game));
    EXPECT_EQ(heard(joiner, 2).size(), 2u);
    EXPECT_EQ(creator.expect("state").value("over", true), false);

    // Writes of several statements in one commit: none of it stays when one statement fails.
    TestClient &black = *players.black, &white = *players.white;
    refusedOnce("UPDATE ON games", black, undo(2), &white);
    black.send(undo(2));
    EXPECT_EQ(black.expect("state")["undo"], "black");
    EXPECT_EQ(white.expect("state")["undo"], "black");
    refusedOnce("UPDATE ON games", white, undoAnswer(2, false), &black);
    refusedOnce("UPDATE ON games", white, undoAnswer(2, true), &black);
    white.send(undoAnswer(2, true)); // black's stone and white's reply: the board is empty again
    EXPECT_EQ(black.expect("state")["moves"], json::array());
    EXPECT_EQ(white.expect("state")["moves"], json::array());
    ASSERT_TRUE(
        playMoves(players, {{3, 0}, {4, 0}, {3, 1}, {4, 1}, {3, 2}, {4, 2}, {3, 3}, {4, 3}}));
    refusedOnce("UPDATE ON games", black, move(3, 4, 8), &white); // the five, and the game's end
    black.send(move(3, 4, 8));
    EXPECT_EQ(heard(white, 2), (Strings{MOVED, "state:white"})); // the state of the game over
}

TEST_F(ServerProtocol, seatsComeBackWithTheirSecretsAndPresenceIsTold)
{
    TestClient creator(server.port());
    creator.send(CREATE);
    const auto created = creator.expect("created");
    const std::string game = created["game"], creatorSecret = created["secret"];
    EXPECT_EQ(creator.expect("state").value("black", ""), "empty");
    // The creator reloads before anyone has come: the same seat, still waiting.
    json state;
    auto reloaded = joinAs(server.port(), game, "waiting", creatorSecret, &state);
    EXPECT_EQ(state.value("you", ""), "waiting");

    TestClient joiner(server.port());
    joiner.send(join(game));
    const auto joined = joiner.expect("joined");
    const std::string joinerSecret = joined["secret"], joinerColour = joined["role"];
    EXPECT_NE(joinerSecret, creatorSecret);
    state = joiner.expect("state");
    EXPECT_EQ(state.value("black", ""), "present");
    EXPECT_EQ(state.value("white", ""), "present");
    const std::string creatorColour = joinerColour == "black" ? "white" : "black";
    EXPECT_EQ(creator.expect("state").value("you", ""), creatorColour);
    EXPECT_EQ(reloaded->expect("state").value("you", ""), creatorColour);

    // The joiner loses its connection: away, then back with its secret. Both creator's tabs hear.
    const auto told = [&](const std::string &presence)
    {
        for (TestClient *c : {&creator, reloaded.get()})
        {
            EXPECT_EQ(c->expect("presence").value(joinerColour, ""), presence);
        }
    };
    createGame(joiner); // moves it out of the game
    told("away");
    auto back = joinAs(server.port(), game, joinerColour, joinerSecret, &state);
    EXPECT_EQ(state.value(joinerColour, ""), "present");
    told("present");
    // One of the creator's two tabs closes: the seat is still held by the other.
    createGame(*reloaded);
    EXPECT_EQ(creator.receive(20ms), std::nullopt);
    EXPECT_EQ(back->receive(20ms), std::nullopt);
}

// One player asks to take back a move; the other refuses, or allows it and the game goes back to
// the asker's turn, in the store before anyone hears of it. Everyone in the game sees the request
// in the state; a move answers it; nobody asks twice for the same position.
TEST_F(ServerProtocol, aMoveIsTakenBackOnlyWhenTheOtherPlayerAllowsIt)
{
    Players players = startGame(server.port());
    ASSERT_TRUE(playMoves(players, {{9, 9}, {9, 10}, {8, 8}}));
    auto watcher = joinAs(server.port(), players.game, "watcher");
    TestClient &black = *players.black, &white = *players.white;
    // Every connection's next state: its moves and its request.
    const auto states = [&](const std::string &moves, const json &undo)
    {
        for (TestClient *c : {&black, &white, watcher.get()})
        {
            const auto state = c->expect("state");
            EXPECT_EQ(state["moves"], json::parse(moves));
            EXPECT_EQ(state["undo"], undo);
        }
    };
    black.send(undo(3));
    states("[[9,9],[9,10],[8,8]]", "black");
    black.send(undo(3));
    EXPECT_EQ(heard(black, 1), Strings{"error:undo-pending"});
    white.send(undo(3));
    EXPECT_EQ(heard(white, 1), Strings{"error:undo-pending"});
    black.send(undoAnswer(3, true));
    EXPECT_EQ(heard(black, 1), Strings{"error:no-undo-asked"});
    white.send(undoAnswer(2, true));
    EXPECT_EQ(heard(white, 1), Strings{STALE});
    white.send(undoAnswer(3, false));
    states("[[9,9],[9,10],[8,8]]", nullptr);
    black.send(undo(3));
    EXPECT_EQ(heard(black, 1), Strings{"error:undo-refused"});

    // Asked again once white has replied; white's move answers it, and black asks once more:
    // black's stone and white's reply go, and black is to move.
    ASSERT_TRUE(playMoves(players, {{7, 7}}, 3));
    watcher->expect("moved");
    black.send(undo(4));
    states("[[9,9],[9,10],[8,8],[7,7]]", "black");
    ASSERT_TRUE(playMoves(players, {{6, 6}}, 4));
    watcher->expect("moved");
    white.send(undoAnswer(5, true));
    EXPECT_EQ(heard(white, 1), Strings{"error:no-undo-asked"});
    white.send(undo(5));
    states("[[9,9],[9,10],[8,8],[7,7],[6,6]]", "white");
    black.send(undoAnswer(5, true));
    states("[[9,9],[9,10],[8,8]]", nullptr);
    ASSERT_TRUE(playMoves(players, {{0, 0}}, 3));
    watcher->expect("moved");
    black.send(undo(4));
    states("[[9,9],[9,10],[8,8],[0,0]]", "black");
    white.send(undoAnswer(4, true));
    states("[[9,9],[9,10]]", nullptr);
    EXPECT_EQ(heard(black, 0), Strings{});
    server.stop();
    SqliteStore sqliteStore(server.database().string(), false);
    Store &store = sqliteStore;
    StoredGame stored;
    ASSERT_EQ(store.load(players.game, stored), Lookup::Found);
    EXPECT_EQ(stored.moves.size(), 2u);
}

// A request to take back a move is stored before anyone hears of it, and comes back with its
// game from the database until an answer or a move has settled it.
TEST(ServerUndo, aRequestOutlivesTheServerUntilItIsAnsweredOrAMoveIsPlayed)
{
    // What was stored, and what the state says when the game comes back from the database.
    struct Stored
    {
        const char *name;
        std::optional<StoredGame::Undo> undo;
        json said;
    };
    const std::vector<Stored> stored = {{"black asked", StoredGame::Undo{0, 4}, "black"},
                                        {"white asked", StoredGame::Undo{1, 4}, "white"},
                                        {"a move since", StoredGame::Undo{0, 3}, nullptr},
                                        {"no such seat", StoredGame::Undo{2, 4}, nullptr},
                                        {"none", std::nullopt, nullptr}};
    for (const Stored &c : stored)
    {
        SCOPED_TRACE(c.name);
        RunningServer server;
        json state;
        storedGame(server, 4, c.undo, &state);
        EXPECT_EQ(state["undo"], c.said);
    }
    // So does a refusal: the refused seat asks again only once a move has been played.
    for (const int refusedAt : {4, 3})
    {
        SCOPED_TRACE("refused at " + std::to_string(refusedAt));
        RunningServer server;
        Players players =
            storedGame(server, 4, std::nullopt, nullptr, StoredGame::Undo{1, refusedAt});
        players.white->send(undo(4));
        if (refusedAt == 4)
        {
            EXPECT_EQ(players.white->expect("error")["code"], "undo-refused");
        }
        else
        {
            EXPECT_EQ(players.black->expect("state")["undo"], "white");
        }
    }
    // White asks, and black refuses, allows or has not answered when the server stops: the
    // database holds what everyone was told.
    for (const std::string ending : {"refused", "allowed", "not answered"})
    {
        SCOPED_TRACE(ending);
        RunningServer server;
        Players players = storedGame(server, 4);
        TestClient &black = *players.black, &white = *players.white;
        white.send(undo(4));
        EXPECT_EQ(black.expect("state")["undo"], "white");
        EXPECT_EQ(white.expect("state")["undo"], "white");
        if (ending != "not answered")
        {
            black.send(undoAnswer(4, ending == "allowed"));
            // Allowed, white's last stone goes and it is white's turn again.
            EXPECT_EQ(white.expect("state")["moves"].size(), ending == "allowed" ? 3u : 4u);
        }
        server.stop();
        SqliteStore sqliteStore(server.database().string(), false);
        Store &store = sqliteStore;
        StoredGame kept;
        ASSERT_EQ(store.load(players.game, kept), Lookup::Found);
        EXPECT_EQ(kept.moves.size(), ending == "allowed" ? 3u : 4u);
        EXPECT_EQ(kept.undo
                      ? std::to_string(kept.undo->seat) + "@" + std::to_string(kept.undo->stones)
                      : "none",
                  ending == "not answered" ? "1@4" : "none");
        EXPECT_EQ(kept.refusedAt, (std::array{-1, ending == "refused" ? 4 : -1}));
    }
}

TEST(ServerSweep, gamesExpireOnTheTestsClock)
{
    RunningServer server;
    // Made and never joined; the creator still connected.
    TestClient lonely(server.port());
    const std::string unjoined = createGame(lonely)["game"];
    // Finished: five in nine moves.
    Players finished = startGame(server.port());
    fiveAlongRow(finished, 0, 3);
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
    const Strings expired = {"error:expired"};
    const std::int64_t day = 24 * 60 * 60;

    server.sweep(day - 1);
    EXPECT_EQ(lonely.receive(20ms), std::nullopt);
    server.sweep(1);
    // A day after it was made, the unjoined game goes, and its creator is told.
    EXPECT_EQ(summary(lonely.expect("error")), "error:expired");
    EXPECT_EQ(answers(unjoined, 1), expired);
    EXPECT_EQ(answers(finished.game, 2), WATCHING);
    EXPECT_EQ(answers(idle, 2), WATCHING);
    // Thirty days after their last move, the finished game and the idle one go too.
    server.sweep(29 * day - 2);
    EXPECT_EQ(answers(finished.game, 2), WATCHING);
    EXPECT_EQ(answers(idle, 2), WATCHING);
    finished.black.reset(), finished.white.reset();
    server.sweep(2);
    EXPECT_EQ(answers(finished.game, 1), expired);
    EXPECT_EQ(answers(idle, 1), expired);
    // A year on, even the memory of them goes.
    server.sweep(365 * day);
    EXPECT_EQ(answers(unjoined, 1), Strings{NO_GAME});
}

} // namespace
