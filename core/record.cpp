// What the .psq and SGF readers share, and the reading of a record in whichever layout it is.
#include "core/record_text.h"

namespace core
{

namespace records
{

void checkText(std::string_view text)
{
    if (text.size() > MAX_RECORD_BYTES)
    {
        throw RecordError("the record is " + std::to_string(text.size()) +
                          " bytes, more than the " + std::to_string(MAX_RECORD_BYTES) +
                          " a record may have");
    }
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
    {
        throw RecordError("byte " + std::to_string(nul + 1) +
                          ": a NUL byte, which no text record holds");
    }
}

std::string moveWords(int number, Point p)
{
    const std::string name = pointName(p);
    return "move " + std::to_string(number) + " (" + (name.empty() ? "off the board" : name) + ")";
}

void replay(Game &game, int number, Point p, std::int32_t ms, const std::string &where)
{
    const Verdict verdict = game.play(p, ms);
    if (verdict == Verdict::Placed)
    {
        return;
    }
    std::string why(verdictWords(verdict));
    if (verdict == Verdict::Forbidden)
    {
        why += " (" + std::string(foulWords(game.foulAt(p))) + ")";
    }
    throw RecordError(where + moveWords(number, p) + ": " + why);
}

std::string_view withoutBom(std::string_view text)
{
    constexpr std::string_view BOM = "\xEF\xBB\xBF";
    return text.substr(0, BOM.size()) == BOM ? text.substr(BOM.size()) : text;
}

} // namespace records

RecordFormat recordFormat(std::string_view text)
{
    std::string_view rest = records::withoutBom(text);
    const std::size_t first = rest.find_first_not_of(" \t\r\n");
    rest = first == std::string_view::npos ? std::string_view{} : rest.substr(first);
    if (rest.substr(0, 9) == "Piskvorky")
    {
        return RecordFormat::Psq;
    }
    if (rest.substr(0, 1) == "(")
    {
        return RecordFormat::Sgf;
    }
    throw RecordError("not a record: a .psq opens with \"Piskvorky\" and an SGF with \"(\"");
}

Record readRecord(std::string_view text, Rule psqRule)
{
    records::checkText(text);
    return recordFormat(text) == RecordFormat::Psq ? readPsq(text, psqRule) : readSgf(text);
}

} // namespace core
