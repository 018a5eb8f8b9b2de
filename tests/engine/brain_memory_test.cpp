// What the brain carries from one move to the next: its table, and only within one game.
#include "engine/gomocup.h"

#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using engine::GomocupBrain;

constexpr std::int64_t NODES = 15000;
constexpr int MOVES = 6; // each side's

// An answer without the milliseconds its search took, which no run repeats.
std::string untimed(const std::string &line)
{
    return std::regex_replace(line, std::regex(" time [0-9]+"), "");
}

// Every answer line of a game between `black` and `white` from the centre, DEBUG lines too (but
// for their time), until a five (or MOVES moves each).
std::vector<std::string> playGame(GomocupBrain &black, GomocupBrain &white)
{
    std::vector<std::string> lines, answers;
    black.handle("BEGIN", answers);
    for (int i = 0; answers.size() == 2; ++i)
    {
        lines.push_back(untimed(answers[0]));
        lines.push_back(answers[1]);
        if (i == 2 * MOVES - 1)
            break;
        const std::string move = answers.back();
        answers.clear();
        (i % 2 == 0 ? white : black).handle("TURN " + move, answers);
    }
    return lines;
}

void startBrain(GomocupBrain &brain)
{
    std::vector<std::string> answers;
    brain.setDebug(true);
    brain.setNodesPerMove(NODES);
    brain.handle("START 15", answers);
}

// A game replayed, or played again after a new game is begun, gets the same answers; each of
// black's moves asked afresh (BOARD) differs somewhere, by what the game's table held before.
TEST(BrainMemory, CarriesItsTableFromMoveToMoveWithinOneGame)
{
    GomocupBrain black, white, black2, white2;
    for (GomocupBrain *b : {&black, &white, &black2, &white2})
        startBrain(*b);
    const std::vector<std::string> game = playGame(black, white);
    ASSERT_EQ(game.size(), std::size_t{4 * MOVES}) << "each move a DEBUG line and the move";
    EXPECT_EQ(playGame(black2, white2), game);
    std::vector<std::string> answers;
    black.handle("RESTART", answers);
    white.handle("START 15", answers);
    EXPECT_EQ(playGame(black, white), game) << "a new game starts from an empty table";

    int differ = 0;
    for (std::size_t turn = 1; 4 * turn + 1 < game.size(); ++turn)
    {
        GomocupBrain fresh;
        startBrain(fresh);
        answers.clear();
        fresh.handle("BOARD", answers);
        for (std::size_t i = 0; i < 2 * turn; ++i)
            fresh.handle(game[2 * i + 1] + (i % 2 == 0 ? ",1" : ",2"), answers);
        fresh.handle("DONE", answers);
        ASSERT_EQ(answers.size(), 2u);
        differ += untimed(answers[0]) != game[4 * turn] || answers[1] != game[4 * turn + 1];
    }
    EXPECT_GT(differ, 0);
}

} // namespace
