// One position of the tactics suite as a line of text, and back. A record reads
//   NAME kind=KIND size=N move=X|O moves=M answers=x,y;... X=x,y;... O=x,y;... [tags=a,b] [from=...]
// with x the column and y the row from 0, as the tournament protocol has them. The kinds:
//   vcf       the side to move wins by continuous fours; answers: every point that wins
//   vct       it wins by threes and fours, not by fours alone; answers: every point that wins
//   stop-vcf  the other side would win by continuous fours; answers: every point that holds
//   stop-vct  the other side would win by threes and fours; answers: every point that holds
// "moves" is the length of the win (for a stop, of the other side's): the winner's stones up to
// and including the five, against the longest defence. "Every point" as far as the solver looks
// (make_tactics.cpp): wins within the shortest's length and two more, and holds against wins of
// at most eleven stones, rechecked one reply deeper. Plain C++, no engine header, so the solver's
// generator, the engine's tests and the benchmark all read it alike.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tactics
{

using Point = std::pair<int, int>; // x, y

struct Record
{
    std::string name;
    std::string kind;
    int size = 0;
    char toMove = 'X'; // 'X' black, 'O' white
    int moves = 0;
    std::vector<Point> answers;
    std::vector<Point> black, white;
    std::vector<std::string> tags;
    std::string from; // how the position was made

    bool tagged(std::string_view tag) const
    {
        return std::find(tags.begin(), tags.end(), tag) != tags.end();
    }
    bool isAnswer(int x, int y) const
    {
        return std::find(answers.begin(), answers.end(), Point{x, y}) != answers.end();
    }
};

inline constexpr std::string_view KINDS[] = {"vcf", "vct", "stop-vcf", "stop-vct"};
inline constexpr int MIN_SIZE = 5, MAX_SIZE = 32;

namespace detail
{

inline bool number(std::string_view text, int *value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

inline std::vector<std::string_view> split(std::string_view text, char by)
{
    std::vector<std::string_view> parts;
    while (!text.empty())
    {
        std::size_t at = text.find(by);
        parts.push_back(text.substr(0, at));
        text = at == std::string_view::npos ? std::string_view{} : text.substr(at + 1);
    }
    return parts;
}

inline bool points(std::string_view text, int size, std::vector<Point> *out)
{
    for (std::string_view item : split(text, ';'))
    {
        std::vector<std::string_view> xy = split(item, ',');
        int x = 0, y = 0;
        if (xy.size() != 2 || !number(xy[0], &x) || !number(xy[1], &y) || x < 0 || y < 0 ||
            x >= size || y >= size)
            return false;
        out->push_back({x, y});
    }
    return true;
}

inline std::string text(const std::vector<Point> &list)
{
    std::string out;
    for (const Point &p : list)
    {
        out.append(out.empty() ? "" : ";").append(std::to_string(p.first)).append(",");
        out.append(std::to_string(p.second));
    }
    return out;
}

} // namespace detail

// Reads one record; false, with the reason in `problem`, when the line is not a whole record.
inline bool parse(std::string_view line, Record *r, std::string *problem)
{
    *r = Record{};
    const auto fail = [&](const std::string &why)
    {
        *problem = why;
        return false;
    };
    std::string_view kind, size, move, moves, answers, black, white, tags, from;
    const std::pair<std::string_view, std::string_view *> keys[] = {
        {"kind", &kind}, {"size", &size}, {"move", &move}, {"moves", &moves}, {"answers", &answers},
        {"X", &black},   {"O", &white},   {"tags", &tags}, {"from", &from}};
    for (std::string_view word : detail::split(line, ' '))
    {
        const std::size_t eq = word.find('=');
        const auto key = std::find_if(std::begin(keys), std::end(keys),
                                      [&](const auto &k) { return k.first == word.substr(0, eq); });
        if (word.empty())
            continue; // a doubled space
        if (r->name.empty())
            r->name = std::string(word);
        else if (eq == std::string_view::npos)
            return fail("not key=value: " + std::string(word));
        else if (key == std::end(keys))
            return fail("unknown key: " + std::string(word.substr(0, eq)));
        else
            *key->second = word.substr(eq + 1);
    }
    r->kind = std::string(kind);
    r->toMove = move == "O" ? 'O' : 'X';
    r->from = std::string(from);
    for (std::string_view t : detail::split(tags, ','))
        r->tags.emplace_back(t);
    if (r->name.empty())
        return fail("empty record");
    if (std::find(std::begin(KINDS), std::end(KINDS), r->kind) == std::end(KINDS))
        return fail("unknown kind: " + r->kind);
    if (!detail::number(size, &r->size) || r->size < MIN_SIZE || r->size > MAX_SIZE ||
        (move != "X" && move != "O") || !detail::number(moves, &r->moves) || r->moves <= 0)
        return fail("size, move and moves are needed");
    if (!detail::points(answers, r->size, &r->answers) || r->answers.empty() ||
        !detail::points(black, r->size, &r->black) || !detail::points(white, r->size, &r->white))
        return fail("no answers, or a point that is not x,y on the board");
    std::vector<Point> all = r->black;
    all.insert(all.end(), r->white.begin(), r->white.end());
    all.insert(all.end(), r->answers.begin(), r->answers.end());
    std::sort(all.begin(), all.end());
    if (std::adjacent_find(all.begin(), all.end()) != all.end())
        return fail("two stones, or a stone and an answer, on one point");
    return true;
}

inline std::string format(const Record &r)
{
    std::string line = r.name + " kind=" + r.kind + " size=" + std::to_string(r.size) +
                       " move=" + r.toMove + " moves=" + std::to_string(r.moves) +
                       " answers=" + detail::text(r.answers) + " X=" + detail::text(r.black) +
                       " O=" + detail::text(r.white);
    for (std::size_t i = 0; i < r.tags.size(); ++i)
        line.append(i == 0 ? " tags=" : ",").append(r.tags[i]);
    if (!r.from.empty())
        line += " from=" + r.from;
    return line;
}

// Every record of a suite file; lines that are blank or start with '#' are skipped. False, with
// the line's number and the reason in `problem`, at the first line that is not a record.
inline bool readAll(std::istream &in, std::vector<Record> *out, std::string *problem)
{
    std::string line;
    for (int number = 1; std::getline(in, line); ++number)
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        Record r;
        if (!parse(line, &r, problem))
        {
            *problem = "line " + std::to_string(number) + ": " + *problem;
            return false;
        }
        out->push_back(std::move(r));
    }
    return true;
}

} // namespace tactics
