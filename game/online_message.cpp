// The server's messages from JSON, with nlohmann-json: each field the message's type needs,
// checked for its kind; any other field is left alone, for the sake of newer servers.
#include "game/online_message.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace
{

using nlohmann::json;

// Numbers on the board and counts of its stones are small: anything far beyond is not one.
constexpr std::int64_t NUMBER_LIMIT = 1 << 20;

const json *field(const json &object, const char *name)
{
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> text(const json &object, const char *name)
{
    const json *value = field(object, name);
    if (value == nullptr || !value->is_string())
    {
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::optional<int> integer(const json *value)
{
    if (value == nullptr || !value->is_number_integer())
    {
        return std::nullopt;
    }
    const auto number = value->is_number_unsigned()
                            ? static_cast<std::int64_t>(std::min<std::uint64_t>(
                                  value->get<std::uint64_t>(), NUMBER_LIMIT))
                            : value->get<std::int64_t>();
    if (number < -NUMBER_LIMIT || number >= NUMBER_LIMIT)
    {
        return std::nullopt;
    }
    return static_cast<int>(number);
}

// A list of [row, column] pairs.
bool points(const json *value, std::vector<ServerMessage::Point> *out)
{
    if (value == nullptr || !value->is_array())
    {
        return false;
    }
    out->clear();
    for (const json &point : *value)
    {
        if (!point.is_array() || point.size() != 2)
        {
            return false;
        }
        const auto row = integer(&point[0]);
        const auto col = integer(&point[1]);
        if (!row || !col)
        {
            return false;
        }
        out->emplace_back(*row, *col);
    }
    return true;
}

// "black" 0, "white" 1; anything else -1.
int colour(const json *value)
{
    if (value == nullptr || !value->is_string())
    {
        return -1;
    }
    const auto &word = value->get_ref<const std::string &>();
    return word == "black" ? 0 : word == "white" ? 1 : -1;
}

OnlineRole role(const json *value)
{
    if (value == nullptr || !value->is_string())
    {
        return OnlineRole::None;
    }
    const auto &word = value->get_ref<const std::string &>();
    return word == "black"     ? OnlineRole::Black
           : word == "white"   ? OnlineRole::White
           : word == "watcher" ? OnlineRole::Watcher
           : word == "waiting" ? OnlineRole::Waiting
                               : OnlineRole::None;
}

std::optional<Presence> presence(const json *value)
{
    if (value == nullptr || !value->is_string())
    {
        return std::nullopt;
    }
    const auto &word = value->get_ref<const std::string &>();
    if (word == "present")
    {
        return Presence::Present;
    }
    if (word == "away")
    {
        return Presence::Away;
    }
    if (word == "empty")
    {
        return Presence::Empty;
    }
    return std::nullopt;
}

bool presences(const json &object, ServerMessage *message)
{
    const auto black = presence(field(object, "black"));
    const auto white = presence(field(object, "white"));
    if (!black || !white)
    {
        return false;
    }
    message->black = *black;
    message->white = *white;
    return true;
}

// A word of `words` in the field, or `fallback` when there is no such field (or, `orNull`, it is
// null); -1 for anything else.
int wordOf(const json &object, const char *name, std::initializer_list<const char *> words,
           int fallback, bool orNull)
{
    const json *value = field(object, name);
    if (value == nullptr || (orNull && value->is_null()))
    {
        return fallback;
    }
    if (!value->is_string())
    {
        return -1;
    }
    int index = 0;
    for (const char *word : words)
    {
        if (value->get_ref<const std::string &>() == word)
        {
            return index;
        }
        ++index;
    }
    return -1;
}

// The rule, the opening, the player and the swap2 choices; a server without them sends none of
// these fields, and its games are freestyle with the free opening.
bool decodeGameKind(const json &object, ServerMessage *message)
{
    const int rule = wordOf(object, "rule", {"freestyle", "exactly-five", "renju"}, 0, false);
    const int opening = wordOf(object, "opening", {"free", "swap2"}, 0, false);
    // As the game's numbers have them: 1 white, 2 black, 3 two more stones; 0 none (-2 here).
    const int second = wordOf(object, "second-choice", {"white", "black", "two"}, -2, true) + 1;
    const int first = wordOf(object, "first-choice", {"white", "black"}, -2, true) + 1;
    const json *player = field(object, "player");
    const auto number = integer(player);
    if (rule < 0 || opening < 0 || second == 0 || first == 0)
    {
        return false;
    }
    if (player != nullptr && !player->is_null() && (!number || (*number != 1 && *number != 2)))
    {
        return false;
    }
    message->rule = static_cast<engine::Rule>(rule);
    message->opening = opening;
    message->secondChoice = std::max(second, 0);
    message->firstChoice = std::max(first, 0);
    message->player = number.value_or(0);
    return true;
}

// A time in milliseconds: at most a few days, never below 0.
std::optional<std::int64_t> milliseconds(const json *value)
{
    constexpr std::int64_t MOST = 7LL * 24 * 3600 * 1000;
    if (value == nullptr || !value->is_number_integer() ||
        (value->is_number_unsigned()
             ? value->get<std::uint64_t>() > std::uint64_t(MOST)
             : value->get<std::int64_t>() < 0 || value->get<std::int64_t>() > MOST))
    {
        return std::nullopt;
    }
    return value->get<std::int64_t>();
}

// "clock": null (none), or the clocks; false for anything else.
bool decodeClock(const json *value, OnlineClock *clock)
{
    *clock = OnlineClock{};
    if (value == nullptr || value->is_null())
    {
        return true;
    }
    if (!value->is_object())
    {
        return false;
    }
    const auto control = text(*value, "control");
    const auto black = milliseconds(field(*value, "black"));
    const auto white = milliseconds(field(*value, "white"));
    const json *running = field(*value, "running");
    const json *stopped = field(*value, "stopped");
    const auto stoppedMs =
        stopped == nullptr ? std::optional<std::int64_t>(0) : milliseconds(stopped);
    // The control as the server names it: digits, "+", digits.
    if (!control || control->size() > 7 || control->find('+') == std::string::npos ||
        control->find_first_not_of("0123456789+") != std::string::npos || !black || !white ||
        running == nullptr || !stoppedMs)
    {
        return false;
    }
    clock->running = colour(running);
    if (clock->running < 0 && !running->is_null())
    {
        return false;
    }
    clock->timed = true;
    clock->control = *control;
    clock->remainingMs[0] = *black;
    clock->remainingMs[1] = *white;
    clock->stoppedMs = *stoppedMs;
    return true;
}

// "players": null or {"black":{"name":N,"rating":R},"white":...}, and "watchers": W.
bool decodePlayers(const json &object, ServerMessage *message)
{
    const json *watchers = field(object, "watchers");
    if (watchers != nullptr)
    {
        const auto count = integer(watchers);
        if (!count || *count < 0)
        {
            return false;
        }
        message->watchers = *count;
    }
    const json *players = field(object, "players");
    if (players == nullptr || players->is_null())
    {
        return true;
    }
    if (!players->is_object())
    {
        return false;
    }
    for (int side : {0, 1})
    {
        const json *player = field(*players, side == 0 ? "black" : "white");
        if (player == nullptr || !player->is_object())
        {
            return false;
        }
        const auto name = text(*player, "name");
        const auto rating = integer(field(*player, "rating"));
        if (!name || name->empty() || name->size() > 64 || !rating)
        {
            return false;
        }
        message->names[side] = *name;
        message->ratings[side] = *rating;
    }
    return true;
}

bool decodeState(const json &object, ServerMessage *message)
{
    if (!decodeGameKind(object, message))
    {
        return false;
    }
    const auto game = text(object, "game");
    const json *over = field(object, "over");
    const json *winner = field(object, "winner");
    const json *five = field(object, "five");
    if (!game || !points(field(object, "moves"), &message->moves) || !presences(object, message) ||
        over == nullptr || !over->is_boolean() || winner == nullptr || five == nullptr)
    {
        return false;
    }
    message->game = *game;
    message->role = role(field(object, "you"));
    message->over = over->get<bool>();
    message->winner = colour(winner);
    if ((message->winner < 0 && !winner->is_null()) || message->role == OnlineRole::None)
    {
        return false;
    }
    if (!five->is_null() && (!points(five, &message->five) || message->five.size() != 5))
    {
        return false;
    }
    // A request to take back a move; a server without them sends no such field.
    const json *undo = field(object, "undo");
    message->undo = undo == nullptr ? -1 : colour(undo);
    if (undo != nullptr && !undo->is_null() && message->undo < 0)
    {
        return false;
    }
    // How it ended, an offer of a draw or of a rematch, and the rematch: a server without them
    // sends none of these fields.
    // As ENDING_ numbers them: 1 five ... 5 time, 0 none (-2 here); an unknown word is -1 + 1.
    const int ending =
        wordOf(object, "ending", {"five", "full-board", "resignation", "agreement", "time"}, -2,
               true) +
        1;
    message->ending = std::max(ending, 0);
    for (auto [name, side] : {std::pair{"draw", &message->draw}, {"rematch", &message->rematch}})
    {
        const json *value = field(object, name);
        *side = value == nullptr ? -1 : colour(value);
        if (value != nullptr && !value->is_null() && *side < 0)
        {
            return false;
        }
    }
    const json *next = field(object, "next");
    if (next != nullptr && !next->is_null())
    {
        if (!next->is_string() || !isGameId(next->get<std::string>()))
        {
            return false;
        }
        message->next = next->get<std::string>();
    }
    message->hasClock = true;
    return ending != 0 && decodeClock(field(object, "clock"), &message->clock) &&
           decodePlayers(object, message);
}

bool decode(const json &object, ServerMessage *message)
{
    const auto type = text(object, "type");
    if (!type)
    {
        return false;
    }
    if (*type == "created")
    {
        message->type = ServerMessage::Type::Created;
        const auto game = text(object, "game");
        const auto secret = text(object, "secret");
        if (!game || !secret)
        {
            return false;
        }
        message->game = *game;
        message->secret = *secret;
        return true;
    }
    if (*type == "joined")
    {
        message->type = ServerMessage::Type::Joined;
        const auto game = text(object, "game");
        const json *secret = field(object, "secret");
        message->role = role(field(object, "role"));
        if (!game || message->role == OnlineRole::None ||
            (secret != nullptr && !secret->is_string()))
        {
            return false;
        }
        message->game = *game;
        message->secret = secret != nullptr ? secret->get<std::string>() : "";
        return true;
    }
    if (*type == "state")
    {
        message->type = ServerMessage::Type::State;
        return decodeState(object, message);
    }
    if (*type == "moved")
    {
        message->type = ServerMessage::Type::Moved;
        const auto n = integer(field(object, "n"));
        const auto row = integer(field(object, "row"));
        const auto col = integer(field(object, "col"));
        message->colour = colour(field(object, "colour"));
        if (!n || !row || !col || message->colour < 0)
        {
            return false;
        }
        message->n = *n, message->row = *row, message->col = *col;
        const json *clock = field(object, "clock");
        message->hasClock = clock != nullptr;
        return decodeClock(clock, &message->clock);
    }
    if (*type == "presence")
    {
        message->type = ServerMessage::Type::Presence;
        return presences(object, message) && decodePlayers(object, message);
    }
    if (*type == "player")
    {
        message->type = ServerMessage::Type::Player;
        const auto secret = text(object, "secret");
        const auto name = text(object, "name");
        const auto rating = integer(field(object, "rating"));
        if (!secret || !name || !rating || name->size() > 64)
        {
            return false;
        }
        message->secret = *secret, message->name = *name, message->rating = *rating;
        return true;
    }
    if (*type == "seeking")
    {
        message->type = ServerMessage::Type::Seeking;
        return true;
    }
    if (*type == "paired")
    {
        message->type = ServerMessage::Type::Paired;
        const auto game = text(object, "game");
        const auto secret = text(object, "secret");
        if (!game || !secret)
        {
            return false;
        }
        message->game = *game, message->secret = *secret;
        return true;
    }
    if (*type == "rematched")
    {
        message->type = ServerMessage::Type::Rematched;
        const auto game = text(object, "game");
        const json *secret = field(object, "secret");
        if (!game || (secret != nullptr && !secret->is_string()))
        {
            return false;
        }
        message->game = *game;
        message->secret = secret != nullptr ? secret->get<std::string>() : "";
        return true;
    }
    if (*type == "error")
    {
        message->type = ServerMessage::Type::Error;
        const auto code = text(object, "code");
        if (!code)
        {
            return false;
        }
        message->code = *code;
        message->text = text(object, "message").value_or("");
        return true;
    }
    message->type = ServerMessage::Type::Other;
    return true;
}

} // namespace

bool decodeServerMessage(std::string_view text, ServerMessage *message)
{
    if (text.size() > MESSAGE_MAX)
    {
        return false;
    }
    const json object = json::parse(text, nullptr, false);
    if (object.is_discarded() || !object.is_object())
    {
        return false;
    }
    ServerMessage decoded;
    if (!decode(object, &decoded))
    {
        return false;
    }
    *message = std::move(decoded);
    return true;
}
