// pbrain-gomoku3d: the engine as a tournament brain, speaking the Gomocup protocol on standard
// input and output, one command a line. "--debug" adds a DEBUG line with the search's figures
// before each move; "--nodes N" thinks for N positions a move instead of to the time limit, so
// that a match does not depend on how busy the machine is; "--threads N" thinks on N threads
// (the brain's search and N - 1 helpers sharing its table), where the tournament allows it.
// While it thinks about a move it writes MESSAGE lines with its depth, evaluation and line of
// play, as managers show them, each flushed as it comes; "--no-messages" leaves them out.
// "--network FILE" judges positions by the learned network of a weights file (.g3dn).
#include "engine/gomocup.h"
#include "engine/network.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

// A line to the manager, whole and at once.
void writeLine(const std::string &line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Reads one line, without its line end, keeping at most one character more than a command may
// have so that a longer one is refused rather than cut. False at the end of input.
bool readLine(std::string &line)
{
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::getchar()) != EOF)
    {
        any = true;
        if (c == '\n')
        {
            break;
        }
        if (line.size() <= engine::MAX_COMMAND_LENGTH)
        {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty() && line.back() == '\r')
    {
        line.pop_back();
    }
    return any;
}

} // namespace

int main(int argc, char **argv)
{
    engine::nn::Network network; // before the brain, which keeps a pointer to it
    engine::GomocupBrain brain;
    brain.setMessages(writeLine);
    for (int i = 1; i < argc; ++i)
    {
        char *end = nullptr;
        if (std::strcmp(argv[i], "--debug") == 0)
        {
            brain.setDebug(true);
        }
        else if (std::strcmp(argv[i], "--no-messages") == 0)
        {
            brain.setMessages(nullptr);
        }
        else if (std::strcmp(argv[i], "--nodes") == 0 && i + 1 < argc &&
                 std::strtoll(argv[i + 1], &end, 10) > 0 && *end == '\0')
        {
            brain.setNodesPerMove(std::strtoll(argv[++i], nullptr, 10));
        }
        else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc &&
                 std::strtol(argv[i + 1], &end, 10) > 0 && *end == '\0' &&
                 std::strtol(argv[i + 1], nullptr, 10) <= engine::SearchHelpers::MAX_HELPERS + 1)
        {
            brain.setThreads(static_cast<int>(std::strtol(argv[++i], nullptr, 10)));
        }
        else if (std::strcmp(argv[i], "--network") == 0 && i + 1 < argc)
        {
            std::string problem;
            if (!engine::nn::loadNetwork(argv[++i], network, problem))
            {
                std::fprintf(stderr, "pbrain-gomoku3d: %s: %s\n", argv[i], problem.c_str());
                return 2;
            }
            brain.setNetwork(&network);
        }
        else
        {
            std::fprintf(
                stderr,
                "pbrain-gomoku3d: unknown option or value '%s' (--debug, --no-messages, --nodes N, "
                "--threads 1-%d, --network FILE)\n",
                argv[i], engine::SearchHelpers::MAX_HELPERS + 1);
            return 2;
        }
    }
    std::string line;
    std::vector<std::string> answers;
    while (readLine(line))
    {
        answers.clear();
        bool goOn = brain.handle(line, answers);
        for (const std::string &answer : answers)
        {
            std::fputs(answer.c_str(), stdout);
            std::fputc('\n', stdout);
        }
        std::fflush(stdout);
        if (!goOn)
        {
            return 0;
        }
    }
    answers.clear();
    brain.endOfInput(answers);
    for (const std::string &answer : answers)
    {
        std::fputs(answer.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return 1;
}
