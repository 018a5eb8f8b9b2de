// libFuzzer entry points for the records' readers (core/record.h).
// psq_fuzzer: any bytes as a .psq, read under each rule; sgf_fuzzer (GOMOKU_FUZZ_SGF): any bytes
// as an SGF. A record refused is refused by RecordError alone; a record read, written again and
// read back is the same game, and its second writing the same text as its first.
#include "core/record.h"

#include <cstdlib>
#include <string_view>

namespace
{

void check(bool condition)
{
    if (!condition)
    {
        std::abort();
    }
}

void checkSameGame(const core::Game &a, const core::Game &b, bool sgf)
{
    check(a.moves().size() == b.moves().size());
    for (std::size_t i = 0; i < a.moves().size(); ++i)
    {
        check(a.moves()[i].point == b.moves()[i].point);
        check(a.moves()[i].ms == b.moves()[i].ms || (!sgf && a.moves()[i].ms < 0));
    }
    check(a.rule() == b.rule());
    check(a.five() == b.five());
    if (sgf)
    {
        check(a.result() == b.result());
        check(a.opening() == b.opening());
        check(a.secondChoice() == b.secondChoice());
        check(a.firstChoice() == b.firstChoice());
    }
}

#ifdef GOMOKU_FUZZ_SGF
void readAndRewrite(std::string_view text)
{
    core::Record first;
    try
    {
        first = core::readSgf(text);
    }
    catch (const core::RecordError &)
    {
        return;
    }
    const std::string written = core::writeSgf(first);
    const core::Record second = core::readSgf(written);
    checkSameGame(first.game, second.game, true);
    check(first.black == second.black && first.white == second.white && first.date == second.date);
    check(core::writeSgf(second) == written);
}
#else
void readAndRewrite(std::string_view text)
{
    for (core::Rule rule : {core::Rule::Freestyle, core::Rule::Standard, core::Rule::Renju})
    {
        core::Record first;
        try
        {
            first = core::readPsq(text, rule);
        }
        catch (const core::RecordError &)
        {
            continue;
        }
        const std::string written = core::writePsq(first);
        const core::Record second = core::readPsq(written, rule);
        checkSameGame(first.game, second.game, false);
        check(first.psqTail == second.psqTail);
        check(core::writePsq(second) == written);
    }
}
#endif

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    readAndRewrite(std::string_view(reinterpret_cast<const char *>(data), size));
    return 0;
}
