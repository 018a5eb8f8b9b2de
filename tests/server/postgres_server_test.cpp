// The real server on PostgreSQL: killed with SIGKILL mid-game and started again on the same
// database, it has every acknowledged move; with the database stopped it refuses a move with a
// clear message and stores nothing, and once the database is back the game goes on to its five.
#include "tests/server/postgres.h"
#include "tests/server/process.h"
#include "tests/server/server_fixture.h"

#include <gtest/gtest.h>

using nlohmann::json;
using Strings = std::vector<std::string>;

TEST(PostgresServer, KeepsEveryAcknowledgedMoveThroughAKillAndADatabaseStopped)
{
    static TestPostgres postgres;
    const std::string database = postgres.freshDatabase();
    TempDir dir;
    const auto log = dir.path() / "server.log";
    auto server = std::make_unique<ServerProcess>(Strings{"--db", database, "--port", "0"}, log);
    const unsigned short port = server->port();
    Players players = startGame(port);
    ASSERT_TRUE(playMoves(players, {{9, 9}, {10, 9}, {9, 10}}));

    // Killed, and started again on the same database: the game is where it stood.
    server->end(SIGKILL);
    players.black.reset(), players.white.reset();
    server = std::make_unique<ServerProcess>(
        Strings{"--db", database, "--port", std::to_string(port)}, log);
    json state;
    players.black = joinAs(port, players.game, "black", players.blackSecret, &state);
    players.white = joinAs(port, players.game, "white", players.whiteSecret);
    EXPECT_EQ(state["moves"], json::parse("[[9,9],[10,9],[9,10]]"));
    players.black->expect("presence");

    // The database stopped: white's move is refused, saying so, and is not stored.
    postgres.stop();
    players.white->send(move(10, 10, 3));
    const json refused = players.white->expect("error");
    EXPECT_EQ(refused["code"], "internal");
    EXPECT_EQ(refused["message"], "The server could not store that; try again");
    postgres.start();
    players.white->send(move(10, 10, 3));
    EXPECT_EQ(players.white->expect("moved")["n"], 3);
    players.black->expect("moved");
    fiveAlongRow(players, 4, 3);
    for (TestClient *client : {players.black.get(), players.white.get()})
    {
        client->expect("moved"); // the five
        EXPECT_EQ(client->expect("state")["winner"], "black");
    }
    server->end(SIGKILL);
    server = std::make_unique<ServerProcess>(
        Strings{"--db", database, "--port", std::to_string(port)}, log);
    json after;
    auto watcher = joinAs(port, players.game, "watcher", "", &after);
    EXPECT_EQ(after["moves"].size(), 13u);
    EXPECT_EQ(after["winner"], "black");
}
