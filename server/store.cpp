// What every store shares: a game made whole from what is stored, and the choice of store.
#include "server/store.h"

#include "server/sqlite_store.h"
#ifdef GOMOKU_POSTGRES
#include "server/postgres_store.h"
#endif

#include <algorithm>
#include <climits>

core::Game replayed(core::Rule rule, core::Opening opening, const std::vector<core::Point> &moves,
                    StoredGame::Choices choices, int *refusedAt, std::span<const std::int32_t> ms)
{
    core::Game game(rule, opening);
    const auto chooseWhenAsked = [&]
    {
        const core::Swap2Step step = game.swap2Step();
        if (step == core::Swap2Step::SecondChoice && choices.second != core::Swap2Choice::None)
        {
            game.choose(choices.second);
        }
        else if (step == core::Swap2Step::FirstChoice && choices.first != core::Swap2Choice::None)
        {
            game.choose(choices.first);
        }
    };
    if (refusedAt != nullptr)
    {
        *refusedAt = -1;
    }
    for (std::size_t n = 0; n < moves.size(); ++n)
    {
        chooseWhenAsked();
        if (game.play(moves[n], n < ms.size() ? ms[n] : -1) != core::Verdict::Placed)
        {
            if (refusedAt != nullptr)
            {
                *refusedAt = static_cast<int>(n);
            }
            return game;
        }
    }
    chooseWhenAsked();
    return game;
}

core::Game restored(const StoredGame &stored, int *refusedAt)
{
    // How long each move took, where its time is known: from the move before it (or the second
    // player's arrival), the pauses left out.
    std::vector<std::int32_t> taken;
    if (stored.clockStartMs && stored.moveMs.size() == stored.moves.size())
    {
        std::int64_t last = *stored.clockStartMs;
        for (const std::int64_t at : stored.moveMs)
        {
            const std::int64_t spent = core::runningBetween(last, at, stored.pauses);
            taken.push_back(static_cast<std::int32_t>(std::min<std::int64_t>(spent, INT32_MAX)));
            last = std::max(last, at);
        }
    }
    core::Game game =
        replayed(stored.rule, stored.opening, stored.moves, stored.choices, refusedAt, taken);
    if (stored.finish.how == core::Ending::Resignation)
    {
        game.resign(stored.finish.loser);
    }
    else if (stored.finish.how == core::Ending::Time)
    {
        game.timeOut(stored.finish.loser);
    }
    else if (stored.finish.how == core::Ending::Agreement)
    {
        game.agreeDraw();
    }
    return game;
}

std::string_view endedName(const core::Result &result)
{
    if (result.ending == core::Ending::Agreement)
    {
        return "draw-agreed";
    }
    if (result.ending == core::Ending::Time)
    {
        return result.winner == core::Colour::White ? "black-flagged" : "white-flagged";
    }
    return result.winner == core::Colour::White ? "black-resigned" : "white-resigned";
}

std::optional<StoredGame::Finish> endedNamed(std::string_view name)
{
    if (name == "draw-agreed")
    {
        return StoredGame::Finish{core::Ending::Agreement, core::Colour::Black};
    }
    if (name == "black-flagged" || name == "white-flagged")
    {
        return StoredGame::Finish{core::Ending::Time, name == "black-flagged"
                                                          ? core::Colour::Black
                                                          : core::Colour::White};
    }
    if (name == "black-resigned" || name == "white-resigned")
    {
        return StoredGame::Finish{core::Ending::Resignation, name == "black-resigned"
                                                                 ? core::Colour::Black
                                                                 : core::Colour::White};
    }
    return std::nullopt;
}

std::string storeName(const std::string &where)
{
    std::string shown = where;
    const std::size_t scheme = shown.find("://");
    const std::size_t at = shown.find('@');
    if (scheme != std::string::npos && at != std::string::npos && at > scheme)
    {
        const std::size_t colon = shown.find(':', scheme + 3);
        if (colon != std::string::npos && colon < at)
        {
            shown.replace(colon, at - colon, ":***");
        }
    }
    for (std::size_t key = shown.find("password="); key != std::string::npos;
         key = shown.find("password=", key + 1))
    {
        const std::size_t end = shown.find('&', key);
        shown.replace(key + 9, (end == std::string::npos ? shown.size() : end) - key - 9, "***");
    }
    return shown;
}

std::unique_ptr<Store> openStore(const std::string &where, bool durable)
{
    if (where.starts_with("postgresql://") || where.starts_with("postgres://"))
    {
#ifdef GOMOKU_POSTGRES
        return std::make_unique<PostgresStore>(where); // its commits are the database's to keep
#else
        throw StoreError("--db " + where.substr(0, where.find("://") + 3) +
                         "...: this server was built without PostgreSQL (libpq-dev was not found)");
#endif
    }
    return std::make_unique<SqliteStore>(where, durable);
}
