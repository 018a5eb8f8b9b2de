// The real server killed with SIGKILL mid-game at random moments and started again on the same
// database and port: every acknowledged move is there, the one on its way is there or not, the
// players take their seats back with their secrets, and the finished game stays readable.
#include "tests/server/process.h"
#include "tests/server/server_fixture.h"

#include <random>
#include <tuple>

#include <gtest/gtest.h>

using nlohmann::json;
using Strings = std::vector<std::string>;

namespace
{

using Moves = std::vector<std::pair<int, int>>;

TEST(ServerKill, everyAcknowledgedMoveOutlivesSigkill)
{
    TempDir dir;
    const std::string database = (dir.path() / "games.sqlite").string();
    const auto log = dir.path() / "server.log";
    auto server = std::make_unique<ServerProcess>(Strings{"--db", database, "--port", "0"}, log);
    const unsigned short port = server->port();
    Players players = startGame(port);
    // Started again on the same database and port, once the players have gone.
    const auto restart = [&]
    {
        players.black.reset(), players.white.reset();
        server = std::make_unique<ServerProcess>(
            Strings{"--db", database, "--port", std::to_string(port)}, log);
    };
    const auto plan = fivelessMoves(200);
    Moves acknowledged;
    std::mt19937 random(std::random_device{}());
    int inFlightSeen = 0;

    for (int round = 0; round < 4; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        // The kill comes at a moment of its own while the players move as fast as they can.
        const auto delay = std::chrono::milliseconds(5 + random() % 40);
        std::jthread killer([&] { std::this_thread::sleep_for(delay), server->end(SIGKILL); });
        std::optional<std::pair<int, int>> inFlight;
        for (int n = static_cast<int>(acknowledged.size()); n < static_cast<int>(plan.size()); ++n)
        {
            TestClient &mover = n % 2 == 0 ? *players.black : *players.white;
            mover.send(move(plan[n].first, plan[n].second, n));
            const auto answer = mover.receive(2s);
            if (!answer)
            {
                inFlight = plan[n];
                break;
            }
            ASSERT_EQ(answer->value("type", ""), "moved") << answer->dump();
            acknowledged.push_back(plan[n]);
            TestClient &other = n % 2 == 0 ? *players.white : *players.black;
            other.receive(2s);
            std::this_thread::sleep_for(2ms); // within the rate a connection may send
        }
        killer.join();
        ASSERT_TRUE(inFlight) << "the game ran out of moves before the kill";
        restart();
        json blackState, whiteState;
        players.black = joinAs(port, players.game, "black", players.blackSecret, &blackState);
        players.white = joinAs(port, players.game, "white", players.whiteSecret, &whiteState);
        players.black->expect("presence"); // white is back
        const auto stored = blackState["moves"].get<Moves>();
        EXPECT_EQ(whiteState["moves"].get<Moves>(), stored);
        ASSERT_GE(stored.size(), acknowledged.size()) << "an acknowledged move was lost";
        EXPECT_TRUE(std::equal(acknowledged.begin(), acknowledged.end(), stored.begin()));
        ASSERT_LE(stored.size(), acknowledged.size() + 1);
        if (stored.size() > acknowledged.size())
        {
            // Stored, but killed before it was told: it stands, as the one that was on its way.
            EXPECT_EQ(stored.back(), *inFlight);
            ++inFlightSeen;
        }
        EXPECT_EQ(blackState.value("black", ""), "present");
        acknowledged = stored;
    }
    // The players go on to a five along the last rows, which the game so far left empty.
    const int n = static_cast<int>(acknowledged.size());
    fiveAlongRow(players, n, 16);
    players.black->expect("moved");
    EXPECT_TRUE(players.black->expect("state").value("over", false));
    // Killed once more: the finished game is there, over, for a watcher.
    server->end(SIGKILL);
    restart();
    json state;
    joinAs(port, players.game, "watcher", "", &state);
    EXPECT_TRUE(state.value("over", false));
    EXPECT_EQ(state.value("winner", ""), n % 2 == 0 ? "black" : "white");
    EXPECT_EQ(state["moves"].size(), static_cast<std::size_t>(n + 9));
    server.reset();
    // What the kill test saw, for whoever reads its output.
    std::cout << "moves in flight at the kills that were stored before it: " << inFlightSeen
              << " of 4\n";
    // No secret in the server's log, through every start and kill.
    const std::string text = fileText(log);
    EXPECT_NE(text.find("started"), std::string::npos);
    EXPECT_EQ(text.find(players.blackSecret), std::string::npos);
    EXPECT_EQ(text.find(players.whiteSecret), std::string::npos);
}

// A renju game with the swap2 opening, the server killed after each of its steps and once with
// a choice on its way: each acknowledged stone and choice is there after the restart, the game
// under its rule and opening, the colours as the choices made them, and black's forbidden point
// still refused.
TEST(ServerKill, aRenjuSwap2GameComesBackAfterEachStepUnderItsRuleAndChoices)
{
    TempDir dir;
    const std::string database = (dir.path() / "games.sqlite").string();
    const auto log = dir.path() / "server.log";
    auto server = std::make_unique<ServerProcess>(Strings{"--db", database, "--port", "0"}, log);
    const unsigned short port = server->port();
    Seats seats = startSeats(port, R"("rule":"renju","opening":"swap2")");
    // Killed, started again, and both players back on their seats: the states they are sent.
    json firstState, secondState;
    const auto restart = [&]
    {
        server->end(SIGKILL);
        seats.first.reset(), seats.second.reset();
        server = std::make_unique<ServerProcess>(
            Strings{"--db", database, "--port", std::to_string(port)}, log);
        for (auto [client, secret, state] :
             {std::tuple{&seats.first, seats.firstSecret, &firstState},
              std::tuple{&seats.second, seats.secondSecret, &secondState}})
        {
            *client = std::make_unique<TestClient>(
                port, TestClient::Options{.target = "/ws?game=" + seats.game});
            (*client)->send(join(seats.game, secret));
            (*client)->expect("joined");
            *state = (*client)->expect("state");
        }
        seats.first->expect("presence"); // the second player is back
        EXPECT_EQ(firstState.value("rule", ""), "renju");
        EXPECT_EQ(firstState.value("opening", ""), "swap2");
        EXPECT_EQ(firstState.value("player", 0), 1);
        EXPECT_EQ(secondState.value("player", 0), 2);
        EXPECT_EQ(firstState["moves"], secondState["moves"]);
    };
    // A message from `client` and its acknowledgement, `type`, to both players.
    const auto acknowledged =
        [&](std::unique_ptr<TestClient> &client, const std::string &text, const std::string &type)
    {
        client->send(text);
        for (TestClient *player : {seats.first.get(), seats.second.get()})
        {
            EXPECT_EQ(player->expect(type).value("type", ""), type) << text;
            // A stone that ends a step brings the state after it.
            while (type == "moved" && player->receive(50ms))
            {
            }
        }
    };
    acknowledged(seats.first, move(9, 7, 0), "moved");
    acknowledged(seats.first, move(0, 0, 1), "moved");
    acknowledged(seats.first, move(9, 8, 2), "moved");
    restart();
    EXPECT_EQ(firstState.value("step", ""), "second-choice");
    EXPECT_EQ(firstState["moves"].size(), 3u);
    acknowledged(seats.second, choose("two", 3), "state");
    restart();
    EXPECT_EQ(firstState.value("step", ""), "two-more");
    EXPECT_EQ(firstState.value("second-choice", ""), "two");
    acknowledged(seats.second, move(0, 2, 3), "moved");
    acknowledged(seats.second, move(7, 9, 4), "moved");
    restart();
    EXPECT_EQ(firstState.value("step", ""), "first-choice");
    EXPECT_EQ(firstState["moves"].size(), 5u);
    // The choice on its way when the server is killed: stored, or not, and never half.
    seats.first->send(choose("white", 5));
    restart();
    if (firstState["first-choice"].is_null())
    {
        EXPECT_EQ(firstState.value("step", ""), "first-choice");
        acknowledged(seats.first, choose("white", 5), "state");
        restart();
    }
    EXPECT_EQ(firstState.value("first-choice", ""), "white");
    EXPECT_EQ(firstState.value("step", ""), "over");
    EXPECT_EQ(firstState.value("you", ""), "white");
    EXPECT_EQ(secondState.value("you", ""), "black");
    acknowledged(seats.first, move(0, 4, 5), "moved");
    acknowledged(seats.second, move(8, 9, 6), "moved");
    acknowledged(seats.first, move(0, 6, 7), "moved");
    restart();
    EXPECT_EQ(secondState["moves"].size(), 8u);
    // Black's double three at (9, 9), refused after the restart as before it.
    seats.second->send(move(9, 9, 8));
    const json refusal = seats.second->expect("error");
    EXPECT_EQ(refusal.value("code", ""), "forbidden");
    EXPECT_EQ(refusal.value("message", ""), "Black may not play there under renju: a double three");
    acknowledged(seats.second, move(10, 10, 8), "moved");
}

// The ends off the board and the rematch, each acknowledged and then the server killed: after
// the restart the offer of a draw still waits, the draw agreed and the resignation stand, and the
// rematch's seats are given again to the players who come back.
TEST(ServerKill, aDrawAResignationAndARematchOutliveSigkill)
{
    TempDir dir;
    const std::string database = (dir.path() / "games.sqlite").string();
    const auto log = dir.path() / "server.log";
    auto server = std::make_unique<ServerProcess>(Strings{"--db", database, "--port", "0"}, log);
    const unsigned short port = server->port();
    Players players = startGame(port);
    ASSERT_TRUE(playMoves(players, {{9, 9}, {9, 10}}));
    // Killed and started again; the state a player back on its seat of `game` is sent.
    const auto restart = [&]
    {
        server->end(SIGKILL);
        players.black.reset(), players.white.reset();
        server = std::make_unique<ServerProcess>(
            Strings{"--db", database, "--port", std::to_string(port)}, log);
    };
    const auto stateOf = [&](const std::string &game, const std::string &role,
                             const std::string &secret, std::unique_ptr<TestClient> *client)
    {
        json state;
        *client = joinAs(port, game, role, secret, &state);
        return state;
    };

    players.white->send(offerDraw(2));
    EXPECT_EQ(players.white->expect("state")["draw"], "white");
    restart();
    EXPECT_EQ(stateOf(players.game, "black", players.blackSecret, &players.black)["draw"], "white");
    players.black->send(answerDraw(2, true));
    EXPECT_EQ(players.black->expect("state")["ending"], "agreement");
    restart();
    json state = stateOf(players.game, "black", players.blackSecret, &players.black);
    EXPECT_EQ(json({state["over"], state["winner"], state["ending"]}),
              json({true, nullptr, "agreement"}));
    stateOf(players.game, "white", players.whiteSecret, &players.white);
    players.black->expect("presence");

    players.black->send(rematch());
    EXPECT_EQ(players.black->expect("state")["rematch"], "black");
    players.white->expect("state");
    players.white->send(rematch());
    players.white->expect("state");
    const json made = players.white->expect("rematched");
    const std::string next = made.value("game", "");
    restart();
    // Black was black: it plays white in the rematch, and comes to it through the old game.
    std::unique_ptr<TestClient> oldGame, white, black;
    stateOf(players.game, "black", players.blackSecret, &oldGame);
    const std::string blackSecret = oldGame->expect("rematched").value("secret", "");
    EXPECT_EQ(stateOf(next, "white", blackSecret, &white)["moves"].size(), 0u);
    stateOf(next, "black", made.value("secret", ""), &black);
    white->expect("presence");
    black->send(resign());
    EXPECT_EQ(black->expect("state")["ending"], "resignation");
    restart();
    oldGame.reset(), white.reset(), black.reset();
    state = stateOf(next, "watcher", "", &black);
    EXPECT_EQ(json({state["over"], state["winner"], state["ending"]}),
              json({true, "white", "resignation"}));
}

} // namespace
