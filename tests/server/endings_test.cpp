// The ends a game comes to off the board, over a real socket: a resignation, a draw one player
// offers and the other declines or agrees to, each stored before anyone hears of it and served
// in the game's records; then a rematch with the colours swapped, which both players go on to.
#include "server/sqlite_store.h"
#include "core/record.h"
#include "tests/server/server_fixture.h"

#include <gtest/gtest.h>

using nlohmann::json;

namespace
{

std::string sgfOf(unsigned short port, const std::string &game)
{
    const std::string answer = rawHttp(
        port, "GET /games/" + game + ".sgf HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
    const std::size_t at = answer.find("\r\n\r\n");
    return at == std::string::npos ? "" : answer.substr(at + 4);
}

// The next state of each client, which must agree on `field`; that value.
json agreed(const std::vector<TestClient *> &clients, const std::string &field)
{
    json seen;
    for (std::size_t i = 0; i < clients.size(); ++i)
    {
        const json state = clients[i]->expect("state");
        if (i == 0)
        {
            seen = state.value(field, json());
        }
        EXPECT_EQ(state.value(field, json()), seen) << field << " as client " << i << " hears it";
    }
    return seen;
}

StoredGame storedOf(RunningServer &server, const std::string &game)
{
    server.stop();
    SqliteStore sqliteStore(server.database().string(), false);
    Store &store = sqliteStore;
    StoredGame stored;
    EXPECT_EQ(store.load(game, stored), Lookup::Found);
    return stored;
}

// Which side resigns, and what the records and states then say.
struct Resignation
{
    const char *name;
    bool blackResigns;
    const char *winner;
    const char *sgf;
};

const Resignation RESIGNATIONS[] = {
    {"black, on its move", true, "white", "RE[W+R]"},
    {"white, out of turn", false, "black", "RE[B+R]"},
};

TEST(ServerEndings, aResignationEndsTheGameForTheOtherSideAndIsStoredFirst)
{
    for (const Resignation &c : RESIGNATIONS)
    {
        SCOPED_TRACE(c.name);
        RunningServer server;
        Players players = startGame(server.port());
        ASSERT_TRUE(playMoves(players, {{9, 9}, {9, 10}}));
        auto watcher = joinAs(server.port(), players.game, "watcher");
        TestClient &loser = c.blackResigns ? *players.black : *players.white;
        TestClient &winner = c.blackResigns ? *players.white : *players.black;
        loser.send(resign());
        const std::vector<TestClient *> all = {&loser, &winner, watcher.get()};
        for (TestClient *client : all)
        {
            const json state = client->expect("state");
            EXPECT_EQ(json({state["over"], state["winner"], state["ending"], state["five"]}),
                      json({true, c.winner, "resignation", nullptr}));
        }
        // Over: nothing more is played, offered or resigned.
        for (const std::string &text : {move(0, 0, 2), offerDraw(2), resign(), undo(2)})
        {
            winner.send(text);
            EXPECT_EQ(winner.expect("error").value("code", ""), "game-over") << text;
        }
        EXPECT_NE(sgfOf(server.port(), players.game).find(c.sgf), std::string::npos)
            << sgfOf(server.port(), players.game);
        const StoredGame stored = storedOf(server, players.game);
        EXPECT_EQ(stored.finish.how, core::Ending::Resignation);
        EXPECT_EQ(stored.finish.loser, c.blackResigns ? core::Colour::Black : core::Colour::White);
        EXPECT_EQ(restored(stored).result().winner,
                  c.blackResigns ? core::Colour::White : core::Colour::Black);
    }
}

// Offered, declined, offered again too soon, offered after a move, answered by a move, offered
// by the other side and agreed: the game is drawn, in its records too.
TEST(ServerEndings, aDrawOfferedIsDeclinedOrAgreedByTheOtherPlayer)
{
    RunningServer server;
    Players players = startGame(server.port());
    ASSERT_TRUE(playMoves(players, {{9, 9}, {9, 10}}));
    auto watcher = joinAs(server.port(), players.game, "watcher");
    TestClient &black = *players.black, &white = *players.white;
    const std::vector<TestClient *> all = {&black, &white, watcher.get()};

    black.send(offerDraw(2));
    EXPECT_EQ(agreed(all, "draw"), "black");
    black.send(answerDraw(2, true));
    EXPECT_EQ(black.expect("error").value("code", ""), "no-draw-offered");
    white.send(offerDraw(2));
    EXPECT_EQ(white.expect("error").value("code", ""), "draw-pending");
    white.send(answerDraw(1, true));
    EXPECT_EQ(white.expect("error").value("code", ""), "stale");
    white.send(answerDraw(2, false));
    EXPECT_EQ(agreed(all, "draw"), nullptr);
    black.send(offerDraw(2));
    EXPECT_EQ(black.expect("error").value("code", ""), "draw-refused");

    // Offered again after a move; a move instead of an answer declines it.
    ASSERT_TRUE(playMoves(players, {{8, 8}}, 2));
    watcher->expect("moved");
    black.send(offerDraw(3));
    EXPECT_EQ(agreed(all, "draw"), "black");
    white.send(move(0, 0, 3));
    for (TestClient *client : all)
    {
        client->expect("moved");
    }
    EXPECT_EQ(agreed(all, "draw"), nullptr);
    white.send(answerDraw(4, true));
    EXPECT_EQ(white.expect("error").value("code", ""), "no-draw-offered");

    white.send(offerDraw(4));
    EXPECT_EQ(agreed(all, "draw"), "white");
    black.send(answerDraw(4, true));
    for (TestClient *client : all)
    {
        const json state = client->expect("state");
        EXPECT_EQ(json({state["over"], state["winner"], state["ending"], state["draw"]}),
                  json({true, nullptr, "agreement", nullptr}));
    }
    black.send(offerDraw(4));
    EXPECT_EQ(black.expect("error").value("code", ""), "game-over");
    const std::string sgf = sgfOf(server.port(), players.game);
    EXPECT_NE(sgf.find("RE[0]"), std::string::npos) << sgf;
    EXPECT_EQ(core::readRecord(sgf).game.result(), (core::Result{core::Ending::Agreement, {}}));
    const StoredGame stored = storedOf(server, players.game);
    EXPECT_EQ(stored.finish.how, core::Ending::Agreement);
    EXPECT_FALSE(stored.drawOffer);
}

// An offer of a draw comes back with its game from the database, as a request to take back does.
TEST(ServerEndings, anOfferOutlivesTheGameLeavingMemory)
{
    RunningServer server;
    Players players = startGame(server.port());
    ASSERT_TRUE(playMoves(players, {{9, 9}, {9, 10}}));
    players.white->send(offerDraw(2));
    players.white->expect("state");
    players.black->expect("state");
    const std::string game = players.game;
    players.black.reset(), players.white.reset(); // the game leaves memory
    json state;
    auto black = joinAs(server.port(), game, "black", players.blackSecret, &state);
    EXPECT_EQ(state["draw"], "white");
    black->send(answerDraw(2, true));
    EXPECT_EQ(black->expect("state")["ending"], "agreement");
}

// After the game, one offers a rematch and the other accepts it: a new game under the same rule,
// the colours swapped, both seats taken; a player who was away goes on to it when back.
TEST(ServerEndings, aRematchSwapsTheColoursAndBothPlayersGoOnToIt)
{
    RunningServer server;
    Seats seats = startSeats(server.port(), R"("rule":"exactly-five")");
    // The second player plays white: it resigns at once.
    seats.second->send(resign());
    seats.first->expect("state");
    seats.second->expect("state");
    auto watcher = joinAs(server.port(), seats.game, "watcher");
    const std::vector<TestClient *> all = {seats.first.get(), seats.second.get(), watcher.get()};

    seats.first->send(rematch());
    EXPECT_EQ(agreed(all, "rematch"), "black");
    seats.first->send(rematch());
    EXPECT_EQ(seats.first->expect("error").value("code", ""), "rematch-pending");
    seats.second->send(rematch());
    const json next = agreed(all, "next");
    ASSERT_TRUE(next.is_string());
    std::array<std::string, 2> secrets;
    for (int i : {0, 1})
    {
        const json made = all[i]->expect("rematched");
        EXPECT_EQ(made["game"], next);
        secrets[i] = made.value("secret", "");
        EXPECT_EQ(secrets[i].size(), 32u);
    }
    EXPECT_NE(secrets[0], secrets[1]);
    const json watched = watcher->expect("rematched");
    EXPECT_EQ(watched["game"], next);
    EXPECT_FALSE(watched.contains("secret"));
    // Asked again: the same rematch.
    seats.second->send(rematch());
    EXPECT_EQ(seats.second->expect("rematched").value("secret", ""), secrets[1]);

    // The colours swapped: the old white opens the new game as black.
    json firstState, secondState;
    auto first = joinAs(server.port(), next, "white", secrets[0], &firstState);
    auto second = joinAs(server.port(), next, "black", secrets[1], &secondState);
    EXPECT_EQ(json({secondState["player"], secondState["rule"], secondState["over"],
                    secondState["moves"].size()}),
              json({1, "exactly-five", false, 0}));
    first->expect("presence");
    second->send(move(9, 9, 0));
    EXPECT_EQ(second->expect("moved").value("colour", ""), "black");
    EXPECT_EQ(first->expect("moved").value("colour", ""), "black");

    // Back to the old game with the old secret: its rematch's seat, the same as before.
    auto back = joinAs(server.port(), seats.game, "black", seats.firstSecret);
    EXPECT_EQ(back->expect("rematched").value("secret", ""), secrets[0]);
    const StoredGame old = storedOf(server, seats.game);
    EXPECT_EQ(old.next, next.get<std::string>());
    EXPECT_FALSE(old.rematchSeat);
}

} // namespace
