// The Gomocup protocol, as tournament managers and analysis programs speak it: START, RESTART,
// BEGIN, TURN, BOARD ... DONE, TAKEBACK, INFO, ABOUT, END. x is the column and y the row, both
// from 0; "1" in a BOARD line is the brain's own stone and "2" the opponent's. A command that
// cannot be carried out gets "ERROR" and a reason, an unknown one "UNKNOWN"; nothing ends the
// brain but END or the end of its input.
#include "engine/gomocup.h"

#include "engine/opening.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace engine
{
namespace
{

constexpr std::int64_t UNLIMITED_MATCH = 2147483647;
constexpr std::int64_t FASTEST_NODES = 500;      // "as fast as possible": a glance, not a search
constexpr std::int64_t MIN_MEMORY = 4 << 20;     // below this no table fits beside the program
constexpr std::int64_t MEMORY_RESERVE = 3 << 20; // the program's own memory beside the table
constexpr std::size_t MAX_HASH = std::size_t{64} << 20;
constexpr std::int64_t MIN_HASH = MIN_MEMORY - MEMORY_RESERVE;
// A helper thread's own memory: its stack (8 MiB set aside on Linux, whether used or not) and
// its searcher.
constexpr std::int64_t HELPER_MEMORY = 9 << 20;
constexpr std::int64_t RULE_CONTINUOUS = 2; // a bit of INFO rule that changes nothing here
// Positions a millisecond, to turn a turn's time into the budget of a decision of the swap2
// opening, judged by searches of a fixed size: well below what this machine searches, so that
// the decision comes in time on a slower or busier one.
constexpr std::int64_t SWAP2_NODES_PER_MS = 150;
constexpr std::int64_t SWAP2_FASTEST_NODES = 4000; // "as fast as possible"
// The least time between two MESSAGE lines of a move's iterations, from the start of its thinking
// on: a manager shows them as they come, and more would only flood it.
constexpr std::int64_t MESSAGE_GAP_MS = 250;
constexpr int LONGEST_LINE = 40; // moves of the line of play in a MESSAGE, at most

// The rule that INFO rule's bits name, when the brain plays it.
bool ruleOf(std::int64_t bits, Rule *rule)
{
    switch (bits & ~RULE_CONTINUOUS)
    {
    case 0:
        *rule = Rule::Freestyle;
        return true;
    case 1:
        *rule = Rule::Standard;
        return true;
    case 4:
        *rule = Rule::Renju;
        return true;
    default:
        return false; // caro (8), and mixtures no manager sends
    }
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
    {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
    {
        s.remove_suffix(1);
    }
    return s;
}

bool sameWord(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y)
                      { return std::toupper(static_cast<unsigned char>(x)) == y; });
}

// A whole decimal number, sign allowed, nothing else.
bool number(std::string_view text, std::int64_t *value)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
    {
        text.remove_prefix(1);
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

// Text of a line for an answer: printable, and short.
std::string quoted(std::string_view text)
{
    std::string out;
    for (char c : text.substr(0, 40))
    {
        out += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    }
    return "'" + out + (text.size() > 40 ? "...'" : "'");
}

// Splits "a,b" or "a,b,c" into its parts.
std::vector<std::string_view> fields(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    while (true)
    {
        std::size_t comma = text.find(',', from);
        parts.push_back(
            text.substr(from, comma == std::string_view::npos ? text.npos : comma - from));
        if (comma == std::string_view::npos)
        {
            return parts;
        }
        from = comma + 1;
    }
}

// A point as a MESSAGE names it: the column's letter from the left (a for x 0) and the row's number
// from the bottom (0 for the bottom row), as j9 for 9,9 on a board of 19; "x,y" on a board wider
// than the alphabet.
std::string pointName(Move m, int size)
{
    const int x = Position::xOf(m);
    const int y = Position::yOf(m);
    if (size > 26)
    {
        return std::to_string(x) + "," + std::to_string(y);
    }
    return static_cast<char>('a' + x) + std::to_string(size - y);
}

// A score as a MESSAGE gives it: a number from the mover's side, or a proved win or loss with the
// stones still to be played, both sides', up to the five.
std::string evaluation(int score)
{
    if (score >= WIN_THRESHOLD)
    {
        return "+win in " + std::to_string(WIN - score);
    }
    if (score <= -WIN_THRESHOLD)
    {
        return "-loss in " + std::to_string(WIN + score);
    }
    return std::to_string(score);
}

// The line of play a MESSAGE shows: as deep as the search looked, or up to the five of a proved
// result.
int lineLength(const SearchInfo &i)
{
    const int toFive = std::abs(i.score) >= WIN_THRESHOLD ? WIN - std::abs(i.score) : 0;
    return std::clamp(std::max(i.depth, toFive), 1, LONGEST_LINE);
}

// "MESSAGE depth 9 ev 35 n 812345 n/ms 830 tm 980 pv j9 k10 ...": the last depth searched to
// the end, the evaluation, the positions, positions a millisecond, milliseconds, and the line.
std::string messageLine(const SearchInfo &i, const std::vector<Move> &line, int size)
{
    std::string text = "MESSAGE depth " + std::to_string(i.depth) + " ev " + evaluation(i.score) +
                       " n " + std::to_string(i.nodes) + " n/ms " +
                       std::to_string(i.nodes / std::max<std::int64_t>(i.elapsedMs, 1)) + " tm " +
                       std::to_string(i.elapsedMs);
    if (!line.empty())
    {
        text += " pv";
        for (Move m : line)
        {
            text += ' ';
            text += pointName(m, size);
        }
    }
    return text;
}

} // namespace

GomocupBrain::GomocupBrain() : now(steadyMilliseconds)
{
    timeoutTurn = -1;
    // The moves of a game come one after the other: each search builds on the one before.
    searcher.keepTable(true);
}

void GomocupBrain::setClock(Clock clock)
{
    now = clock;
    searcher.setClock(clock);
}

// The commands the brain knows: each one's name, whether it needs a board (START first), and
// what it does with its argument. Each returns false once the brain is to end.
struct GomocupBrain::Command
{
    std::string_view name;
    bool needsBoard;
    bool (GomocupBrain::*act)(std::string_view argument, std::vector<std::string> &out);
};

const GomocupBrain::Command GomocupBrain::COMMANDS[] = {
    {"END", false, &GomocupBrain::onEnd},
    {"ABOUT", false, &GomocupBrain::onAbout},
    {"INFO", false, &GomocupBrain::onInfo},
    {"START", false, &GomocupBrain::onStart},
    {"RECTSTART", false, &GomocupBrain::onRectStart},
    {"RESTART", true, &GomocupBrain::onRestart},
    {"BEGIN", true, &GomocupBrain::onBegin},
    {"TURN", true, &GomocupBrain::onTurn},
    {"BOARD", true, &GomocupBrain::onBoard},
    {"TAKEBACK", true, &GomocupBrain::onTakeback},
    {"SWAP2BOARD", true, &GomocupBrain::onSwap2Board},
};

bool GomocupBrain::handle(std::string_view line, std::vector<std::string> &out)
{
    if (line.size() > MAX_COMMAND_LENGTH)
    {
        out.push_back("ERROR line too long: at most 4096 characters");
        return true;
    }
    line = trimmed(line);
    if (line.empty())
    {
        return true; // empty lines are ignored, as managers ignore them
    }
    std::size_t space = line.find_first_of(" \t");
    std::string_view command = line.substr(0, space);
    std::string_view argument =
        space == line.npos ? std::string_view{} : trimmed(line.substr(space));

    if (readingBoard)
    {
        if (sameWord(command, "DONE") && argument.empty())
        {
            readingBoard = false;
            if (readingSwap2)
            {
                finishSwap2Board(out);
            }
            else
            {
                finishBoard(out);
            }
        }
        else
        {
            boardLine(line);
        }
        return true;
    }
    for (const Command &c : COMMANDS)
    {
        if (sameWord(command, c.name))
        {
            if (c.needsBoard && size == 0)
            {
                out.push_back("ERROR no board yet: START comes first");
                return true;
            }
            return (this->*c.act)(argument, out);
        }
    }
    out.push_back("UNKNOWN command " + quoted(command));
    return true;
}

// A line of the position between BOARD and DONE: x,y,who; between SWAP2BOARD and DONE: x,y.
// The first bad one is kept, and said at DONE.
void GomocupBrain::boardLine(std::string_view line)
{
    if (!boardProblem.empty())
    {
        return;
    }
    std::vector<std::string_view> parts = fields(line);
    std::int64_t who = 0;
    std::string problem;
    int x = 0, y = 0;
    if (readingSwap2)
    {
        if (parts.size() != 2)
        {
            boardProblem = "not a stone of the opening: " + quoted(line) + " (expected x,y)";
        }
        else if (!pointOnBoard(line, &x, &y, &problem))
        {
            boardProblem = problem;
        }
        else if (std::any_of(boardLines.begin(), boardLines.end(),
                             [&](const Stone &s) { return s.x == x && s.y == y; }))
        {
            boardProblem = "two stones on " + std::to_string(x) + "," + std::to_string(y);
        }
        else
        {
            // Black's stones first, then white's, in turn.
            boardLines.push_back(Stone{x, y, 0});
        }
        return;
    }
    if (parts.size() != 3)
    {
        boardProblem = "not a board line: " + quoted(line) + " (expected x,y,1 or x,y,2)";
    }
    else if (!pointOnBoard(line.substr(0, parts[0].size() + 1 + parts[1].size()), &x, &y, &problem))
    {
        boardProblem = problem;
    }
    else if (!number(parts[2], &who) || (who != 1 && who != 2))
    {
        boardProblem = "bad stone in " + quoted(line) + ": 1 is the brain's own, 2 the opponent's";
    }
    else if (std::any_of(boardLines.begin(), boardLines.end(),
                         [&](const Stone &s) { return s.x == x && s.y == y; }))
    {
        boardProblem = "two stones on " + std::to_string(x) + "," + std::to_string(y);
    }
    else
    {
        boardLines.push_back(Stone{x, y, static_cast<int>(who)});
    }
}

bool GomocupBrain::onEnd(std::string_view, std::vector<std::string> &)
{
    return false;
}

bool GomocupBrain::onAbout(std::string_view, std::vector<std::string> &out)
{
    out.push_back("name=\"gomoku3d\", version=\"1.0.0\", author=\"the gomoku3d developers\"");
    return true;
}

bool GomocupBrain::onInfo(std::string_view argument, std::vector<std::string> &)
{
    std::size_t gap = argument.find_first_of(" \t");
    info(argument.substr(0, gap), gap == argument.npos ? "" : trimmed(argument.substr(gap)));
    return true;
}

bool GomocupBrain::onStart(std::string_view argument, std::vector<std::string> &out)
{
    std::int64_t n = 0;
    if (!number(argument, &n))
    {
        out.push_back("ERROR START needs a board size, not " + quoted(argument));
    }
    else if (n < MIN_SIZE || n > MAX_SIZE)
    {
        out.push_back("ERROR unsupported board size " + std::to_string(n) +
                      ": this brain plays boards of 5 to 32");
    }
    else
    {
        start(static_cast<int>(n), out);
    }
    return true;
}

bool GomocupBrain::onRectStart(std::string_view argument, std::vector<std::string> &out)
{
    std::vector<std::string_view> parts = fields(argument);
    std::int64_t w = 0, h = 0;
    if (parts.size() != 2 || !number(parts[0], &w) || !number(parts[1], &h))
    {
        out.push_back("ERROR RECTSTART needs width,height, not " + quoted(argument));
    }
    else if (w != h || w < MIN_SIZE || w > MAX_SIZE)
    {
        out.push_back("ERROR unsupported board " + std::to_string(w) + "x" + std::to_string(h) +
                      ": this brain plays square boards of 5 to 32");
    }
    else
    {
        start(static_cast<int>(w), out);
    }
    return true;
}

bool GomocupBrain::onRestart(std::string_view, std::vector<std::string> &out)
{
    start(size, out);
    return true;
}

bool GomocupBrain::onBegin(std::string_view, std::vector<std::string> &out)
{
    if (!stones.empty())
    {
        out.push_back("ERROR BEGIN on a board that is not empty: RESTART first");
        return true;
    }
    respondWithMove(out);
    return true;
}

bool GomocupBrain::onTurn(std::string_view argument, std::vector<std::string> &out)
{
    int x = 0, y = 0;
    std::string problem;
    if (!takeCoordinates(argument, &x, &y, &problem))
    {
        out.push_back("ERROR " + problem);
        return true;
    }
    stones.push_back(Stone{x, y, 2});
    respondWithMove(out);
    return true;
}

bool GomocupBrain::onBoard(std::string_view, std::vector<std::string> &)
{
    readingBoard = true;
    readingSwap2 = false;
    boardLines.clear();
    boardProblem.clear();
    return true;
}

bool GomocupBrain::onSwap2Board(std::string_view, std::vector<std::string> &)
{
    readingBoard = true;
    readingSwap2 = true;
    boardLines.clear();
    boardProblem.clear();
    return true;
}

bool GomocupBrain::onTakeback(std::string_view argument, std::vector<std::string> &out)
{
    std::vector<std::string_view> parts = fields(argument);
    std::int64_t x = 0, y = 0;
    if (parts.size() != 2 || !number(parts[0], &x) || !number(parts[1], &y))
    {
        out.push_back("ERROR TAKEBACK needs x,y, not " + quoted(argument));
        return true;
    }
    auto stone = std::find_if(stones.begin(), stones.end(),
                              [&](const Stone &s) { return s.x == x && s.y == y; });
    if (stone == stones.end())
    {
        out.push_back("ERROR no stone on " + quoted(argument) + " to take back");
        return true;
    }
    stones.erase(stone);
    out.push_back("OK");
    return true;
}

void GomocupBrain::endOfInput(std::vector<std::string> &out) const
{
    out.push_back("ERROR input ended without END");
}

void GomocupBrain::start(int n, std::vector<std::string> &out)
{
    // A new game: nothing of the last one is kept.
    searcher.clearTable();
    size = n;
    stones.clear();
    readingBoard = false;
    out.push_back("OK");
}

// "x,y" of a point of the board, or a reason why not.
bool GomocupBrain::pointOnBoard(std::string_view text, int *x, int *y, std::string *problem) const
{
    std::vector<std::string_view> parts = fields(text);
    std::int64_t px = 0, py = 0;
    if (parts.size() != 2 || !number(parts[0], &px) || !number(parts[1], &py))
    {
        *problem = "expected coordinates x,y, not " + quoted(text);
        return false;
    }
    if (px < 0 || py < 0 || px >= size || py >= size)
    {
        *problem = "point " + std::to_string(px) + "," + std::to_string(py) + " is off the " +
                   std::to_string(size) + "x" + std::to_string(size) + " board";
        return false;
    }
    *x = static_cast<int>(px);
    *y = static_cast<int>(py);
    return true;
}

// "x,y" of an empty point of the board, or a reason why not.
bool GomocupBrain::takeCoordinates(std::string_view text, int *x, int *y,
                                   std::string *problem) const
{
    if (!pointOnBoard(text, x, y, problem))
    {
        return false;
    }
    if (std::any_of(stones.begin(), stones.end(),
                    [&](const Stone &s) { return s.x == *x && s.y == *y; }))
    {
        *problem = "point " + std::to_string(*x) + "," + std::to_string(*y) + " is taken";
        return false;
    }
    return true;
}

void GomocupBrain::finishBoard(std::vector<std::string> &out)
{
    if (!boardProblem.empty())
    {
        out.push_back("ERROR " + boardProblem);
        return;
    }
    stones = boardLines;
    respondWithMove(out);
}

void GomocupBrain::info(std::string_view key, std::string_view value)
{
    std::int64_t n = 0;
    const bool isNumber = number(value, &n);
    if (sameWord(key, "TIMEOUT_TURN") && isNumber && n >= 0)
    {
        timeoutTurn = n;
    }
    else if (sameWord(key, "TIMEOUT_MATCH") && isNumber && n >= 0)
    {
        timeoutMatch = n;
    }
    else if (sameWord(key, "TIME_LEFT") && isNumber)
    {
        timeLeft = n; // below 0 once the brain has run out of time
        timeLeftGiven = true;
    }
    else if (sameWord(key, "MAX_MEMORY") && isNumber && n >= 0)
    {
        maxMemory = n;
        infoProblem.clear();
        if (n > 0 && n < MIN_MEMORY)
        {
            infoProblem = "memory limit of " + std::to_string(n) +
                          " bytes is too small: " + "this brain needs 4 MiB";
            return;
        }
        fitMemory();
    }
    else if (sameWord(key, "RULE") && isNumber)
    {
        rule = n;
        ruleOf(rule, &gameRule);
    }
    // Other keys, and values that are no numbers, are ignored.
}

void GomocupBrain::setThreads(int threads)
{
    helpersWanted = std::clamp(threads - 1, 0, SearchHelpers::MAX_HELPERS);
    fitMemory();
}

void GomocupBrain::fitMemory()
{
    int fitting = helpersWanted;
    std::size_t hash = MAX_HASH;
    if (maxMemory > 0 && maxMemory < MIN_MEMORY)
    {
        return; // refused: the brain plays no move until a limit it fits in comes
    }
    if (maxMemory > 0)
    {
        const std::int64_t room = maxMemory - MEMORY_RESERVE;
        fitting = static_cast<int>(
            std::clamp<std::int64_t>((room - MIN_HASH) / HELPER_MEMORY, 0, helpersWanted));
        hash = std::min<std::size_t>(MAX_HASH,
                                     static_cast<std::size_t>(room - fitting * HELPER_MEMORY));
    }
    if (fitting != helpers.count())
    {
        helpers.setCount(fitting);
    }
    searcher.setHashBytes(hash);
}

std::string GomocupBrain::pendingProblem() const
{
    if (Rule named; !ruleOf(rule, &named))
    {
        return "rule " + std::to_string(rule) +
               " is not supported: this brain plays freestyle (0), exactly five (1) and renju (4)";
    }
    return infoProblem;
}

bool GomocupBrain::onMatchClock() const
{
    return timeLeftGiven && timeLeft < UNLIMITED_MATCH;
}

std::int64_t GomocupBrain::settledMs() const
{
    // On a match clock, a move the search has settled early leaves its time to the moves still
    // to come; a turn's time alone is not saved by answering early.
    return moveTime(timeoutTurn, onMatchClock(), timeLeft).settledMs;
}

std::int64_t GomocupBrain::moveBudgetMs() const
{
    return moveTime(timeoutTurn, onMatchClock(), timeLeft).budgetMs;
}

void GomocupBrain::respondWithMove(std::vector<std::string> &out)
{
    if (std::string problem = pendingProblem(); !problem.empty())
    {
        out.push_back("ERROR " + problem);
        return;
    }
    int colour = 0;
    Position pos = position(&colour);
    if (gameOver(pos, out))
    {
        return;
    }
    Limits limits;
    if (nodesPerMove > 0)
    {
        limits.nodes = nodesPerMove;
    }
    else if (timeoutTurn == 0)
    {
        limits.nodes = FASTEST_NODES;
    }
    else
    {
        limits.timeMs = moveBudgetMs();
        limits.settledMs = settledMs();
    }
    std::int64_t lastMessageMs = 0; // from the start of the thinking
    std::string lastMessage;
    if (messages)
    {
        searcher.onIteration(
            [&](const SearchInfo &sofar)
            {
                if (sofar.elapsedMs - lastMessageMs >= MESSAGE_GAP_MS)
                {
                    lastMessageMs = sofar.elapsedMs;
                    lastMessage = messageLine(
                        sofar, searcher.principalVariation(sofar.best, lineLength(sofar)), size);
                    messages(lastMessage);
                }
            });
    }
    searcher.start(pos, Level::Hard, limits, seed);
    helpers.begin(searcher, pos, limits, seed);
    while (!searcher.step(std::numeric_limits<std::int64_t>::max()))
    {
    }
    helpers.end();
    searcher.onIteration(nullptr);
    Move m = searcher.bestMove();
    for (int pass = 0; pass < 2 && m == NO_MOVE; ++pass)
    {
        for (int i = 0; m == NO_MOVE && i < size * size; ++i)
        {
            // Whatever the search made of it, a board that is not full has a move to give: one
            // the rule allows if there is any.
            const Move p = pos.at(i % size, i / size);
            if (pos.isEmpty(p) && (pass == 1 || !pos.forbidden(p, colour)))
            {
                m = p;
            }
        }
    }
    const SearchInfo &i = searcher.info();
    if (messages && (i.nodes > 0 || std::abs(i.score) >= WIN_THRESHOLD))
    {
        // What it made of the move it plays, unless the last iteration's line said just that.
        if (std::string last = messageLine(i, searcher.principalVariation(m, lineLength(i)), size);
            last != lastMessage)
        {
            messages(last);
        }
    }
    int x = pos.xOf(m);
    int y = pos.yOf(m);
    stones.push_back(Stone{x, y, 1});
    if (debug)
    {
        out.push_back("DEBUG depth " + std::to_string(i.depth) + " nodes " +
                      std::to_string(i.nodes) + " time " + std::to_string(i.elapsedMs) + " score " +
                      std::to_string(i.score) + " " + i.reason);
    }
    out.push_back(std::to_string(x) + "," + std::to_string(y));
}

Position GomocupBrain::position(int *brainColour) const
{
    // Black moves when the stones are even in number, and the brain is to move.
    *brainColour = static_cast<int>(stones.size() % 2);
    Position pos(size, gameRule);
    for (const Stone &s : stones)
    {
        pos.place(pos.at(s.x, s.y), s.who == 1 ? *brainColour : *brainColour ^ 1);
    }
    pos.setToMove(*brainColour);
    return pos;
}

bool GomocupBrain::gameOver(const Position &pos, std::vector<std::string> &out) const
{
    for (int i = 0; i < pos.moveCount(); ++i)
    {
        if (pos.fiveThrough(pos.move(i)))
        {
            out.push_back("ERROR the game is over: there is five in a row");
            return true;
        }
    }
    if (pos.full())
    {
        out.push_back("ERROR the board is full");
        return true;
    }
    return false;
}

// SWAP2BOARD: the swap2 opening's stones so far, black's first, and the brain's part next. With
// none, it places the first three (black, white, black). With three, it is the second player:
// SWAP to take black (the other player then plays white), a move to keep white, or two more
// stones (white, black) to let the other player choose. With five, it is the first player again:
// SWAP to take black, or a move to take white. Its choice rests on the engine's own judgement.
void GomocupBrain::finishSwap2Board(std::vector<std::string> &out)
{
    readingSwap2 = false;
    if (!boardProblem.empty())
    {
        out.push_back("ERROR " + boardProblem);
        return;
    }
    const std::size_t count = boardLines.size();
    if (count != 0 && count != 3 && count != 5)
    {
        out.push_back("ERROR SWAP2BOARD needs 0, 3 or 5 stones, not " + std::to_string(count));
        return;
    }
    if (std::string problem = pendingProblem(); !problem.empty())
    {
        out.push_back("ERROR " + problem);
        return;
    }
    Position pos(size, gameRule);
    for (std::size_t i = 0; i < count; ++i)
    {
        pos.place(pos.at(boardLines[i].x, boardLines[i].y), static_cast<int>(i % 2));
    }
    pos.setToMove(static_cast<int>(count % 2));
    if (gameOver(pos, out))
    {
        return;
    }
    // The decision's budget: in positions, and the turn's time.
    Limits budget;
    budget.nodes = SWAP2_FASTEST_NODES;
    if (nodesPerMove > 0)
    {
        budget.nodes = nodesPerMove;
    }
    else if (timeoutTurn != 0)
    {
        budget.nodes =
            std::max<std::int64_t>(moveBudgetMs() * SWAP2_NODES_PER_MS, SWAP2_FASTEST_NODES);
        budget.timeMs = moveBudgetMs();
    }
    const Swap2Plan plan = count == 0   ? swap2Open(searcher, pos, budget, seed)
                           : count == 3 ? swap2Second(searcher, pos, budget, seed)
                                        : swap2First(searcher, pos, budget, seed);
    // The opening's stones, then the brain's; its colour: black when it swaps or opens, white
    // when it plays a move, and as the second player's two stones leave it, white, until the
    // other player chooses.
    std::vector<Move> placed;
    for (const Stone &s : boardLines)
    {
        placed.push_back(pos.at(s.x, s.y));
    }
    std::string answer;
    int brainColour = 0;
    if (plan.kind == Swap2Plan::PlayBlack)
    {
        answer = "SWAP";
    }
    else
    {
        brainColour = plan.kind == Swap2Plan::PlayWhite || count == 3 ? 1 : 0;
        for (int i = 0; i < plan.count; ++i)
        {
            placed.push_back(plan.stones[i]);
            if (i > 0)
            {
                answer += ' ';
            }
            answer += std::to_string(Position::xOf(plan.stones[i]));
            answer += ',';
            answer += std::to_string(Position::yOf(plan.stones[i]));
        }
    }
    stones.clear();
    for (std::size_t i = 0; i < placed.size(); ++i)
    {
        stones.push_back(Stone{Position::xOf(placed[i]), Position::yOf(placed[i]),
                               static_cast<int>(i % 2) == brainColour ? 1 : 2});
    }
    if (messages)
    {
        messages("MESSAGE swap2 ev " + evaluation(plan.score) + " for white to move");
    }
    if (debug)
    {
        out.push_back("DEBUG swap2 judgement " + std::to_string(plan.score) + " for white");
    }
    out.push_back(answer);
}

} // namespace engine
