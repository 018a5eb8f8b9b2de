// Games under each rule and with the swap2 opening, through the real server: a table of games,
// each step a message from the first player or the second and what each of them hears. Then a
// game written into the database under its rule, opening and choices comes back so.
#include "tests/server/server_fixture.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

using nlohmann::json;
using Strings = std::vector<std::string>;

namespace
{

// One message of the game and what comes of it. Moved messages read moved:COLOUR, errors
// error:CODE, states state:YOU:STEP, with :WINNER once the game is over.
struct Step
{
    int from; // 1 the first player, 2 the second
    std::string send;
    Strings answers;          // what the sender hears
    Strings others = {};      // what the other player hears
    std::string message = {}; // the refusal's words, when there is one to check
};

struct Game
{
    std::string name;
    std::string fields; // of the create
    std::vector<Step> steps;
};

// A stone both players hear of.
Step stone(int from, int row, int col, int n, const std::string &colour)
{
    return Step{from, move(row, col, n), {"moved:" + colour}, {"moved:" + colour}};
}

Step refused(int from, const std::string &text, const std::string &code,
             const std::string &message = "")
{
    return Step{from, text, {"error:" + code}, {}, message};
}

// A message after which both players hear the state: `mine` the sender's colour, `theirs` the
// other's, `step` the swap2 step.
Step stated(int from, const std::string &text, const std::string &mine, const std::string &theirs,
            const std::string &step)
{
    return Step{from, text, {"state:" + mine + ":" + step}, {"state:" + theirs + ":" + step}};
}

std::vector<Step> joined(std::vector<Step> a, const std::vector<Step> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Black builds two open twos across (9, 9), white plays along row 0: (9, 9) is a double three.
const std::vector<Step> TWO_TWOS = {
    stone(1, 9, 7, 0, "black"), stone(2, 0, 0, 1, "white"), stone(1, 9, 8, 2, "black"),
    stone(2, 0, 2, 3, "white"), stone(1, 7, 9, 4, "black"), stone(2, 0, 4, 5, "white"),
    stone(1, 8, 9, 6, "black"), stone(2, 0, 6, 7, "white"),
};

// Black has columns 0, 1, 2, 4 and 5 of row 5, white is to play: (5, 3) makes six.
const std::vector<Step> BEFORE_SIX = {
    stone(1, 5, 0, 0, "black"), stone(2, 7, 0, 1, "white"), stone(1, 5, 1, 2, "black"),
    stone(2, 7, 2, 3, "white"), stone(1, 5, 2, 4, "black"), stone(2, 7, 4, 5, "white"),
    stone(1, 5, 4, 6, "black"), stone(2, 7, 6, 7, "white"), stone(1, 5, 5, 8, "black"),
    stone(2, 7, 8, 9, "white"),
};

// Swap2's first three stones, the second player refused at each, and the choice it then has.
const std::vector<Step> THREE = {
    refused(2, move(9, 9, 0), "not-your-turn"),
    refused(1, choose("white", 0), "no-choice"),
    stone(1, 9, 9, 0, "black"),
    refused(2, move(0, 0, 1), "not-your-turn"),
    stone(1, 9, 10, 1, "white"),
    {1,
     move(10, 9, 2),
     {"moved:black", "state:black:second-choice"},
     {"moved:black", "state:white:second-choice"}},
    refused(1, choose("white", 3), "not-your-turn"),
    refused(1, move(0, 0, 3), "not-your-turn"),
    refused(2, choose("white", 2), "stale"),
    refused(2, R"({"type":"choose","choice":"grey","n":3})", "bad-field"),
    refused(2, R"({"type":"choose","choice":"white"})", "bad-field"),
    refused(2, R"({"type":"choose","choice":2,"n":3})", "bad-field"),
};

// The second player chooses two more stones and places them; the first player's choice is next.
const std::vector<Step> TWO_MORE =
    joined(THREE, {
                      stated(2, choose("two", 3), "white", "black", "two-more"),
                      refused(1, move(8, 8, 3), "not-your-turn"),
                      refused(1, choose("white", 3), "no-choice"),
                      refused(2, choose("white", 3), "no-choice"),
                      stone(2, 8, 8, 3, "white"),
                      {2,
                       move(8, 10, 4),
                       {"moved:black", "state:white:first-choice"},
                       {"moved:black", "state:black:first-choice"}},
                      refused(2, choose("white", 5), "not-your-turn"),
                      refused(2, move(0, 0, 5), "not-your-turn"),
                      refused(1, choose("two", 5), "no-choice"),
                  });

const std::string RENJU = R"("rule":"renju")", FIVE = R"("rule":"exactly-five")";
const std::string SWAP2 = R"("opening":"swap2")";

const std::vector<Game> GAMES = {
    {"renju: black's double three is refused with its reason, and the game goes on", RENJU,
     joined(TWO_TWOS,
            {
                refused(1, move(9, 9, 8), "forbidden",
                        "Black may not play there under renju: a double three"),
                stone(1, 10, 10, 8, "black"),
                stone(2, 9, 9, 9, "white"), // no point is forbidden to white
            })},
    {"freestyle: the same point is black's to play", "",
     joined(TWO_TWOS, {stone(1, 9, 9, 8, "black")})},
    {"exactly five: six in a row wins nothing", FIVE,
     joined(BEFORE_SIX, {stone(1, 5, 3, 10, "black"), stone(2, 0, 17, 11, "white")})},
    {"exactly five: five wins",
     FIVE,
     {stone(1, 5, 0, 0, "black"),
      stone(2, 7, 0, 1, "white"),
      stone(1, 5, 1, 2, "black"),
      stone(2, 7, 2, 3, "white"),
      stone(1, 5, 2, 4, "black"),
      stone(2, 7, 4, 5, "white"),
      stone(1, 5, 3, 6, "black"),
      stone(2, 7, 6, 7, "white"),
      {1,
       move(5, 4, 8),
       {"moved:black", "state:black:over:black"},
       {"moved:black", "state:white:over:black"}}}},
    {"freestyle: six in a row wins", "",
     joined(BEFORE_SIX, {{1,
                          move(5, 3, 10),
                          {"moved:black", "state:black:over:black"},
                          {"moved:black", "state:white:over:black"}}})},
    {"renju: black's overline is refused", RENJU,
     joined(BEFORE_SIX, {refused(1, move(5, 3, 10), "forbidden",
                                 "Black may not play there under renju: an overline"),
                         stone(1, 0, 17, 10, "black")})},
    {"the free opening asks for no choice",
     "",
     {refused(1, choose("white", 0), "no-choice"), stone(1, 9, 9, 0, "black"),
      refused(2, choose("black", 1), "no-choice")}},
    {"swap2: the second player plays white, and a take-back never crosses the choice", SWAP2,
     joined(THREE,
            {
                stated(2, choose("white", 3), "white", "black", "over"),
                refused(2, choose("white", 3), "no-choice"),
                refused(1, move(0, 0, 3), "not-your-turn"),
                stone(2, 8, 8, 3, "white"),
                // Black's stones are all the opening's: none to take back.
                refused(1, undo(4), "nothing-to-undo"),
                stated(2, undo(4), "white", "black", "over"),
                // White's stone goes; the choice before it stays, and white is to move again.
                stated(1, undoAnswer(4, true), "black", "white", "over"),
                refused(1, move(0, 0, 3), "not-your-turn"),
                stone(2, 8, 8, 3, "white"),
                stone(1, 0, 0, 4, "black"),
            })},
    {"swap2: the second player plays black", SWAP2,
     joined(THREE,
            {
                stated(2, choose("black", 3), "black", "white", "over"),
                refused(2, move(0, 0, 3), "not-your-turn"),
                stone(1, 8, 8, 3, "white"),
                stone(2, 0, 0, 4, "black"),
            })},
    {"swap2: a stone at the second choice chooses white", SWAP2,
     joined(THREE,
            {
                {2,
                 move(8, 8, 3),
                 {"moved:white", "state:white:over"},
                 {"moved:white", "state:black:over"}},
                refused(2, move(0, 0, 4), "not-your-turn"),
                stone(1, 0, 0, 4, "black"),
            })},
    {"swap2: two more stones, then the first player plays white", SWAP2,
     joined(TWO_MORE,
            {
                stated(1, choose("white", 5), "white", "black", "over"),
                refused(2, move(0, 0, 5), "not-your-turn"),
                stone(1, 0, 0, 5, "white"),
                stone(2, 0, 1, 6, "black"),
            })},
    {"swap2: two more stones, then the first player plays black", SWAP2,
     joined(TWO_MORE,
            {
                stated(1, choose("black", 5), "black", "white", "over"),
                refused(1, move(0, 0, 5), "not-your-turn"),
                stone(2, 0, 0, 5, "white"),
                stone(1, 0, 1, 6, "black"),
            })},
    {"swap2 under renju: the second player takes black, and black's double three is refused",
     RENJU + "," + SWAP2,
     {
         stone(1, 9, 7, 0, "black"),
         stone(1, 0, 0, 1, "white"),
         {1,
          move(9, 8, 2),
          {"moved:black", "state:black:second-choice"},
          {"moved:black", "state:white:second-choice"}},
         stated(2, choose("black", 3), "black", "white", "over"),
         stone(1, 0, 2, 3, "white"),
         stone(2, 7, 9, 4, "black"),
         stone(1, 0, 4, 5, "white"),
         stone(2, 8, 9, 6, "black"),
         stone(1, 0, 6, 7, "white"),
         refused(2, move(9, 9, 8), "forbidden",
                 "Black may not play there under renju: a double three"),
         refused(1, move(9, 9, 8), "not-your-turn"),
         stone(2, 10, 10, 8, "black"),
     }},
};

std::string summary(const json &message)
{
    const std::string type = message.value("type", "?");
    if (type == "moved")
    {
        return type + ":" + message.value("colour", "?");
    }
    if (type == "error")
    {
        return type + ":" + message.value("code", "?");
    }
    if (type == "state")
    {
        std::string text =
            type + ":" + message.value("you", "?") + ":" + message.value("step", "?");
        if (message.value("over", false))
        {
            text += ":" + (message["winner"].is_string() ? message["winner"].get<std::string>()
                                                         : std::string("drawn"));
        }
        return text;
    }
    return type;
}

// The `expected` messages, however slow the machine, and any more that come soon after.
std::vector<json> heard(TestClient &client, std::size_t expected)
{
    std::vector<json> got;
    while (const auto message = client.receive(got.size() < expected ? 5000ms : 20ms))
    {
        got.push_back(*message);
    }
    return got;
}

Strings summaries(const std::vector<json> &messages)
{
    Strings got;
    for (const json &message : messages)
    {
        got.push_back(summary(message));
    }
    return got;
}

TEST(ServerRules, eachGameUnderItsRuleAndOpeningStepByStep)
{
    RunningServer server;
    for (const Game &game : GAMES)
    {
        SCOPED_TRACE(game.name);
        Seats seats = startSeats(server.port(), game.fields);
        for (std::size_t i = 0; i < game.steps.size(); ++i)
        {
            const Step &step = game.steps[i];
            SCOPED_TRACE("step " + std::to_string(i) + ": " + step.send);
            TestClient &sender = step.from == 1 ? *seats.first : *seats.second;
            TestClient &other = step.from == 1 ? *seats.second : *seats.first;
            sender.send(step.send);
            const auto answers = heard(sender, step.answers.size());
            EXPECT_EQ(summaries(answers), step.answers);
            EXPECT_EQ(summaries(heard(other, step.others.size())), step.others);
            if (!step.message.empty() && !answers.empty())
            {
                EXPECT_EQ(answers.front().value("message", ""), step.message);
            }
        }
    }
}

} // namespace
