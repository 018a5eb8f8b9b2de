// libFuzzer entry point for the tournament brain's command reader: each input is a manager's
// session, one command a line. Every answer must be one line of the protocol's kinds (OK, a
// move, SWAP2BOARD's SWAP or points, ERROR, UNKNOWN, ABOUT's line), and nothing may crash. Time
// runs fast on the brain's clock, so that a long thinking limit costs a few positions.
#include "engine/gomocup.h"

#include <regex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace
{

std::int64_t fakeTime = 0;

bool wellFormed(const std::string &answer)
{
    // A move, or SWAP2BOARD's answers: SWAP, or up to three points.
    static const std::regex kinds(
        "OK|SWAP|[0-9]+,[0-9]+( [0-9]+,[0-9]+){0,2}|(ERROR|UNKNOWN) [ -~]*|name=\"gomoku3d\".*");
    return answer.find('\n') == std::string::npos && std::regex_match(answer, kinds);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    engine::GomocupBrain brain;
    brain.setClock([] { return fakeTime += 100; });
    std::string_view input(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> answers;
    for (bool goOn = true; goOn && !input.empty();)
    {
        const std::size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end);
        input.remove_prefix(end == input.npos ? input.size() : end + 1);
        answers.clear();
        goOn = brain.handle(line, answers);
        for (const std::string &answer : answers)
            if (!wellFormed(answer))
                throw std::runtime_error("a malformed answer: " + answer);
    }
    return 0;
}
