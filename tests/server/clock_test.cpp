// The server keeps the time: each side's clock runs from the stored time of the last move, a
// move's time is when the server receives it, a side whose time runs out loses and that is stored
// before anyone hears of it, and neither a reconnect nor a restart stops or resets a clock (a
// restart gives back, once, the time the server was down). All on the tests' clock.
#include "server/sqlite_store.h"
#include "tests/server/server_fixture.h"

#include <gtest/gtest.h>

using nlohmann::json;

namespace
{

constexpr std::int64_t MAIN_MS = 60'000; // "1+2"
constexpr std::int64_t INCREMENT_MS = 2'000;

struct ClockCase
{
    const char *name;
    const char *control;               // the create's "clock"; "" for none
    std::vector<std::int64_t> thinkMs; // how long each move took, black's first
    std::int64_t afterMs;              // then this long passes
    bool away = false;                 // both players' connections are gone meanwhile
    std::int64_t downMs = -1;          // then the server is down this long, and back
    std::int64_t laterMs = 0;          // then this long passes again
    bool lateMove = false;             // then the side to move tries a move
    // What a watcher who comes then is told.
    json clock;  // the state's "clock"
    json ending; // and its "ending"
    json winner;
};

json clockOf(std::int64_t black, std::int64_t white, json running, std::int64_t stopped = 0)
{
    return json{{"control", "1+2"},
                {"black", black},
                {"white", white},
                {"running", running},
                {"stopped", stopped}};
}

const std::vector<ClockCase> CASES = {
    {"each move adds the increment; the side to move's clock runs",
     "1+2",
     {10'000, 5'000},
     3'000,
     false,
     -1,
     0,
     false,
     clockOf(MAIN_MS - 10'000 + INCREMENT_MS - 3'000, MAIN_MS - 5'000 + INCREMENT_MS, "black"),
     nullptr,
     nullptr},
    {"the side to move's flag falls on the server's tick",
     "1+2",
     {10'000},
     MAIN_MS,
     false,
     -1,
     0,
     false,
     clockOf(MAIN_MS - 10'000 + INCREMENT_MS, 0, nullptr),
     "time",
     "black"},
    {"a move that arrives after the flag loses on time",
     "1+2",
     {10'000, 20'000},
     MAIN_MS - 10'000 + INCREMENT_MS + 1,
     false,
     -1,
     0,
     true,
     clockOf(0, MAIN_MS - 20'000 + INCREMENT_MS, nullptr),
     "time",
     "white"},
    {"the flag falls while both players are away",
     "1+2",
     {10'000},
     MAIN_MS + 5'000,
     true,
     -1,
     0,
     false,
     clockOf(MAIN_MS - 10'000 + INCREMENT_MS, 0, nullptr),
     "time",
     "black"},
    {"a reconnect neither stops nor resets the clock",
     "1+2",
     {10'000},
     20'000,
     true,
     -1,
     0,
     false,
     clockOf(MAIN_MS - 10'000 + INCREMENT_MS, MAIN_MS - 20'000, "white"),
     nullptr,
     nullptr},
    {"a restart gives back the time the server was down",
     "1+2",
     {10'000},
     2'000,
     false,
     30'000,
     1'000,
     false,
     clockOf(MAIN_MS - 10'000 + INCREMENT_MS, MAIN_MS - 2'000 - 1'000, "white", 30'000),
     nullptr,
     nullptr},
    {"without a clock nothing runs and nothing falls",
     "",
     {10'000},
     10 * 3'600'000,
     false,
     -1,
     0,
     false,
     nullptr,
     nullptr,
     nullptr},
};

// The clocks are looked at when a test says so, never on the server's own timer.
ServerOptions ticksWhenTold()
{
    ServerOptions options;
    options.tickInterval = std::chrono::hours(1);
    return options;
}

Players timedGame(unsigned short port, const std::string &control)
{
    Seats seats =
        startSeats(port, control.empty() ? std::string() : R"("clock":")" + control + "\"");
    return Players{seats.game, std::move(seats.first), std::move(seats.second), seats.firstSecret,
                   seats.secondSecret};
}

} // namespace

TEST(ServerClock, runsFromTheStoredMovesThroughReconnectsAndRestarts)
{
    for (const ClockCase &c : CASES)
    {
        SCOPED_TRACE(c.name);
        RunningServer server(ticksWhenTold());
        Players players = timedGame(server.port(), c.control);
        const auto moves = fivelessMoves(static_cast<int>(c.thinkMs.size()) + 1);
        for (std::size_t i = 0; i < c.thinkMs.size(); ++i)
        {
            server.advanceMs(c.thinkMs[i]);
            TestClient &mover = i % 2 == 0 ? *players.black : *players.white;
            mover.send(move(moves[i].first, moves[i].second, static_cast<int>(i)));
            for (TestClient *client : {players.black.get(), players.white.get()})
            {
                const json moved = client->expect("moved");
                // The move's word carries the clocks as it left them: the other side's runs.
                if (*c.control != '\0')
                {
                    EXPECT_EQ(moved["clock"]["running"], i % 2 == 0 ? "white" : "black");
                }
            }
        }
        server.advanceMs(c.afterMs);
        if (c.away)
        {
            players.black.reset();
            players.white.reset();
            server.tick();
        }
        if (c.downMs >= 0)
        {
            server.tick(); // the heartbeat before it stops
            server.restart(c.downMs);
            players.black.reset();
            players.white.reset();
        }
        server.advanceMs(c.laterMs);
        if (c.lateMove)
        {
            const std::size_t n = c.thinkMs.size();
            TestClient &mover = n % 2 == 0 ? *players.black : *players.white;
            mover.send(move(moves[n].first, moves[n].second, static_cast<int>(n)));
            const json error = mover.expect("error");
            EXPECT_EQ(error["code"], "game-over");
            EXPECT_EQ(error["message"], "Your time ran out");
        }
        else if (!c.away && c.downMs < 0)
        {
            server.tick();
        }
        json state;
        auto watcher = joinAs(server.port(), players.game, "watcher", "", &state);
        EXPECT_EQ(state["clock"], c.clock);
        EXPECT_EQ(state["ending"], c.ending);
        EXPECT_EQ(state["winner"], c.winner);
        if (c.ending == "time" && players.black && players.white)
        {
            // The players heard of it as soon as it was stored.
            for (TestClient *client : {players.black.get(), players.white.get()})
            {
                EXPECT_EQ(client->expect("state")["ending"], "time");
            }
        }
    }
}

// The clock stays with what was stored: a server started again on the database says the same.
TEST(ServerClock, aFlagIsStoredBeforeAnyoneHearsOfIt)
{
    RunningServer server(ticksWhenTold());
    Players players = timedGame(server.port(), "1+2");
    server.advanceMs(MAIN_MS + 1);
    server.tick();
    EXPECT_EQ(players.black->expect("state")["ending"], "time");
    server.stop();
    SqliteStore sqliteStore(server.database().string(), false);
    Store &store = sqliteStore;
    StoredGame stored;
    ASSERT_EQ(store.load(players.game, stored), Lookup::Found);
    EXPECT_EQ(stored.finish.how, core::Ending::Time);
    EXPECT_EQ(stored.finish.loser, core::Colour::Black);
    EXPECT_EQ(stored.control, (core::TimeControl{MAIN_MS, INCREMENT_MS}));
}

// A take-back by agreement takes back the time since the move kept, so that nobody loses on time
// for the other's moment of asking.
TEST(ServerClock, aTakeBackGivesBackTheTimeSinceTheMoveKept)
{
    RunningServer server(ticksWhenTold());
    Players players = timedGame(server.port(), "1+2");
    ASSERT_TRUE(playMoves(players, {{9, 9}}));
    server.advanceMs(10'000);
    players.white->send(move(9, 10, 1));
    players.white->expect("moved");
    players.black->expect("moved");
    server.advanceMs(40'000);
    players.white->send(undo(2));
    players.black->expect("state");
    players.white->expect("state");
    server.advanceMs(5'000);
    players.black->send(undoAnswer(2, true));
    const json state = players.white->expect("state");
    EXPECT_EQ(state["moves"].size(), 1u);
    // White to move again with its time as it was when black's stone was placed.
    EXPECT_EQ(state["clock"], clockOf(MAIN_MS + INCREMENT_MS, MAIN_MS, "white"));
}

// What a create may ask of a clock.
TEST(ServerClock, aCreateAsksForAClockThatCanBeKept)
{
    const struct
    {
        const char *fields;
        const char *error; // the code, or "" when the game is made
    } cases[] = {
        {R"("clock":"3+2")", ""},           {R"("clock":"none")", ""},
        {R"("clock":"0+5")", "bad-field"},  {R"("clock":"181+0")", "bad-field"},
        {R"("clock":"3+61")", "bad-field"}, {R"("clock":"3:2")", "bad-field"},
        {R"("clock":180)", "bad-field"},    {R"("clock":"3+2","opening":"swap2")", "bad-field"},
    };
    RunningServer server(ticksWhenTold());
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.fields);
        TestClient client(server.port());
        client.send(std::string(R"({"type":"create",)") + c.fields + "}");
        const json answer = client.receive().value_or(json());
        if (*c.error == '\0')
        {
            EXPECT_EQ(answer["type"], "created");
            const json state = client.expect("state");
            const bool timed = std::string(c.fields).find("none") == std::string::npos;
            EXPECT_EQ(state["clock"].is_null(), !timed);
        }
        else
        {
            EXPECT_EQ(answer["type"], "error");
            EXPECT_EQ(answer["code"], c.error);
        }
    }
}

// A timed game's records carry its clocks: each move's time taken (the .psq's third number, SGF's
// MS) and its side's time left after it (BL, WL), and the result on time.
TEST(ServerClock, theRecordsCarryTheClocks)
{
    RunningServer server(ticksWhenTold());
    Players players = timedGame(server.port(), "1+2");
    for (const auto &[think, row, col] : {std::tuple{10'000, 9, 9}, {5'500, 9, 10}, {1'234, 8, 8}})
    {
        server.advanceMs(think);
        const int n = row == 9 && col == 9 ? 0 : col == 10 ? 1 : 2;
        (n % 2 == 0 ? players.black : players.white)->send(move(row, col, n));
        players.black->expect("moved");
        players.white->expect("moved");
    }
    server.advanceMs(MAIN_MS);
    server.tick();
    const auto body = [&](const std::string &name)
    {
        const std::string answer =
            rawHttp(server.port(), "GET /games/" + players.game + name +
                                       " HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
        const std::size_t at = answer.find("\r\n\r\n");
        return at == std::string::npos ? std::string() : answer.substr(at + 4);
    };
    const std::string sgf = body(".sgf");
    for (const char *part : {"RE[B+T]TM[60]OT[+2 s a move]", ";B[ji]MS[10000]BL[52]",
                             ";W[jh]MS[5500]WL[56.5]", ";B[ij]MS[1234]BL[52.766]"})
    {
        EXPECT_NE(sgf.find(part), std::string::npos) << part << " in " << sgf;
    }
    const std::string psq = body(".psq");
    EXPECT_NE(psq.find("10,9,10000\r\n10,8,5500\r\n9,10,1234\r\n"), std::string::npos) << psq;
}
