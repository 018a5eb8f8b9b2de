// Reading the clients' messages and writing the server's, with nlohmann-json. A client's text is
// checked field by field before anything of it is used; the server's own messages are built from
// checked values only.
#include "server/messages.h"

#include "server/ids.h"
#include "server/names.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <cstdint>

using nlohmann::json;
// The server writes its fields in the order docs/server.md gives them.
using out_json = nlohmann::ordered_json;

namespace
{

Refusal refuse(ErrorCode code, std::string message)
{
    return Refusal{code, std::move(message)};
}

// The integer field `name` of `object`, when there is one: JSON integers only, not 3.0 nor true.
std::optional<std::int64_t> integerField(const json &object, const char *name)
{
    const auto it = object.find(name);
    if (it == object.end())
    {
        return std::nullopt;
    }
    if (it->is_number_unsigned())
    {
        const auto value = it->get<std::uint64_t>();
        return value > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX
                                                             : static_cast<std::int64_t>(value);
    }
    if (it->is_number_integer())
    {
        return it->get<std::int64_t>();
    }
    return std::nullopt;
}

// A row or column: anything beyond the board is -1, which the game finds off it.
int coordinate(std::int64_t value)
{
    return value >= 0 && value < core::SIZE ? static_cast<int>(value) : -1;
}

// The string field `name` of `object` as one of `named`'s words: `fallback` when there is no such
// field, none when it is there and not one of them.
template <typename Value, typename Named>
std::optional<Value> wordField(const json &object, const char *name, Value fallback, Named named)
{
    const auto it = object.find(name);
    if (it == object.end())
    {
        return fallback;
    }
    if (!it->is_string())
    {
        return std::nullopt;
    }
    return named(it->get_ref<const std::string &>());
}

ClientMessage readCreate(const json &object)
{
    const auto rule = wordField(object, "rule", core::Rule::Freestyle, ruleNamed);
    if (!rule)
    {
        return refuse(ErrorCode::BadField,
                      "\"rule\" must be \"freestyle\", \"exactly-five\" or \"renju\"");
    }
    const auto opening = wordField(object, "opening", core::Opening::Free, openingNamed);
    if (!opening)
    {
        return refuse(ErrorCode::BadField, "\"opening\" must be \"free\" or \"swap2\"");
    }
    core::TimeControl control;
    if (const auto clock = object.find("clock"); clock != object.end())
    {
        if (!clock->is_string() ||
            !core::parseTimeControl(clock->get_ref<const std::string &>(), &control))
        {
            return refuse(ErrorCode::BadField,
                          "\"clock\" must be minutes and seconds of increment, such as \"3+2\" "
                          "(1 to 180 minutes, 0 to 60 seconds), or \"none\"");
        }
    }
    return CreateRequest{*rule, *opening, control};
}

ClientMessage readHello(const json &object)
{
    const auto name = object.find("name");
    const auto secret = object.find("secret");
    if ((name == object.end()) == (secret == object.end()))
    {
        return refuse(ErrorCode::BadField, "A hello has \"name\" (a new player) or \"secret\"");
    }
    if (secret != object.end())
    {
        if (!secret->is_string() || !validSecret(secret->get_ref<const std::string &>()))
        {
            return refuse(ErrorCode::BadField,
                          "\"secret\" must be 32 lowercase hexadecimal digits");
        }
        return HelloRequest{std::nullopt, secret->get<std::string>()};
    }
    if (!name->is_string())
    {
        return refuse(ErrorCode::BadName, "\"name\" must be a string");
    }
    return HelloRequest{name->get<std::string>(), std::nullopt};
}

ClientMessage readSeek(const json &object)
{
    const auto rule = wordField(object, "rule", core::Rule::Freestyle, ruleNamed);
    if (!rule)
    {
        return refuse(ErrorCode::BadField,
                      "\"rule\" must be \"freestyle\", \"exactly-five\" or \"renju\"");
    }
    SeekRequest seek{*rule, {}, std::nullopt};
    if (const auto clock = object.find("clock"); clock != object.end())
    {
        if (!clock->is_string() ||
            !core::parseTimeControl(clock->get_ref<const std::string &>(), &seek.control))
        {
            return refuse(ErrorCode::BadField,
                          "\"clock\" must be minutes and seconds of increment, such as \"3+2\"");
        }
    }
    if (const auto band = object.find("band"); band != object.end())
    {
        const auto value = integerField(object, "band");
        if (!value || *value < 0 || *value > 3000)
        {
            return refuse(ErrorCode::BadField, "\"band\" must be a whole number from 0 to 3000");
        }
        seek.band = static_cast<int>(*value);
    }
    return seek;
}

ClientMessage readJoin(const json &object)
{
    const auto game = object.find("game");
    if (game == object.end() || !game->is_string() ||
        !validGameId(game->get_ref<const std::string &>()))
    {
        return refuse(ErrorCode::BadField,
                      "\"game\" must be a game id such as local-k3mzq2x7bd4hv6tp");
    }
    JoinRequest join{game->get<std::string>(), std::nullopt};
    const auto secret = object.find("secret");
    if (secret != object.end())
    {
        if (!secret->is_string() || !validSecret(secret->get_ref<const std::string &>()))
        {
            return refuse(ErrorCode::BadField,
                          "\"secret\" must be 32 lowercase hexadecimal digits");
        }
        join.secret = secret->get<std::string>();
    }
    return join;
}

// The stones on the board a request was made at. A count beyond any board can never be the
// board's: it stays one that is never right.
std::optional<int> stoneCount(const json &object)
{
    const auto n = integerField(object, "n");
    if (!n || *n < 0)
    {
        return std::nullopt;
    }
    return *n <= core::POINTS ? static_cast<int>(*n) : core::POINTS + 1;
}

ClientMessage readMove(const json &object)
{
    const auto row = integerField(object, "row");
    const auto col = integerField(object, "col");
    const auto n = stoneCount(object);
    if (!row || !col)
    {
        return refuse(ErrorCode::BadField,
                      "\"row\" and \"col\" must be whole numbers from 0 to 17");
    }
    if (!n)
    {
        return refuse(ErrorCode::BadField,
                      "\"n\" must be the number of stones on the board before the move");
    }
    return MoveRequest{coordinate(*row), coordinate(*col), *n};
}

ClientMessage readUndo(const json &object)
{
    const auto n = stoneCount(object);
    if (!n)
    {
        return refuse(ErrorCode::BadField, "\"n\" must be the number of stones on the board");
    }
    return UndoRequest{*n};
}

ClientMessage readUndoAnswer(const json &object)
{
    const auto n = stoneCount(object);
    const auto accept = object.find("accept");
    if (!n || accept == object.end() || !accept->is_boolean())
    {
        return refuse(ErrorCode::BadField, "\"n\" must be the number of stones on the board and "
                                           "\"accept\" true or false");
    }
    return UndoAnswer{*n, accept->get<bool>()};
}

ClientMessage readChoose(const json &object)
{
    const auto n = stoneCount(object);
    const auto choice = object.find("choice");
    const auto chosen = choice != object.end() && choice->is_string()
                            ? choiceNamed(choice->get_ref<const std::string &>())
                            : std::nullopt;
    if (!n || !chosen)
    {
        return refuse(ErrorCode::BadField, "\"choice\" must be \"white\", \"black\" or \"two\", "
                                           "and \"n\" the number of stones on the board");
    }
    return ChooseRequest{*chosen, *n};
}

ClientMessage readDrawOffer(const json &object)
{
    const auto n = stoneCount(object);
    if (!n)
    {
        return refuse(ErrorCode::BadField, "\"n\" must be the number of stones on the board");
    }
    return DrawOffer{*n};
}

ClientMessage readDrawAnswer(const json &object)
{
    const auto n = stoneCount(object);
    const auto accept = object.find("accept");
    if (!n || accept == object.end() || !accept->is_boolean())
    {
        return refuse(ErrorCode::BadField, "\"n\" must be the number of stones on the board and "
                                           "\"accept\" true or false");
    }
    return DrawAnswer{*n, accept->get<bool>()};
}

// How the game ended, as the state message names it.
out_json endingOrNull(core::Ending ending)
{
    switch (ending)
    {
    case core::Ending::Five:
        return "five";
    case core::Ending::FullBoard:
        return "full-board";
    case core::Ending::Resignation:
        return "resignation";
    case core::Ending::Time:
        return "time";
    case core::Ending::Agreement:
        return "agreement";
    case core::Ending::None:
        break;
    }
    return nullptr;
}

// A point as the protocol writes it: [row, col].
out_json point(core::Point p)
{
    const core::Cell cell = core::cellOfPoint(p);
    return out_json::array({cell.row, cell.col});
}

out_json colourOrNull(const std::optional<core::Colour> &colour)
{
    return colour ? out_json(core::colourName(*colour)) : out_json(nullptr);
}

out_json choiceOrNull(core::Swap2Choice choice)
{
    return choice == core::Swap2Choice::None ? out_json(nullptr) : out_json(choiceName(choice));
}

std::string_view presenceName(Presence presence)
{
    switch (presence)
    {
    case Presence::Present:
        return "present";
    case Presence::Away:
        return "away";
    case Presence::Empty:
        break;
    }
    return "empty";
}

} // namespace

std::string_view codeName(ErrorCode code)
{
    static constexpr std::array<std::string_view, 31> NAMES = {
        "bad-json",        "too-large",    "unknown-type",   "bad-field",       "no-such-game",
        "not-your-turn",   "not-a-player", "occupied",       "off-board",       "game-over",
        "stale",           "rate-limited", "too-many-games", "expired",         "internal",
        "nothing-to-undo", "undo-pending", "undo-refused",   "no-undo-asked",   "forbidden",
        "no-choice",       "draw-pending", "draw-refused",   "no-draw-offered", "not-over",
        "rematch-pending", "bad-name",     "name-taken",     "no-such-player",  "no-player",
        "too-many-players"};
    return NAMES.at(static_cast<std::size_t>(code));
}

ClientMessage readClientMessage(std::string_view text)
{
    if (text.size() > MAX_MESSAGE_BYTES)
    {
        return refuse(ErrorCode::TooLarge, "A message may hold at most 4096 bytes");
    }
    // The JSON reader stops at a NUL byte as at the end of the text; JSON never holds one.
    const json object = text.find('\0') == std::string_view::npos
                            ? json::parse(text.begin(), text.end(), nullptr, false)
                            : json(json::value_t::discarded);
    if (object.is_discarded())
    {
        return refuse(ErrorCode::BadJson, "A message must be one JSON object");
    }
    if (!object.is_object())
    {
        return refuse(ErrorCode::BadJson, "A message must be a JSON object, not another value");
    }
    const auto type = object.find("type");
    if (type == object.end() || !type->is_string())
    {
        return refuse(ErrorCode::BadField, "A message needs \"type\", a string");
    }
    const auto &name = type->get_ref<const std::string &>();
    if (name == "create")
    {
        return readCreate(object);
    }
    if (name == "join")
    {
        return readJoin(object);
    }
    if (name == "move")
    {
        return readMove(object);
    }
    if (name == "undo")
    {
        return readUndo(object);
    }
    if (name == "undo-answer")
    {
        return readUndoAnswer(object);
    }
    if (name == "choose")
    {
        return readChoose(object);
    }
    if (name == "resign")
    {
        return ResignRequest{};
    }
    if (name == "offer-draw")
    {
        return readDrawOffer(object);
    }
    if (name == "answer-draw")
    {
        return readDrawAnswer(object);
    }
    if (name == "rematch")
    {
        return RematchRequest{};
    }
    if (name == "hello")
    {
        return readHello(object);
    }
    if (name == "seek")
    {
        return readSeek(object);
    }
    if (name == "cancel-seek")
    {
        return CancelSeek{};
    }
    return refuse(ErrorCode::UnknownType,
                  "Unknown message type: the server knows create, join, move, undo, undo-answer, "
                  "choose, resign, offer-draw, answer-draw, rematch, hello, seek and cancel-seek");
}

std::string_view roleName(Role role)
{
    switch (role)
    {
    case Role::Black:
        return "black";
    case Role::White:
        return "white";
    case Role::Watcher:
        return "watcher";
    case Role::Waiting:
        break;
    }
    return "waiting";
}

std::string createdMessage(std::string_view game, std::string_view secret, std::string_view link)
{
    out_json message{{"type", "created"}, {"game", game}, {"secret", secret}};
    if (!link.empty())
    {
        message["link"] = link;
    }
    return message.dump();
}

std::string joinedMessage(std::string_view game, Role role, std::optional<std::string_view> secret,
                          std::string_view link)
{
    out_json message{{"type", "joined"}, {"game", game}, {"role", roleName(role)}};
    if (secret)
    {
        message["secret"] = *secret;
    }
    if (!link.empty())
    {
        message["link"] = link;
    }
    return message.dump();
}

out_json clockOrNull(const std::optional<ClockView> &clock)
{
    if (!clock)
    {
        return nullptr;
    }
    return out_json{{"control", core::timeControlName(clock->control)},
                    {"black", clock->remainingMs[0]},
                    {"white", clock->remainingMs[1]},
                    {"running", colourOrNull(clock->running)},
                    {"stopped", clock->stoppedMs}};
}

out_json playerOf(const PlayerView &player)
{
    return out_json{{"name", player.name}, {"rating", std::lround(player.rating)}};
}

std::string stateMessage(const GameView &view)
{
    const core::Game &game = *view.game;
    out_json moves = out_json::array();
    for (const core::Move &m : game.moves())
    {
        moves.push_back(point(m.point));
    }
    out_json five = nullptr;
    if (game.five())
    {
        // In the protocol's order along the line: rows, then columns, counting up.
        core::Five points = *game.five();
        std::sort(points.begin(), points.end(),
                  [](core::Point a, core::Point b)
                  {
                      const core::Cell x = core::cellOfPoint(a), y = core::cellOfPoint(b);
                      return x.row != y.row ? x.row < y.row : x.col < y.col;
                  });
        five = out_json::array();
        for (core::Point p : points)
        {
            five.push_back(point(p));
        }
    }
    return out_json{{"type", "state"},
                    {"game", view.id},
                    {"rule", ruleName(game.rule())},
                    {"opening", openingName(game.opening())},
                    {"step", stepName(game.swap2Step())},
                    {"moves", std::move(moves)},
                    {"you", roleName(view.you)},
                    {"player", view.player > 0 ? out_json(view.player) : out_json(nullptr)},
                    {"first", core::colourName(game.colourOf(1))},
                    {"second-choice", choiceOrNull(game.secondChoice())},
                    {"first-choice", choiceOrNull(game.firstChoice())},
                    {"black", presenceName(view.black)},
                    {"white", presenceName(view.white)},
                    {"over", game.over()},
                    {"winner", colourOrNull(game.result().winner)},
                    {"five", std::move(five)},
                    {"undo", colourOrNull(view.undo)},
                    {"ending", endingOrNull(game.result().ending)},
                    {"draw", colourOrNull(view.draw)},
                    {"rematch", colourOrNull(view.rematch)},
                    {"next", view.next.empty() ? out_json(nullptr) : out_json(view.next)},
                    {"clock", clockOrNull(view.clock)},
                    {"players", view.players ? out_json{{"black", playerOf((*view.players)[0])},
                                                        {"white", playerOf((*view.players)[1])}}
                                             : out_json(nullptr)},
                    {"watchers", view.watchers}}
        .dump();
}

std::string movedMessage(int n, core::Point point, core::Colour colour,
                         const std::optional<ClockView> &clock)
{
    const core::Cell cell = core::cellOfPoint(point);
    out_json message{{"type", "moved"},
                     {"n", n},
                     {"row", cell.row},
                     {"col", cell.col},
                     {"colour", core::colourName(colour)}};
    if (clock)
    {
        message["clock"] = clockOrNull(clock);
    }
    return message.dump();
}

std::string presenceMessage(Presence black, Presence white, int watchers)
{
    return out_json{{"type", "presence"},
                    {"black", presenceName(black)},
                    {"white", presenceName(white)},
                    {"watchers", watchers}}
        .dump();
}

std::string rematchedMessage(std::string_view game, std::optional<std::string_view> secret)
{
    out_json message{{"type", "rematched"}, {"game", game}};
    if (secret)
    {
        message["secret"] = *secret;
    }
    return message.dump();
}

std::string errorMessage(ErrorCode code, std::string_view text)
{
    return out_json{{"type", "error"}, {"code", codeName(code)}, {"message", text}}.dump();
}

std::string playerMessage(std::string_view secret, const PlayerView &player)
{
    return out_json{{"type", "player"},
                    {"secret", secret},
                    {"name", player.name},
                    {"rating", std::lround(player.rating)},
                    {"deviation", std::lround(player.deviation)}}
        .dump();
}

std::string seekingMessage(core::Rule rule, const core::TimeControl &control)
{
    return out_json{
        {"type", "seeking"},
        {"rule", ruleName(rule)},
        {"clock", control.timed() ? out_json(core::timeControlName(control)) : out_json(nullptr)}}
        .dump();
}

std::string seekCancelledMessage()
{
    return out_json{{"type", "seek-cancelled"}}.dump();
}

std::string pairedMessage(std::string_view game, std::string_view secret)
{
    return out_json{{"type", "paired"}, {"game", game}, {"secret", secret}}.dump();
}
