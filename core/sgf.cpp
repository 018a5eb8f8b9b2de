// SGF (FF[4]) records of five in a row (GM[4]) on the 18 x 18 board. The root holds the board and
// the game's facts: RU the rule (freestyle, standard, renju), PB and PW the names, DT the date, RE
// the result (B+ a five, B+R a resignation, B+T a flag, 0 a draw); then one node a move, B[jj] or
// W[jj], its two letters the column and the row from the top left, a = 0. Properties of this
// game's own: OP[swap2] for the swap2 opening, CH the choices made in it in order (white, black,
// two) and MS on a move the milliseconds it took. A timed game has TM (each side's seconds) and OT
// ("+2 s a move", the increment) in its root, and on each move BL or WL, the seconds its side had
// left after it. Only the main line is read: the first variation wherever the tree branches.
#include "core/record_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace core
{

namespace
{

// One property with its values as their text reads (escapes undone, soft line breaks removed).
struct Property
{
    std::string id;
    std::vector<std::string> values;
};
struct Node
{
    std::size_t offset; // where its ';' is, for the messages
    std::vector<Property> properties;

    const Property *find(std::string_view id) const
    {
        for (const Property &property : properties)
        {
            if (property.id == id)
            {
                return &property;
            }
        }
        return nullptr;
    }
};

std::size_t lineAt(std::string_view text, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
    {
        line += text[i] == '\n';
    }
    return line;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool isUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}
bool isLower(char c)
{
    return c >= 'a' && c <= 'z';
}

std::string lowered(std::string_view text)
{
    std::string low;
    for (char c : text)
    {
        low += isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return low;
}

// The main line of the record's first game tree, read without recursion so that no nesting of
// variations runs the stack out.
class TreeReader
{
public:
    explicit TreeReader(std::string_view text) : text_(text) {}

    std::vector<Node> mainLine()
    {
        skipBlanks();
        if (at_ >= text_.size() || text_[at_] != '(')
        {
            fail(at_, "an SGF record opens with \"(\"");
        }
        std::vector<Tree> open;
        std::vector<Node> main;
        for (;;)
        {
            skipBlanks();
            if (at_ >= text_.size())
            {
                fail(at_, "the record ends inside a game tree: a \")\" is missing");
            }
            const char c = text_[at_];
            if (c == '(')
            {
                openTree(open);
            }
            else if (c == ';')
            {
                if (open.back().variations > 0)
                {
                    fail(at_, "a node after a variation: the variations come last in a tree");
                }
                open.back().nodes = true;
                Node node = readNode();
                if (open.back().main)
                {
                    main.push_back(std::move(node));
                }
            }
            else if (c == ')')
            {
                if (!open.back().nodes)
                {
                    fail(at_, "a game tree with no node");
                }
                open.pop_back();
                ++at_;
                if (open.empty())
                {
                    return main; // any further game trees of the collection are not read
                }
            }
            else
            {
                std::string what = "\"";
                what.append(printable(c)).append("\" where a node, \"(\" or \")\" was expected");
                fail(at_, what);
            }
        }
    }

    // "line 3: ", where the messages say the offset is.
    std::string where(std::size_t offset) const
    {
        return "line " + std::to_string(lineAt(text_, offset)) + ": ";
    }
    [[noreturn]] void fail(std::size_t offset, const std::string &what) const
    {
        throw RecordError(where(offset) + what);
    }

private:
    struct Tree
    {
        bool main = false;
        bool nodes = false;
        int variations = 0;
    };

    std::string_view text_;
    std::size_t at_ = 0;

    static std::string printable(char c)
    {
        if (c >= ' ' && c <= '~')
        {
            return std::string(1, c);
        }
        return "byte " + std::to_string(static_cast<unsigned char>(c));
    }

    void skipBlanks()
    {
        while (at_ < text_.size() && isBlank(text_[at_]))
        {
            ++at_;
        }
    }

    void openTree(std::vector<Tree> &open)
    {
        Tree tree;
        if (open.empty())
        {
            tree.main = true;
        }
        else
        {
            Tree &parent = open.back();
            if (!parent.nodes)
            {
                fail(at_, "a game tree with no node before its variations");
            }
            tree.main = parent.main && parent.variations == 0;
            ++parent.variations;
        }
        open.push_back(tree);
        ++at_;
    }

    Node readNode()
    {
        Node node{at_, {}};
        ++at_;
        for (;;)
        {
            skipBlanks();
            if (at_ >= text_.size() || !(isUpper(text_[at_]) || isLower(text_[at_])))
            {
                return node;
            }
            node.properties.push_back(readProperty());
        }
    }

    // An identifier and its values. Lower-case letters in the identifier, which older files
    // wrote, are passed over as FF[4] readers do.
    Property readProperty()
    {
        const std::size_t start = at_;
        Property property;
        while (at_ < text_.size() && (isUpper(text_[at_]) || isLower(text_[at_])))
        {
            if (isUpper(text_[at_]))
            {
                property.id += text_[at_];
            }
            ++at_;
        }
        if (property.id.empty())
        {
            fail(start, "the property \"" + std::string(text_.substr(start, at_ - start)) +
                            "\" has no capital letter in its name");
        }
        skipBlanks();
        while (at_ < text_.size() && text_[at_] == '[')
        {
            property.values.push_back(readValue(property.id));
            skipBlanks();
        }
        if (property.values.empty())
        {
            fail(start, "the property " + property.id + " has no value in \"[...]\"");
        }
        return property;
    }

    // From '[' to the ']' that closes it: "\x" is x, and a '\' before a line end removes both.
    std::string readValue(const std::string &id)
    {
        const std::size_t start = at_;
        std::string value;
        for (++at_; at_ < text_.size(); ++at_)
        {
            const char c = text_[at_];
            if (c == ']')
            {
                ++at_;
                return value;
            }
            if (c != '\\')
            {
                value += c;
                continue;
            }
            if (++at_ >= text_.size())
            {
                break;
            }
            if (text_[at_] == '\n' || text_[at_] == '\r')
            {
                const char other = text_[at_] == '\n' ? '\r' : '\n';
                if (at_ + 1 < text_.size() && text_[at_ + 1] == other)
                {
                    ++at_;
                }
                continue;
            }
            value += text_[at_];
        }
        fail(start, "the value of " + id + " is not closed by \"]\"");
    }
};

// SimpleText: every blank but the space read as a space.
std::string simpleText(const std::string &value)
{
    std::string text = value;
    for (char &c : text)
    {
        c = isBlank(c) ? ' ' : c;
    }
    return text;
}

std::string escaped(std::string_view text)
{
    std::string out;
    for (char c : text)
    {
        if (c == '\\' || c == ']')
        {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::string_view trimmed(std::string_view text)
{
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first]))
    {
        ++first;
    }
    std::size_t last = text.size();
    while (last > first && isBlank(text[last - 1]))
    {
        --last;
    }
    return text.substr(first, last - first);
}

// The one value of a property the game reads, trimmed.
std::string single(const Property &property, const TreeReader &reader, const Node &node)
{
    if (property.values.size() != 1)
    {
        reader.fail(node.offset, property.id + " holds " + std::to_string(property.values.size()) +
                                     " values where one is read");
    }
    return std::string(trimmed(property.values.front()));
}

std::string_view ruleName(Rule rule)
{
    switch (rule)
    {
    case Rule::Freestyle:
        return "freestyle";
    case Rule::Standard:
        return "standard";
    case Rule::Renju:
        return "renju";
    }
    return "freestyle";
}

// The rule as the programs that write RU spell it: freestyle (gomoku, free), standard (exactly
// five, exact5), renju (RIF).
Rule readRule(const std::string &value, const TreeReader &reader, const Node &node)
{
    std::string word;
    for (char c : lowered(value))
    {
        if (c != ' ' && c != '-' && c != '_')
        {
            word += c;
        }
    }
    for (std::string_view name : {"freestyle", "gomoku", "free", "freestylegomoku", "fiveormore"})
    {
        if (word == name)
        {
            return Rule::Freestyle;
        }
    }
    for (std::string_view name :
         {"standard", "standardgomoku", "exactlyfive", "exact5", "exactly5", "exactfive"})
    {
        if (word == name)
        {
            return Rule::Standard;
        }
    }
    if (word == "renju" || word == "rif" || word == "renjurif")
    {
        return Rule::Renju;
    }
    reader.fail(node.offset, "the rule RU[" + value + "] is none of freestyle, standard, renju");
}

// What RE says, before the moves are weighed against it.
struct Claim
{
    enum Kind
    {
        Unknown, // none, "?" or "Void"
        Draw,
        Win,      // a win with no reason given, by forfeit or by a score
        Resigned, // "+R"
        Timed,    // "+T"
    } kind = Unknown;
    Colour winner = Colour::Black;
};

Claim readClaim(const std::string &value, const TreeReader &reader, const Node &node)
{
    const std::string word = lowered(value);
    if (word.empty() || word == "?" || word == "void")
    {
        return {};
    }
    if (word == "0" || word == "draw" || word == "jigo")
    {
        return {Claim::Draw, Colour::Black};
    }
    if (word.size() >= 2 && (word[0] == 'b' || word[0] == 'w') && word[1] == '+')
    {
        const Colour winner = word[0] == 'b' ? Colour::Black : Colour::White;
        const std::string how = word.substr(2);
        if (how == "r" || how == "resign")
        {
            return {Claim::Resigned, winner};
        }
        if (how == "t" || how == "time")
        {
            return {Claim::Timed, winner};
        }
        const bool score =
            !how.empty() && how.find_first_not_of("0123456789.") == std::string::npos;
        if (how.empty() || how == "f" || how == "forfeit" || score)
        {
            return {Claim::Win, winner};
        }
    }
    reader.fail(node.offset, "the result RE[" + value + "] is not one SGF writes");
}

std::string claimWords(const std::string &value)
{
    return "the result RE[" + value + "]";
}

// Ends the game as RE says when the stones have not, and refuses an RE the stones contradict.
void settle(Game &game, const Claim &claim, const std::string &value, const TreeReader &reader,
            const Node &node)
{
    const Result &result = game.result();
    if (result.ending == Ending::Five)
    {
        if (claim.kind != Claim::Unknown &&
            (claim.kind != Claim::Win || claim.winner != *result.winner))
        {
            reader.fail(node.offset, claimWords(value) + " is not what the moves show: " +
                                         std::string(colourName(*result.winner)) + "'s five with " +
                                         records::moveWords(static_cast<int>(game.moves().size()),
                                                            game.moves().back().point));
        }
        return;
    }
    if (result.ending == Ending::FullBoard)
    {
        if (claim.kind != Claim::Unknown && claim.kind != Claim::Draw)
        {
            reader.fail(node.offset,
                        claimWords(value) + " is not what the moves show: a full board, drawn");
        }
        return;
    }
    switch (claim.kind)
    {
    case Claim::Unknown:
        break;
    case Claim::Draw:
        game.agreeDraw();
        break;
    case Claim::Win: // a win no five shows: the loser gave the game up
    case Claim::Resigned:
        game.resign(opposite(claim.winner));
        break;
    case Claim::Timed:
        game.timeOut(opposite(claim.winner));
        break;
    }
}

std::string resultValue(const Result &result)
{
    if (result.ending == Ending::None)
    {
        return {};
    }
    if (!result.winner)
    {
        return "0";
    }
    std::string value = *result.winner == Colour::Black ? "B+" : "W+";
    if (result.ending == Ending::Resignation)
    {
        value += "R";
    }
    else if (result.ending == Ending::Time)
    {
        value += "T";
    }
    return value;
}

std::string_view choiceName(Swap2Choice choice)
{
    switch (choice)
    {
    case Swap2Choice::PlayWhite:
        return "white";
    case Swap2Choice::PlayBlack:
        return "black";
    case Swap2Choice::TwoStones:
        return "two";
    case Swap2Choice::None:
        break;
    }
    return {};
}

Swap2Choice readChoice(const std::string &value, const TreeReader &reader, const Node &node)
{
    const std::string word = lowered(std::string(trimmed(value)));
    for (Swap2Choice choice :
         {Swap2Choice::PlayWhite, Swap2Choice::PlayBlack, Swap2Choice::TwoStones})
    {
        if (word == choiceName(choice))
        {
            return choice;
        }
    }
    reader.fail(node.offset, "the swap2 choice CH[" + value + "] is none of white, black, two");
}

// The swap2 choices the record holds, made as the game reaches each step that asks for one.
class Choices
{
public:
    Choices(std::vector<Swap2Choice> choices, const TreeReader &reader, const Node &root)
        : choices_(std::move(choices)), reader_(reader), root_(root)
    {
    }

    void makeDue(Game &game)
    {
        const Swap2Step step = game.swap2Step();
        while (next_ < choices_.size() &&
               (step == Swap2Step::SecondChoice || step == Swap2Step::FirstChoice) &&
               game.swap2Step() == step)
        {
            if (!game.choose(choices_[next_]))
            {
                reader_.fail(root_.offset, "the swap2 choice CH[" +
                                               std::string(choiceName(choices_[next_])) +
                                               "] is not one the first player may make");
            }
            ++next_;
        }
    }

    void checkAllMade() const
    {
        if (next_ < choices_.size())
        {
            reader_.fail(root_.offset,
                         "CH holds more swap2 choices than the game's stones ask for");
        }
    }

private:
    std::vector<Swap2Choice> choices_;
    std::size_t next_ = 0;
    const TreeReader &reader_;
    const Node &root_;
};

// The root's facts: the board, the rule and the opening, checked before any move is read.
Game readRoot(const Node &root, const TreeReader &reader, std::vector<Swap2Choice> &choices)
{
    if (const Property *ff = root.find("FF"))
    {
        const std::string value = single(*ff, reader, root);
        if (value != "1" && value != "2" && value != "3" && value != "4")
        {
            reader.fail(root.offset, "FF[" + value + "]: the file format is 1 to 4");
        }
    }
    const Property *gm = root.find("GM");
    if (!gm)
    {
        reader.fail(root.offset, "no game GM: SGF takes that for Go, and five in a row is GM[4]");
    }
    const std::string game = single(*gm, reader, root);
    if (game != "4")
    {
        reader.fail(root.offset, "GM[" + game + "] is not five in a row, which is GM[4]");
    }
    const Property *sz = root.find("SZ");
    if (!sz)
    {
        reader.fail(root.offset, "no board size SZ: the game is played on 18 x 18 only");
    }
    const std::string size = single(*sz, reader, root);
    if (size != "18" && size != "18:18")
    {
        reader.fail(root.offset,
                    "the board is SZ[" + size + "]; the game is played on 18 x 18 only");
    }
    const Property *ru = root.find("RU");
    const Rule rule = ru ? readRule(single(*ru, reader, root), reader, root) : Rule::Freestyle;
    Opening opening = Opening::Free;
    if (const Property *op = root.find("OP"))
    {
        const std::string value = lowered(single(*op, reader, root));
        if (value == "swap2")
        {
            opening = Opening::Swap2;
        }
        else if (value != "free")
        {
            reader.fail(root.offset, "the opening OP[" + value + "] is neither free nor swap2");
        }
    }
    if (const Property *ch = root.find("CH"))
    {
        if (opening != Opening::Swap2)
        {
            reader.fail(root.offset, "swap2 choices CH without the swap2 opening OP[swap2]");
        }
        for (const std::string &value : ch->values)
        {
            choices.push_back(readChoice(value, reader, root));
        }
    }
    return Game(rule, opening);
}

// A move's point: two letters a-r, the column and then the row.
Point readPoint(const std::string &value, int number, const TreeReader &reader, const Node &node)
{
    const std::string where = "move " + std::to_string(number) + ": ";
    if (value.empty() || value == "tt")
    {
        reader.fail(node.offset, where + "a pass, which five in a row has not");
    }
    auto coordinate = [](char c) { return isLower(c) ? c - 'a' : isUpper(c) ? c - 'A' + 26 : -1; };
    if (value.size() != 2 || coordinate(value[0]) < 0 || coordinate(value[1]) < 0)
    {
        reader.fail(node.offset, where + "\"" + value + "\" is not a point's two letters");
    }
    const Point p{coordinate(value[0]), coordinate(value[1])};
    if (!onBoard(p))
    {
        reader.fail(node.offset, where + "\"" + value + "\" is off the 18 x 18 board");
    }
    return p;
}

std::int32_t readMs(const Node &node, const TreeReader &reader)
{
    const Property *ms = node.find("MS");
    if (!ms)
    {
        return -1;
    }
    const std::string value = single(*ms, reader, node);
    std::int32_t number = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc{} || end != value.data() + value.size() || number < 0)
    {
        reader.fail(node.offset, "MS[" + value + "] is not a number of milliseconds");
    }
    return number;
}

// Seconds as SGF writes them (a real number): whole when they are, else to the millisecond.
std::string secondsValue(std::int64_t ms)
{
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0)
    {
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(ms % 1000));
        text += fraction;
        while (text.back() == '0')
        {
            text.pop_back();
        }
    }
    return text;
}

// A real number of seconds, >= 0 and at most a day, in milliseconds; -1 when it is not one.
std::int64_t secondsNamed(const std::string &value)
{
    std::int64_t whole = 0, fraction = 0, scale = 1000;
    std::size_t i = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9' && whole <= 86400; ++i)
    {
        whole = whole * 10 + (value[i] - '0');
    }
    if (i == 0 || whole > 86400)
    {
        return -1;
    }
    if (i < value.size() && value[i] == '.')
    {
        for (++i; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        {
            if (scale > 1)
            {
                scale /= 10;
                fraction += (value[i] - '0') * scale;
            }
        }
    }
    return i == value.size() ? whole * 1000 + fraction : -1;
}

// The time its side had left after the node's move (BL or WL), or -1.
std::int64_t readLeft(const Node &node, const TreeReader &reader)
{
    for (std::string_view id : {"BL", "WL"})
    {
        if (const Property *left = node.find(id))
        {
            const std::string value = single(*left, reader, node);
            const std::int64_t ms = secondsNamed(value);
            if (ms < 0)
            {
                reader.fail(node.offset,
                            std::string(id) + "[" + value + "] is not a number of seconds");
            }
            return ms;
        }
    }
    return -1;
}

// The node's move, if it has one, played on the game.
void readMove(Game &game, const Node &node, const TreeReader &reader)
{
    for (std::string_view setup : {"AB", "AW", "AE"})
    {
        if (node.find(setup))
        {
            reader.fail(node.offset, "stones set up with " + std::string(setup) +
                                         ": a record here is its moves alone");
        }
    }
    const Property *black = node.find("B");
    const Property *white = node.find("W");
    if (!black && !white)
    {
        return;
    }
    if (black && white)
    {
        reader.fail(node.offset, "a node with a move of each colour");
    }
    const int number = static_cast<int>(game.moves().size()) + 1;
    const Colour colour = black ? Colour::Black : Colour::White;
    const Point p = readPoint(single(black ? *black : *white, reader, node), number, reader, node);
    if (colour != game.toMove())
    {
        reader.fail(node.offset, records::moveWords(number, p) + ": " +
                                     std::string(colourName(colour)) + " moves where " +
                                     std::string(colourName(game.toMove())) + " is to move");
    }
    records::replay(game, number, p, readMs(node, reader), reader.where(node.offset));
}

// The first value of a game fact found on the main line, as simple text.
std::string fact(const std::vector<Node> &nodes, std::string_view id, const TreeReader &reader)
{
    for (const Node &node : nodes)
    {
        if (const Property *property = node.find(id))
        {
            return simpleText(single(*property, reader, node));
        }
    }
    return {};
}

} // namespace

std::string writeSgf(const Record &record)
{
    const Game &game = record.game;
    std::string text =
        "(;FF[4]GM[4]SZ[18]CA[UTF-8]AP[gomoku3d]RU[" + std::string(ruleName(game.rule())) + "]";
    if (game.opening() == Opening::Swap2)
    {
        text += "OP[swap2]";
        if (game.secondChoice() != Swap2Choice::None)
        {
            text.append("CH[").append(choiceName(game.secondChoice())).append("]");
            if (game.firstChoice() != Swap2Choice::None)
            {
                text.append("[").append(choiceName(game.firstChoice())).append("]");
            }
        }
    }
    auto add = [&text](std::string_view id, std::string_view value)
    {
        if (!value.empty())
        {
            text += std::string(id) + "[" + escaped(value) + "]";
        }
    };
    add("PB", record.black);
    add("PW", record.white);
    add("DT", record.date);
    add("RE", resultValue(game.result()));
    if (record.control.timed())
    {
        add("TM", secondsValue(record.control.mainMs));
        std::string overtime = secondsValue(record.control.incrementMs);
        overtime.insert(overtime.begin(), '+');
        overtime += " s a move";
        add("OT", overtime);
    }
    text += "\n";
    for (std::size_t i = 0; i < game.moves().size(); ++i)
    {
        const Move &move = game.moves()[i];
        const char colour = i % 2 == 0 ? 'B' : 'W';
        text += ';';
        text += colour;
        text += '[';
        text += static_cast<char>('a' + move.point.x);
        text += static_cast<char>('a' + move.point.y);
        text += ']';
        if (move.ms >= 0)
        {
            text += "MS[" + std::to_string(move.ms) + "]";
        }
        if (i < record.leftMs.size() && record.leftMs[i] >= 0)
        {
            text += std::string(i % 2 == 0 ? "BL[" : "WL[") + secondsValue(record.leftMs[i]) + "]";
        }
        text += "\n";
    }
    return text + ")\n";
}

Record readSgf(std::string_view text)
{
    records::checkText(text);
    TreeReader reader(records::withoutBom(text));
    const std::vector<Node> nodes = reader.mainLine();
    const Node &root = nodes.front();
    std::vector<Swap2Choice> choiceList;
    Record record{readRoot(root, reader, choiceList),
                  fact(nodes, "PB", reader),
                  fact(nodes, "PW", reader),
                  fact(nodes, "DT", reader),
                  {},
                  {},
                  {}};
    Choices choices(std::move(choiceList), reader, root);
    bool anyLeft = false;
    for (const Node &node : nodes)
    {
        choices.makeDue(record.game);
        const std::size_t before = record.game.moves().size();
        readMove(record.game, node, reader);
        if (record.game.moves().size() > before)
        {
            record.leftMs.push_back(readLeft(node, reader));
            anyLeft = anyLeft || record.leftMs.back() >= 0;
        }
    }
    if (!anyLeft)
    {
        record.leftMs.clear();
    }
    if (const std::string main = fact(nodes, "TM", reader); !main.empty())
    {
        const std::int64_t ms = secondsNamed(main);
        if (ms <= 0)
        {
            reader.fail(root.offset, "TM[" + main + "] is not a number of seconds");
        }
        record.control.mainMs = ms;
        // The increment as this program writes it; other overtimes are kept as none.
        const std::string overtime = fact(nodes, "OT", reader);
        constexpr std::string_view A_MOVE = " s a move";
        if (overtime.size() > A_MOVE.size() + 1 && overtime[0] == '+' && overtime.ends_with(A_MOVE))
        {
            const std::string increment(overtime.begin() + 1, overtime.end() - A_MOVE.size());
            record.control.incrementMs = std::max<std::int64_t>(secondsNamed(increment), 0);
        }
    }
    choices.makeDue(record.game);
    choices.checkAllMade();
    const Node *resultNode = &root;
    std::string result;
    for (const Node &node : nodes)
    {
        if (const Property *re = node.find("RE"))
        {
            result = single(*re, reader, node);
            resultNode = &node;
            break;
        }
    }
    settle(record.game, readClaim(result, reader, *resultNode), result, reader, *resultNode);
    return record;
}

} // namespace core
