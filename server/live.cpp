#include "server/live.h"

#include "server/ids.h"
#include "server/names.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace
{

// Text as HTML shows it: nothing in it is markup.
std::string escaped(std::string_view text)
{
    std::string out;
    for (char c : text)
    {
        switch (c)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string ruleWords(core::Rule rule)
{
    return rule == core::Rule::Renju      ? "Renju"
           : rule == core::Rule::Standard ? "Exactly five"
                                          : "Freestyle";
}

std::string playerWords(const PlayerView &player)
{
    return escaped(player.name) + " (" + std::to_string(std::lround(player.rating)) + ")";
}

} // namespace

std::string liveJson(const std::vector<LiveGame> &games)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const LiveGame &game : games)
    {
        nlohmann::ordered_json entry{
            {"game", game.id},
            {"rule", ruleName(game.rule)},
            {"clock", game.control.timed()
                          ? nlohmann::ordered_json(core::timeControlName(game.control))
                          : nlohmann::ordered_json(nullptr)},
            {"moves", game.moves},
            {"watchers", game.watchers}};
        if (game.players)
        {
            for (int side : {0, 1})
            {
                const PlayerView &player = (*game.players)[side];
                entry[side == 0 ? "black" : "white"] = {{"name", player.name},
                                                        {"rating", std::lround(player.rating)}};
            }
        }
        list.push_back(std::move(entry));
    }
    return nlohmann::ordered_json{{"games", std::move(list)}}.dump();
}

std::vector<LiveGame> liveGamesOf(std::string_view text)
{
    std::vector<LiveGame> games;
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (!document.is_object() || !document.contains("games") || !document["games"].is_array())
    {
        return games;
    }
    for (const nlohmann::json &entry : document["games"])
    {
        if (!entry.is_object() || !entry.value("game", nlohmann::json()).is_string() ||
            !entry.value("moves", nlohmann::json()).is_number_integer() ||
            !entry.value("watchers", nlohmann::json()).is_number_integer() ||
            !entry.value("rule", nlohmann::json()).is_string())
        {
            continue;
        }
        LiveGame game;
        game.id = entry["game"].get<std::string>();
        const auto rule = ruleNamed(entry["rule"].get<std::string>());
        if (!rule || !validGameId(game.id))
        {
            continue;
        }
        game.rule = *rule;
        game.moves = entry["moves"].get<int>();
        game.watchers = entry["watchers"].get<int>();
        const nlohmann::json clock = entry.value("clock", nlohmann::json());
        if (clock.is_string() && !core::parseTimeControl(clock.get<std::string>(), &game.control))
        {
            continue;
        }
        if (entry.contains("black") && entry.contains("white"))
        {
            std::array<PlayerView, 2> players;
            bool read = true;
            for (int side : {0, 1})
            {
                const nlohmann::json &player = entry[side == 0 ? "black" : "white"];
                read = read && player.is_object() &&
                       player.value("name", nlohmann::json()).is_string() &&
                       player.value("rating", nlohmann::json()).is_number();
                if (read)
                {
                    players[side].name = player["name"].get<std::string>();
                    players[side].rating = player["rating"].get<double>();
                }
            }
            if (!read)
            {
                continue;
            }
            game.players = players;
        }
        games.push_back(std::move(game));
    }
    return games;
}

std::string livePage(const std::vector<LiveGame> &games)
{
    std::string rows;
    for (const LiveGame &game : games)
    {
        const std::string players = game.players ? playerWords((*game.players)[0]) + " &ndash; " +
                                                       playerWords((*game.players)[1])
                                                 : std::string("Friends, by link");
        rows += "<tr><td><a href=\"/?game=" + escaped(game.id) + "\">" + players + "</a></td><td>" +
                ruleWords(game.rule) + "</td><td>" +
                (game.control.timed() ? core::timeControlName(game.control) : "&ndash;") +
                "</td><td>" + std::to_string(game.moves) + "</td><td>" +
                std::to_string(game.watchers) + "</td></tr>\n";
    }
    if (rows.empty())
    {
        rows = "<tr><td colspan=\"5\">No game is being played just now.</td></tr>\n";
    }
    return "<!doctype html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<meta http-equiv=\"refresh\" content=\"10\">"
           "<title>Live games - gomoku3d</title><style>"
           "body { margin: 0; padding: 16px; font: 16px/1.4 sans-serif; color: #f3ead9;"
           " background: #3a2f26; }"
           "h1 { font-size: 1.4em; margin: 0 0 12px; }"
           "table { border-collapse: collapse; width: 100%; max-width: 48em; }"
           "th, td { text-align: left; padding: 8px 10px; border-bottom: 1px solid #5a4a3a; }"
           "th { color: #d8c8a8; font-weight: normal; }"
           "a { color: #f5c542; }"
           "td:nth-child(n+4), th:nth-child(n+4) { text-align: right; }"
           "</style></head><body><h1>Live games</h1>"
           "<p>Click a game to watch it. <a href=\"/\">Back to the board</a></p>"
           "<table><thead><tr><th>Players</th><th>Rule</th><th>Clock</th><th>Moves</th>"
           "<th>Watching</th></tr></thead><tbody>\n" +
           rows + "</tbody></table></body></html>\n";
}
