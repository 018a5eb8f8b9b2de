// Reading the clients' messages and writing the server's, with nlohmann-json. A client's text is
// checked field by field before anything of it is used; the server's own messages are built from
// checked values only.
#include "server/messages.h"

#include "server/ids.h"

#include <nlohmann/json.hpp>

#include <array>
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

// A row or column: anything beyond the board is -1, which the referee finds off it.
int coordinate(std::int64_t value)
{
    return value >= 0 && value < BOARD_SIZE ? static_cast<int>(value) : -1;
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
    return *n <= BOARD_CELLS ? static_cast<int>(*n) : BOARD_CELLS + 1;
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

out_json point(Referee::Point p)
{
    return out_json::array({p.row, p.col});
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
    static constexpr std::array<std::string_view, 19> NAMES = {
        "bad-json",        "too-large",    "unknown-type",   "bad-field",    "no-such-game",
        "not-your-turn",   "not-a-player", "occupied",       "off-board",    "game-over",
        "stale",           "rate-limited", "too-many-games", "expired",      "internal",
        "nothing-to-undo", "undo-pending", "undo-refused",   "no-undo-asked"};
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
        return CreateRequest{};
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
    return refuse(ErrorCode::UnknownType, "Unknown message type: the server knows create, join, "
                                          "move, undo and undo-answer");
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

std::string_view colourName(Referee::Side side)
{
    return side == Referee::Side::Black ? "black" : "white";
}

std::string createdMessage(std::string_view game, std::string_view secret)
{
    return out_json{{"type", "created"}, {"game", game}, {"secret", secret}}.dump();
}

std::string joinedMessage(std::string_view game, Role role, std::optional<std::string_view> secret)
{
    out_json message{{"type", "joined"}, {"game", game}, {"role", roleName(role)}};
    if (secret)
    {
        message["secret"] = *secret;
    }
    return message.dump();
}

std::string stateMessage(const GameView &view)
{
    out_json moves = out_json::array();
    for (Referee::Point p : *view.moves)
    {
        moves.push_back(point(p));
    }
    out_json five = nullptr;
    if (*view.five)
    {
        five = out_json::array();
        for (Referee::Point p : **view.five)
        {
            five.push_back(point(p));
        }
    }
    return out_json{
        {"type", "state"},
        {"game", view.game},
        {"moves", std::move(moves)},
        {"you", roleName(view.you)},
        {"black", presenceName(view.black)},
        {"white", presenceName(view.white)},
        {"over", view.over},
        {"winner", view.winner ? out_json(colourName(*view.winner)) : out_json(nullptr)},
        {"five", std::move(five)},
        {"undo", view.undo ? out_json(colourName(*view.undo)) : out_json(nullptr)}}
        .dump();
}

std::string movedMessage(int n, Referee::Point point, Referee::Side colour)
{
    return out_json{{"type", "moved"},
                    {"n", n},
                    {"row", point.row},
                    {"col", point.col},
                    {"colour", colourName(colour)}}
        .dump();
}

std::string presenceMessage(Presence black, Presence white)
{
    return out_json{
        {"type", "presence"}, {"black", presenceName(black)}, {"white", presenceName(white)}}
        .dump();
}

std::string errorMessage(ErrorCode code, std::string_view text)
{
    return out_json{{"type", "error"}, {"code", codeName(code)}, {"message", text}}.dump();
}
