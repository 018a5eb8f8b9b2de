// Every stored game served as a record: /games/ID.psq and /games/ID.sgf, read back by the game's
// own readers, with the seats' secrets in neither; anything else under /games/ is not found.
#include "core/record.h"
#include "tests/server/server_fixture.h"

#include <gtest/gtest.h>

namespace
{

std::string get(unsigned short port, const std::string &method, const std::string &target)
{
    return rawHttp(port,
                   method + " " + target + " HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
}

std::string bodyOf(const std::string &answer)
{
    const std::size_t at = answer.find("\r\n\r\n");
    return at == std::string::npos ? "" : answer.substr(at + 4);
}

// The moves of a record as the protocol names them: (row, col).
std::vector<std::pair<int, int>> movesOf(const core::Record &record)
{
    std::vector<std::pair<int, int>> moves;
    for (const core::Move &move : record.game.moves())
    {
        const core::Cell cell = core::cellOfPoint(move.point);
        moves.emplace_back(cell.row, cell.col);
    }
    return moves;
}

TEST(ServerRecords, AGameUnderWayAndFinishedReadsBackInBothLayouts)
{
    RunningServer server;
    Players players = startGame(server.port());
    const std::vector<std::pair<int, int>> opening = {{9, 9}, {9, 10}, {10, 9}, {3, 3}};
    ASSERT_TRUE(playMoves(players, opening));
    const std::string psqPath = "/games/" + players.game + ".psq";
    const std::string sgfPath = "/games/" + players.game + ".sgf";

    const std::string underWay = get(server.port(), "GET", psqPath);
    ASSERT_EQ(underWay.substr(0, 12), "HTTP/1.1 200") << underWay;
    EXPECT_NE(underWay.find("filename=\"" + players.game + ".psq\""), std::string::npos);
    EXPECT_EQ(movesOf(core::readPsq(bodyOf(underWay))), opening);

    fiveAlongRow(players, 4, 0);
    players.black->expect("moved");
    for (const std::string &path : {psqPath, sgfPath})
    {
        const std::string answer = get(server.port(), "GET", path);
        ASSERT_EQ(answer.substr(0, 12), "HTTP/1.1 200") << answer;
        for (const std::string &secret : {players.blackSecret, players.whiteSecret})
        {
            EXPECT_EQ(answer.find(secret), std::string::npos) << "a seat's secret in " << path;
        }
        const core::Record record = core::readRecord(bodyOf(answer));
        EXPECT_EQ(record.game.moves().size(), opening.size() + 9) << path;
        EXPECT_EQ(record.game.result(), (core::Result{core::Ending::Five, core::Colour::Black}))
            << path;
    }
    const std::string head = get(server.port(), "HEAD", sgfPath);
    EXPECT_EQ(head.substr(0, 12), "HTTP/1.1 200");
    EXPECT_EQ(bodyOf(head), "");
    EXPECT_NE(head.find("Content-Length: " +
                        std::to_string(bodyOf(get(server.port(), "GET", sgfPath)).size())),
              std::string::npos)
        << head;
}

TEST(ServerRecords, AnythingElseUnderGamesIsNotFound)
{
    RunningServer server;
    Players players = startGame(server.port());
    const std::string id = players.game;
    for (const std::string &target :
         std::vector<std::string>{"/games/", "/games/" + id, "/games/" + id + ".txt",
                                  "/games/" + id + ".psq.gz", "/games/" + id + "x.psq",
                                  "/games/../" + id + ".psq", "/games/local-aaaaaaaaaaaaaaaa.psq",
                                  "/games/other-" + id.substr(id.find('-') + 1) + ".sgf",
                                  "/games/.psq", "/games/%2e%2e.sgf"})
    {
        const std::string answer = get(server.port(), "GET", target);
        EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 404") << target << "\n" << answer;
    }
    EXPECT_EQ(get(server.port(), "GET", "/games/" + id + ".sgf").substr(0, 12), "HTTP/1.1 200")
        << "a game with no move yet is a record too";
}

} // namespace
