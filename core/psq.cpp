// Piskvork's .psq layout: a first line "Piskvorky 18x18, 11:11, 0" (the board's width and height,
// then two fields that files written by Piskvork and the tournament manager carry as "11:11" and
// "0" and that no reader needs), then one line "x,y,t" a move, x the column and y the row from 1
// at the top left and t the milliseconds the move took. A tournament file goes on after its moves
// with the two players' names and a closing code line, which are kept as they are. Lines end in
// CR LF, as the Windows programs write them; LF alone is read too.
#include "core/record_text.h"

#include <charconv>

namespace core
{

namespace
{

constexpr std::string_view HEADER = "Piskvorky";
constexpr std::string_view END = "\r\n";

std::string linePrefix(std::size_t number)
{
    return "line " + std::to_string(number) + ": ";
}

// The text's lines without their line ends; no last empty line after a final line end.
std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty())
    {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
        {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return lines;
}

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
    {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A whole field of decimal digits as a number; `what` names it in the message.
std::int64_t number(std::string_view field, std::string_view what, const std::string &where)
{
    field = trimmed(field);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || field.front() == '-' || error == std::errc::invalid_argument ||
        end != field.data() + field.size())
    {
        throw RecordError(where + "the " + std::string(what) + " \"" + std::string(field) +
                          "\" is not a number");
    }
    if (error == std::errc::result_out_of_range)
    {
        throw RecordError(where + "the " + std::string(what) + " " + std::string(field) +
                          " is too large");
    }
    return value;
}

// "Piskvorky WxH, ..." with the board 18 x 18; what follows the size is not needed.
void readHeader(std::string_view line)
{
    const std::string where = linePrefix(1);
    line = trimmed(records::withoutBom(line));
    if (line.substr(0, HEADER.size()) != HEADER)
    {
        throw RecordError(where + "a .psq file opens with \"Piskvorky\" and the board's size");
    }
    std::string_view size = trimmed(line.substr(HEADER.size()));
    size = size.substr(0, size.find(','));
    const std::size_t cross = size.find('x');
    if (cross == std::string_view::npos)
    {
        throw RecordError(where + "no board size, as \"18x18\", after \"Piskvorky\"");
    }
    const std::int64_t width = number(size.substr(0, cross), "board's width", where);
    const std::int64_t height = number(size.substr(cross + 1), "board's height", where);
    if (width != SIZE || height != SIZE)
    {
        throw RecordError(where + "the board is " + std::to_string(width) + " x " +
                          std::to_string(height) + "; the game is played on 18 x 18 only");
    }
}

// A line of the moves: it starts with a digit and holds a comma. Any other line ends them.
bool isMoveLine(std::string_view line)
{
    const std::string_view text = trimmed(line);
    return !text.empty() && text.front() >= '0' && text.front() <= '9' &&
           text.find(',') != std::string_view::npos;
}

// "x,y,t" or "x,y", x and y from 1; a point off the board is refused here, with its numbers.
void readMove(Game &game, std::string_view line, std::size_t lineNumber, int moveNumber)
{
    const std::string where = linePrefix(lineNumber);
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;)
    {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string_view::npos)
        {
            break;
        }
        start = comma + 1;
    }
    if (fields.size() != 2 && fields.size() != 3)
    {
        throw RecordError(where + "a move is \"x,y,time\", not \"" + std::string(line) + "\"");
    }
    const std::int64_t x = number(fields[0], "column", where);
    const std::int64_t y = number(fields[1], "row", where);
    const std::int64_t ms = fields.size() == 3 ? number(fields[2], "time", where) : -1;
    if (x < 1 || y < 1 || x > SIZE || y > SIZE)
    {
        throw RecordError(where + "move " + std::to_string(moveNumber) + ": " + std::to_string(x) +
                          "," + std::to_string(y) + " is off the 18 x 18 board");
    }
    records::replay(game, moveNumber, Point{static_cast<int>(x - 1), static_cast<int>(y - 1)},
                    static_cast<std::int32_t>(ms), where);
}

} // namespace

std::string writePsq(const Record &record)
{
    std::string text = std::string(HEADER) + " " + std::to_string(SIZE) + "x" +
                       std::to_string(SIZE) + ", 11:11, 0" + std::string(END);
    for (const Move &move : record.game.moves())
    {
        text += std::to_string(move.point.x + 1) + "," + std::to_string(move.point.y + 1) + "," +
                std::to_string(move.ms < 0 ? 0 : move.ms) + std::string(END);
    }
    for (const std::string &line : record.psqTail)
    {
        text += line + std::string(END);
    }
    return text;
}

Record readPsq(std::string_view text, Rule psqRule)
{
    records::checkText(text);
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.empty())
    {
        throw RecordError("an empty file: a .psq opens with \"Piskvorky\" and the board's size");
    }
    readHeader(lines[0]);
    Record record{Game(psqRule), {}, {}, {}, {}, {}, {}};
    std::size_t next = 1;
    for (; next < lines.size() && isMoveLine(lines[next]); ++next)
    {
        const int moveNumber = static_cast<int>(next);
        if (moveNumber > POINTS)
        {
            throw RecordError(linePrefix(next + 1) + "more moves than the board has points");
        }
        readMove(record.game, lines[next], next + 1, moveNumber);
    }
    record.psqTail.assign(lines.begin() + static_cast<std::ptrdiff_t>(next), lines.end());
    return record;
}

} // namespace core
