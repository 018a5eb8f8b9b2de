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

TEST(BrainMemory, AGameReplayedGetsTheSameAnswers)
{
    GomocupBrain black, white, black2, white2;
    for (GomocupBrain *b : {&black, &white, &black2, &white2})
        startBrain(*b);
    const std::vector<std::string> first = playGame(black, white);
    ASSERT_EQ(first.size(), std::size_t{4 * MOVES}) << "each move a DEBUG line and the move";
    EXPECT_EQ(playGame(black2, white2), first);

    // The same brains again, after a new game is begun each way.
    std::vector<std::string> answers;
    black.handle("RESTART", answers);
    white.handle("START 15", answers);
    EXPECT_EQ(playGame(black, white), first) << "a new game starts from an empty table";
}

TEST(BrainMemory, CarriesItsTableFromMoveToMove)
{
    GomocupBrain black, white;
    startBrain(black);
    startBrain(white);
    const std::vector<std::string> game = playGame(black, white);
    // Each of black's moves again, by a brain told the position afresh (BOARD): the searches
    // are the same but for what the game's brain had in its table from the moves before.
    int differ = 0;
    std::vector<std::string> moves;
    for (std::size_t i = 1; i < game.size(); i += 2)
        moves.push_back(game[i]);
    for (int turn = 1; 4 * turn + 1 < static_cast<int>(game.size()); ++turn)
    {
        GomocupBrain fresh;
        startBrain(fresh);
        std::vector<std::string> answers;
        fresh.handle("BOARD", answers);
        for (int i = 0; i < 2 * turn; ++i)
            fresh.handle(moves[static_cast<std::size_t>(i)] + (i % 2 == 0 ? ",1" : ",2"), answers);
        fresh.handle("DONE", answers);
        ASSERT_EQ(answers.size(), 2u);
        const std::size_t at = static_cast<std::size_t>(4 * turn);
        differ += untimed(answers[0]) != game[at] || answers[1] != game[at + 1];
    }
    EXPECT_GT(differ, 0);
}

} // namespace
